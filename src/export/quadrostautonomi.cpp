// QUADROSTAUTONOMI: the self-employment payments of the certification table QUADROCU4 appended
// to the run's quadro ST file after its F24 records, each carrying its own record number as
// progressive (the file has already been numbered).
#include <cmath>
#include <string>
#include <string_view>

#include "archive/installation.h"
#include "export/exportrun.h"
#include "export/quadrof24.h"
#include "export/valuerules.h"
#include "f24db/rowreaders.h"
#include "platform/numtext.h"
#include "repository/amounts.h"
#include "repository/descriptors.h"
#include "shell/progress.h"

namespace zr {

namespace {

using namespace exportrules;

constexpr std::string_view kTable = "QUADROCU4";
constexpr std::string_view kRowsQuery =
    "SELECT * FROM QUADROCU4 WHERE CODAZI = ? AND CODIP = ? ORDER BY SEQ";
// The payments of the company itself, not of one of its payees.
constexpr std::string_view kCompanyPayee = "0000000000";
constexpr std::size_t kNoteWidth = layout::st::kNote.len;
constexpr std::size_t kDateWidth = layout::st::kPaymentDate.len;

// The last n characters of text zero-filled on the left: Right(zeros & text, n).
std::string rightZeroFilled(const std::string& text, std::size_t n) {
  const std::string filled = std::string(n, '0') + text;
  return filled.substr(filled.size() - n);
}

bool allDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// One QUADROCU4 row as the record takes it.
struct SelfEmploymentRow {
  double amount = 0;  // CU4_27
  std::string period, note, code, date;
};

SelfEmploymentRow readRow(const platform::Recordset& rs, const RowPlace& place) {
  SelfEmploymentRow row;
  row.amount = rowNumber(rs.field("CU4_27"), "CU4_27", place);
  row.period = rightZeroFilled(rowText(rs.field("CU4_28")), 6);
  row.note = padCut(rowText(rs.field("CU4_24")), kNoteWidth);
  row.code = tributeCode(rowText(rs.field("CU4_26")));
  const std::string date = rowText(rs.field("CU4_25"));
  // A date that is not all digits is left blank, not zero-filled as the F24 dates are.
  row.date = allDigits(date) ? rightZeroFilled(date, kDateWidth) : std::string(kDateWidth, ' ');
  return row;
}

// The record of one row for the company in DITX$, progressive from its own record number.
std::string buildRecord(Repository& repo, const QuadroState& q, const SelfEmploymentRow& row,
                        double recordNumber, std::string_view fileName) {
  namespace st = layout::st;
  std::string r(inst::kQuadroST.length, ' ');
  const std::string zeroText = exportAmount(0);
  put(r, layout::kCompany, repo.STRCOSTANTE(desc::T001));
  put(r, layout::kDeclarantCode, q.CFDICHIARANTE);
  put(r, layout::kOwnCode, q.CFSOSTITUTO);
  put(r, st::kSection, "0");
  put(r, st::kProgressive, progressive4(static_cast<std::uint64_t>(recordNumber)));
  put(r, st::kPeriod, row.period);
  putAmount(r, st::kAmountA, row.amount, fileName);
  put(r, st::kAmountB, zeroText);
  put(r, st::kAmountC, zeroText);
  putAmount(r, st::kPaid, row.amount, fileName);
  put(r, st::kZero103, zeroText);
  put(r, st::kNote, row.note);
  put(r, st::kZero129, "0");
  put(r, st::kTributeCode, row.code);
  put(r, st::kPaymentDate, row.date);
  put(r, st::kZero147, "0");
  put(r, st::kCredit, zeroText);
  put(r, st::kZero162, zeroText);
  put(r, st::kZero177, zeroText);
  return r;
}

// Reads the company's record into DITX$ with its fiscal codes. A company that was selected
// but can no longer be read would lose its payments: the run fails after the message.
void readCompanyForRows(App& app, QuadroState& q, const SelectedCompany& selected) {
  ArchiveLib& lib = app.lib;
  const bool pastEnd = lib.LEGGIREC(inst::kCompanies, platform::valNumber(selected.code)) == 1;
  if (!pastEnd) app.repo.DITX() = lib.BUFFERREC(inst::kCompanies);
  if (pastEnd || app.repo.DITX().starts_with("99")) {
    app.ui().message("LA DITTA " + selected.code + "NON ESISTE !", app.form.caption,
                     platform::Icon::Exclamation);
    throw ExportFailure(selected.name,
                        "il record dell'azienda " + selected.code +
                            (pastEnd ? " non e' piu' presente nell'archivio aziende"
                                     : " e' annullato nell'archivio aziende") +
                            ", ma la tabella QUADROCU4 ha versamenti di lavoro autonomo da "
                            "esportare");
  }
  quadro::setFiscalCodes(app, q);
}

}  // namespace

void QUADROSTAUTONOMI(App& app, ExportFiles& files, CertificationDb& cert, QuadroState& quadro,
                      RunPlace& place) {
  openExportArchives(app, files, place);
  place.enterStep("quadro ST lavoro autonomo (QUADST.V24)");
  const std::string_view stem = inst::kQuadroST.stem;
  const std::size_t length = inst::kQuadroST.length;
  const std::string fileName = std::string(stem) + std::string(inst::kExportExtension);
  ExportFile* out = nullptr;
  double recordNumber = 1;
  if (app.flags.OPZIONECU == 1) {
    if (files.exists(stem)) {
      out = &files.reopen(stem, length);
      recordNumber = std::floor(static_cast<double>(out->size()) / static_cast<double>(length)) + 1;
    } else {
      app.flags.OPZIONECU = 0;
    }
  }
  platform::Database& db = cert.DBCERTIFICAZIONI();
  walkSelectedCompanies(
      app, CompanyRead::No,
      [&](const SelectedCompany& selected) {
        showLabel(app, "Label2",
                  "Quadro ST lavoro autonomo " + selected.name + " in corso ... Attendere prego");
        showLabel(app, "Label4", "");
        auto rs = db.query(kRowsQuery,
                           {platform::Value(selected.code), platform::Value(std::string(kCompanyPayee))});
        bool companyRead = false;
        for (; !rs->eof(); rs->moveNext()) {
          RowPlace rowPlace{db.path(), kTable, selected.code, "", 0};
          rowPlace.row = rowNumber(rs->field("SEQ"), "SEQ", rowPlace);
          const SelfEmploymentRow row = readRow(*rs, rowPlace);
          if (row.amount == 0 || app.flags.OPZIONECU != 1) continue;
          if (!companyRead) {
            readCompanyForRows(app, quadro, selected);
            companyRead = true;
          }
          quadro.RIGAQUADRO = buildRecord(app.repo, quadro, row, recordNumber, fileName);
          out->writeRecord(recordNumber, quadro.RIGAQUADRO);
          recordNumber += 1;
        }
      },
      &place);
  quadro.NUMRECQUADRO = recordNumber;
  app.lib.CHIUDIFILE(0);
  files.closeAll();
}

}  // namespace zr
