// The field repository: the 24 record-family buffers and the routines that read a field from a
// record by its descriptor (STRCOSTANTE, VALCOSTANTE) or store one (RepoW). Failures go to the
// archive library's error routine; messages through its Ui.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "archive/archive.h"

namespace zr {

// The 24 families, in the order of the family table (families.h).
enum class Family : int {
  DITX, DIPX, DI2X, CUDX, DICX, ARTX, COCX, CONX, FISX, FOTX, PARX, PERX,
  PROX, SETX, STUX, M77X, F24X, FOPX, STOX, GLAX, GLCX, SCRX, SCRY, SCRU,
  Count
};

class Repository {
 public:
  Repository(ArchiveLib& lib);
  Repository(const Repository&) = delete;
  Repository& operator=(const Repository&) = delete;

  // The family buffer named by a descriptor's first five characters ("DITX$").
  std::string& buffer(Family f) { return buffers_[static_cast<int>(f)]; }
  std::string& DITX() { return buffer(Family::DITX); }
  std::string& DIPX() { return buffer(Family::DIPX); }
  std::string& F24X() { return buffer(Family::F24X); }

  std::string STRCOSTANTE(std::string_view descriptor, std::int16_t k = 0,
                          std::string_view record = {});
  double VALCOSTANTE(std::string_view descriptor, std::int16_t k = 0,
                     std::string_view record = {});
  // Stores value into target (the family buffer when target is empty). A "," in value is
  // changed to "." in the caller's variable, as the original does.
  void RepoW(std::string_view descriptor, std::string& value, std::int16_t k,
             std::string& target);
  void RepoW(std::string_view descriptor, std::string& value, std::int16_t k = 0);
  std::int16_t SPOSTAMENTOGRUPPO(std::string_view descriptor, std::int16_t k);

 private:
  ArchiveLib& lib_;
  std::array<std::string, static_cast<int>(Family::Count)> buffers_;
};

// ARROTONDA: x rounded half away from zero to d decimals (d 0 becomes 2 in the caller's variable).
std::string ARROTONDA(double x, std::int16_t& d);
// NOTAZIONEDECIMALE: rewrites a number text without exponent.
void NOTAZIONEDECIMALE(std::string& s);
// The lenient numeric conversion: blanks, tabs and line feeds skipped anywhere; stops at the
// first character that cannot continue a number; "." decimal point; nothing numeric is 0.
double numericValue(std::string_view text);
// Shortest decimal text of a number without a leading blank ("12", "12.5", "-0.25").
std::string numberText(double x);

}  // namespace zr
