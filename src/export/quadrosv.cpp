// QUADROSV: quadro SV from the local-tax rows of the F24 payments of every selected company
// (QUADSV.V24, 189 characters a record): the archive record's ten rows, then the rows of
// F24ENTILOCICI beyond them, one record for every row, no totalling.
#include <string>
#include <string_view>

#include "archive/installation.h"
#include "export/exportrun.h"
#include "export/quadrof24.h"
#include "export/valuerules.h"
#include "f24db/rowreaders.h"
#include "platform/numtext.h"
#include "repository/descriptors.h"

namespace zr {

namespace {

using namespace quadro;
using exportrules::tributeCode;
using exportrules::twoDigits;
using exportrules::trimmed;

const std::string kRefYear(ANNORIFERIMENTO);
const std::string kDecember = kRefYear + "12";
constexpr double kFirstTableRow = 11;  // rows 1 to 10 live in the archive record

// One local-tax row, from the archive record or the table.
struct LocalRow {
  std::string code;
  std::string yearField;
  std::optional<RowAmounts> amounts;
};

class QuadroSVCompany {
 public:
  QuadroSVCompany(App& app, QuadroWriter& out) : app_(app), repo_(app.repo), out_(out) {}

  void QUADROSVDITTA(QuadroState& q) {
    setFiscalCodes(app_, q);
    code_ = repo_.STRCOSTANTE(desc::T001);
    const bool shifted = repo_.VALCOSTANTE(desc::T596) == 1;
    for (int month = shifted ? 2 : 1; month <= 12; ++month) {
      if (!readF24(app_, code_, kRefYear, month, F24Kind::ReferenceMonth)) continue;
      const std::string period = kRefYear + twoDigits(month);
      eachRow(kRefYear, period, [&](const LocalRow& row) { RIGAENTILOCALISV(row, period); });
    }
    // A calendar-year company's January payment of the next year settles nothing of this one.
    if (!shifted) return;
    if (!readF24(app_, code_, ANNO770, 1, F24Kind::NextJanuary)) return;
    eachRow(std::string(ANNO770), std::string(ANNO770) + "01",
            [&](const LocalRow& row) { RIGAENTILOCALISVGENNAIO(row); });
  }

 private:
  // The archive record's rows 1 to 10, then every table row of the period from 11 on, in row
  // order, whatever gaps the row numbers leave.
  template <class Visit>
  void eachRow(const std::string& year, const std::string& period, Visit visit) {
    for (int idx = 1; idx <= static_cast<int>(desc::kLocalRows.size()); ++idx) visit(archive(idx));
    platform::Database& db = app_.f24.DBF24(static_cast<int>(platform::valNumber(year)));
    for (const LocalTaxTableRow& t : localTaxRows(db, code_, period, kFirstTableRow))
      visit(LocalRow{t.code, t.yearField, tableRow(t.amountA, t.amountB, t.amountC, t.debit)});
  }

  LocalRow archive(int idx) {
    const desc::LocalRow& f = desc::kLocalRows[static_cast<std::size_t>(idx - 1)];
    const int n = 3 * (idx - 1) + 1;
    using desc::AmountRun;
    return {repo_.STRCOSTANTE(f.code), repo_.STRCOSTANTE(f.year),
            archiveRow(centsOf(repo_, desc::f24Amount(AmountRun::AF, n)),
                       centsOf(repo_, desc::f24Amount(AmountRun::AF, n + 1)),
                       centsOf(repo_, desc::f24Amount(AmountRun::AF, n + 2)),
                       centsOf(repo_, f.debit))};
  }

  void write(const LocalRow& row, std::string period, char note) {
    QuadroRow out;
    out.period = std::move(period);
    out.amounts = *row.amounts;
    out.note = note;
    out.code = row.code;
    out_.write(out);
  }

  void RIGAENTILOCALISV(const LocalRow& row, const std::string& period) {
    if (!row.amounts) return out_.skipped(period, row.code);
    char note = ' ';
    if (trimmed(row.yearField) == kRefYear) {
      // The balance of 3847 is marked only when the operator asked for it.
      const bool balance = tributeCode(row.code) == "3847";
      note = !balance || app_.flags.OPZIONESALDO == 1 ? 'S' : ' ';
    }
    write(row, period, note);
  }

  void RIGAENTILOCALISVGENNAIO(const LocalRow& row) {
    if (!row.amounts) return out_.skipped(std::string(ANNO770) + "01", row.code);
    write(row, kDecember, 'B');
  }

  App& app_;
  Repository& repo_;
  QuadroWriter& out_;
  std::string code_;
};

}  // namespace

void QUADROSV(App& app, ExportFiles& files, QuadroState& quadro, RunPlace& place) {
  runQuadroPass(app, files, quadro, place,
                {"quadro SV (QUADSV.V24)", inst::kQuadroSV.stem, inst::kQuadroSV.length, 35,
                 "Acquisizione quadro SV azienda "},
                [&](QuadroWriter& out, const SelectedCompany&) {
                  QuadroSVCompany(app, out).QUADROSVDITTA(quadro);
                });
}

}  // namespace zr
