// The field repository: the 24 record-family buffers and the routines that read a field from a
// record by its descriptor (STRCOSTANTE, VALCOSTANTE) or store one (RepoW). Failures go to the
// archive library's error routine; messages through its Ui.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "archive/archive.h"
#include "repository/families.h"
#include "repository/numbers.h"

namespace zr {

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

  // The field's text, taken from `record` when it is not empty, else from the family buffer:
  // length characters from start + SPOSTAMENTOGRUPPO (fewer at the record's end, none beyond).
  // Text types ("A", "D", "0") come as stored; numeric ones ("N", "1".."9") with their first "-"
  // turned to "0" and put in front, and a "." before the last `decimals` places of the field's
  // length; blanks stay. A family outside the 24 (no record given) shows "ERRORE REPOSITORY -
  // STRCOSTANTE", closes all files and throws ProgramEnd{3}. Run-time errors (an offset
  // overflow, a position before the record) record "RepoR" in the ring and go to the library's
  // error routine.
  std::string STRCOSTANTE(std::string_view descriptor, std::int16_t k = 0,
                          std::string_view record = {});
  // The Val-rule number (platform::valNumber) of STRCOSTANTE's text.
  double VALCOSTANTE(std::string_view descriptor, std::int16_t k = 0, std::string_view record = {});
  // Stores value into target (the family buffer when target is empty): type "A" left-aligned,
  // blank-padded and cut; other types with the sign kept apart, rounded by ARROTONDA to the
  // type's decimals, written without point, zero-filled on the left and cut to the field's
  // length, the sign replacing the first character. A "," in value is changed to "." in the
  // caller's variable, as the original does. The field must lie wholly
  // inside the target (else run-time error 5: a partial store would corrupt the record
  // unseen); the target's length never changes. Run-time errors record "RepoW" in the ring.
  void RepoW(std::string_view descriptor, std::string& value, std::int16_t k, std::string& target);
  void RepoW(std::string_view descriptor, std::string& value, std::int16_t k = 0);
  // The offset of the k-th occurrence (groupOffset, families.h); a DI2X$ descriptor without its
  // id letter shows "ERRORE REPOSITORY - LETTERA SCONOSCIUTA" and gives 0.
  std::int16_t SPOSTAMENTOGRUPPO(std::string_view descriptor, std::int16_t k);

  ArchiveLib& lib() { return lib_; }

 private:
  std::int16_t offsetOf(std::string_view descriptor, const FieldLayout& f, std::int16_t k);
  std::string readField(std::string_view descriptor, std::int16_t k, std::string_view record);
  void writeField(std::string_view descriptor, std::string& value, std::int16_t k,
                  std::string& target);
  static std::string storedText(const FieldLayout& f, std::string_view value);
  [[noreturn]] void unknownFamily();

  ArchiveLib& lib_;
  std::array<std::string, static_cast<int>(Family::Count)> buffers_;
};

// An amount field (two implied decimals) in whole cents, so that sums of amounts are exact.
std::int64_t centsOf(Repository& repo, std::string_view descriptor, int k = 0);

}  // namespace zr
