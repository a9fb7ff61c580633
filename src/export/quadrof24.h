// What the quadro producers built from the F24 payments share: the pass over the selected
// companies with its numbering, the company's fiscal codes, the F24 record of a month read
// through the index, the amount rule and the common layout of a quadro record.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "export/exportrun.h"
#include "shell/companywalk.h"

namespace zr::quadro {

// NUMERAPROGRESSIVI: positions keyLength+1 to keyLength+4 of every record get the record's
// place in its run of equal leading keys (first keyLength characters), four digits, counting
// again from 0001 whenever the key changes from one record to the next. Every record of the
// file is numbered, whatever its size.
void NUMERAPROGRESSIVI(ExportFile& file, std::size_t keyLength);

// CFSOSTITUTO from the company record in the DITX$ buffer and CFDICHIARANTE from its
// declarant's (T326), the buffer left holding the company's own record. A declarant record
// that can no longer be read fails the run.
void setFiscalCodes(App& app, QuadroState& q);

// Which F24 record a producer asks for.
enum class F24Kind {
  ReferenceMonth,  // a month of ANNORIFERIMENTO: an entry that leads nowhere is index damage
  NextJanuary,     // January of ANNO770: a void record gives nothing
};
// Looks up code & year & MM in the F24 index and reads the record into the F24X$ buffer; false
// when the key is absent (or, for NextJanuary, the record is void). An entry pointing past the
// end of the archive or (ReferenceMonth) at a void record shows "NON ESISTE F24 CON K ..."
// and fails the run; so does an index that answers with its check message.
bool readF24(App& app, std::string_view code, std::string_view year, int month, F24Kind kind);

// The amounts of one row: A, B, C (the complementary amounts), P (paid) and the credit.
struct RowAmounts {
  double A = 0, B = 0, C = 0, P = 0, credit = 0;
};
// A row of the F24 archive, amounts in whole cents so that sums are exact: A takes P when it
// is 0, and the row is skipped (nullopt) when A + P (+ credit, when it counts) is 0.
std::optional<RowAmounts> archiveRow(std::int64_t a, std::int64_t b, std::int64_t c,
                                     std::int64_t p, std::int64_t credit = 0,
                                     bool creditCounts = false);
// A row of a database table, its values as read: the same rule on them.
std::optional<RowAmounts> tableRow(double a, double b, double c, double p);

// What varies between the records of the quadro ST and SV files.
struct QuadroRow {
  char section = '0';     // ST: '0' Erario, '1' Regioni
  std::string period;     // YYYYMM
  RowAmounts amounts;
  char note = ' ';        // ' ', 'S' or 'B'
  std::string code;       // tribute code as read
  std::string region;     // Regioni rows: "01".."21"
  bool creditAt148 = false;
};

// Writes one row of the company in DITX$ and the F24 record in F24X$ at NUMRECQUADRO. With a
// key length the record is numbered as it is written, as NUMERAPROGRESSIVI would number the
// file afterwards: the writer's records are the whole file, one after the other from record 1.
class QuadroWriter {
 public:
  QuadroWriter(App& app, QuadroState& q, ExportFile& out, std::string_view fileName,
               bool withSection, std::size_t numberKey = 0)
      : app_(app),
        q_(q),
        out_(out),
        fileName_(fileName),
        withSection_(withSection),
        numberKey_(numberKey) {}
  void write(const QuadroRow& row);
  // Tells the run's watcher, if any, of a row with a tribute code that A + P = 0 leaves out
  // (`period` is the F24 record's), of the company's F24 months starting and of a record read.
  void skipped(std::string_view period, std::string_view code);
  void f24Company(bool shiftedYear);
  void f24Read(std::string_view period);

 private:
  void number(std::string& record);

  App& app_;
  QuadroState& q_;
  ExportFile& out_;
  std::string fileName_;
  bool withSection_;       // ST holds the section at 36; SV is the same record without it
  std::size_t numberKey_;  // 0: "0000", numbered by a pass over the file
  std::string previousKey_;
  std::uint64_t counter_ = 0;
};

// One producer's pass: its file created afresh, the selected companies walked with the
// caption, then the file reopened and numbered.
struct QuadroPass {
  std::string_view step;     // for the failure message
  std::string_view stem;     // "QUADST"
  std::size_t length;        // 190
  std::size_t keyLength;     // 36
  std::string_view caption;  // "Acquisizione quadro ST azienda "
};
void runQuadroPass(App& app, ExportFiles& files, QuadroState& q, RunPlace& place,
                   const QuadroPass& pass,
                   const std::function<void(QuadroWriter&, const SelectedCompany&)>& company);

}  // namespace zr::quadro
