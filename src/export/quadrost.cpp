// QUADROST: quadro ST from the F24 payments of every selected company (QUADST.V24, 190
// characters a record): the Erario and Regioni rows of each month of the reference year, then
// what the January payment of the following year settles for it.
#include <string>
#include <string_view>

#include "archive/installation.h"
#include "export/exportrun.h"
#include "export/quadrof24.h"
#include "export/valuerules.h"
#include "repository/descriptors.h"

namespace zr {

namespace {

using namespace quadro;
using exportrules::tributeCode;
using exportrules::twoDigits;
using exportrules::trimmed;
using Field = desc::RegionField;

const std::string kRefYear(ANNORIFERIMENTO);
const std::string kDecember = kRefYear + "12";

// QUADROSTDITTA and its row builders, on the company record in DITX$.
class QuadroSTCompany {
 public:
  QuadroSTCompany(App& app, QuadroWriter& out) : repo_(app.repo), app_(app), out_(out) {}

  void QUADROSTDITTA(QuadroState& q) {
    setFiscalCodes(app_, q);
    const std::string code = repo_.STRCOSTANTE(desc::T001);
    const bool shifted = repo_.VALCOSTANTE(desc::T596) == 1;
    out_.f24Company(shifted);
    for (int month = shifted ? 2 : 1; month <= 12; ++month) {
      if (!readF24(app_, code, kRefYear, month, F24Kind::ReferenceMonth)) continue;
      startRecord(kRefYear + twoDigits(month));
      for (int i = 1; i <= desc::kErarioRows; ++i) RIGAERARIOST(i, month);
      for (int r = 1; r <= desc::kRegionBlocks; ++r) RIGHEREGIONIST(r, month);
    }
    if (!readF24(app_, code, ANNO770, 1, F24Kind::NextJanuary)) return;
    startRecord(std::string(ANNO770) + "01");
    if (!shifted) {
      for (int i = 1; i <= desc::kErarioRows; ++i) RIGAERARIOST1713(i);
      return;
    }
    for (int i = 1; i <= desc::kErarioRows; ++i) RIGAERARIOSTGENNAIO(i);
    for (int r = 1; r <= desc::kRegionBlocks; ++r) RIGHEREGIONISTGENNAIO(r);
  }

 private:
  // Erario row i of the record in F24X$.
  struct ErarioRow {
    std::string code;  // as Left(Trim & 4 blanks, 4)
    std::int64_t a, b, c, paid, credit;
  };
  ErarioRow erario(int i) {
    const auto k = static_cast<std::int16_t>(i);
    const int n = 3 * (i - 1) + 1;
    using desc::AmountRun;
    return {tributeCode(repo_.STRCOSTANTE(desc::erarioCode, k)),
            centsOf(repo_, desc::f24Amount(AmountRun::AA, n)),
            centsOf(repo_, desc::f24Amount(AmountRun::AA, n + 1)),
            centsOf(repo_, desc::f24Amount(AmountRun::AA, n + 2)),
            centsOf(repo_, desc::erarioDebit, k), centsOf(repo_, desc::erarioCredit, k)};
  }

  // The record's own period: a January reference-year record settles the previous year's
  // "1713", which belongs to an earlier return.
  void startRecord(std::string period) {
    out_.f24Read(period);
    f24Period_ = std::move(period);
    januaryOfReference_ =
        repo_.STRCOSTANTE(desc::A568) + repo_.STRCOSTANTE(desc::A567) == "01" + kRefYear;
  }
  bool excluded(const ErarioRow& row) const { return row.code == "1713" && januaryOfReference_; }

  void writeErario(const ErarioRow& row, const RowAmounts& amounts, std::string period, char note,
                   bool credit) {
    QuadroRow out;
    out.section = '0';
    out.period = std::move(period);
    out.amounts = amounts;
    out.note = note;
    out.code = row.code;
    out.creditAt148 = credit;
    out_.write(out);
  }

  void RIGAERARIOST(int i, int month) {
    const ErarioRow row = erario(i);
    if (excluded(row)) return;
    const auto amounts = archiveRow(row.a, row.b, row.c, row.paid);
    if (!amounts) return out_.skipped(f24Period_, row.code);
    const bool yearEnd = row.code == "1712" || row.code == "1713";
    writeErario(row, *amounts, yearEnd ? kDecember : kRefYear + twoDigits(month), ' ', false);
  }

  void RIGAERARIOST1713(int i) {
    const ErarioRow row = erario(i);
    if (row.code != "1713") return;
    const auto amounts = archiveRow(row.a, row.b, row.c, row.paid, row.credit, true);
    if (!amounts) return out_.skipped(f24Period_, row.code);
    writeErario(row, *amounts, kDecember, ' ', true);
  }

  void RIGAERARIOSTGENNAIO(int i) {
    const ErarioRow row = erario(i);
    if (excluded(row)) return;
    const auto amounts = archiveRow(row.a, row.b, row.c, row.paid);
    if (!amounts) return out_.skipped(f24Period_, row.code);
    writeErario(row, *amounts, kDecember, row.code == "1713" ? ' ' : 'B', false);
  }

  // Rows 1 to 4 of region r, each through `note` (the note of a row from its year field).
  template <class Note>
  void regionRows(int r, const std::string& period, Note note) {
    const int b = r - 1;
    for (int k = 1; k <= desc::kRegionRows; ++k) {
      const auto kk = static_cast<std::int16_t>(k);
      const int n = 12 * b + 3 * (k - 1) + 1;
      const auto amounts = archiveRow(
          centsOf(repo_, desc::regionAmount(n)), centsOf(repo_, desc::regionAmount(n + 1)),
          centsOf(repo_, desc::regionAmount(n + 2)),
          centsOf(repo_, desc::regionField(Field::Debit, b), k));
      if (!amounts) {
        out_.skipped(f24Period_, repo_.STRCOSTANTE(desc::regionField(Field::Code, b), kk));
        continue;
      }
      QuadroRow out;
      out.section = '1';
      out.period = period;
      out.amounts = *amounts;
      out.note = note(repo_.STRCOSTANTE(desc::regionField(Field::Year, b), kk));
      out.code = repo_.STRCOSTANTE(desc::regionField(Field::Code, b), kk);
      out.region = twoDigits(r);
      out_.write(out);
    }
  }

  void RIGHEREGIONIST(int r, int month) {
    regionRows(r, kRefYear + twoDigits(month),
               [](const std::string& year) { return trimmed(year) == kRefYear ? 'S' : ' '; });
  }

  void RIGHEREGIONISTGENNAIO(int r) {
    regionRows(r, kDecember, [](const std::string&) { return 'B'; });
  }

  Repository& repo_;
  App& app_;
  QuadroWriter& out_;
  bool januaryOfReference_ = false;
  std::string f24Period_;  // YYYYMM of the F24 record in F24X$
};

}  // namespace

void QUADROST(App& app, ExportFiles& files, QuadroState& quadro, RunPlace& place) {
  runQuadroPass(app, files, quadro, place,
                {"quadro ST (QUADST.V24)", inst::kQuadroST.stem, inst::kQuadroST.length, 36,
                 "Acquisizione quadro ST azienda "},
                [&](QuadroWriter& out, const SelectedCompany&) {
                  QuadroSTCompany(app, out).QUADROSTDITTA(quadro);
                });
}

}  // namespace zr
