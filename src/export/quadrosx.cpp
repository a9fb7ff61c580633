// DATI_SX_FRONTE: quadro SX (Q770ULTE.V24, 219 characters, one record per selected company):
// the F24 credits used in compensation by tribute code, the employees' payroll totals and the
// QUADROCU1 totals with the two certification flags.
#include <string>
#include <string_view>

#include "archive/installation.h"
#include "archive/isam.h"
#include "export/exportrun.h"
#include "export/quadrof24.h"
#include "export/valuerules.h"
#include "f24db/rowreaders.h"
#include "platform/errors.h"
#include "platform/numtext.h"
#include "repository/descriptors.h"
#include "shell/progress.h"

namespace zr {

namespace {

using namespace quadro;
using exportrules::put;
using exportrules::putAmount;
using exportrules::trimmed;
using platform::Value;

const std::string kRefYear(ANNORIFERIMENTO);
constexpr std::size_t kLength = inst::kEmployeesFile.length;
constexpr double kEndOfIndex = 999999;
constexpr int kMaxEmployees = 1000000;
constexpr std::string_view kFile = "Q770ULTE.V24";

// Totals of one company: archive amounts in whole cents, table values as read.
struct Totals {
  std::int64_t sx1 = 0, t1631 = 0, t3796 = 0, t3797 = 0, t1701 = 0, t6781 = 0, dip = 0;
  double tableSx1 = 0, table3796 = 0, table3797 = 0;
  double cu55 = 0, cu61 = 0, cu73 = 0, cu96 = 0, cu104 = 0, cuSum = 0;
  bool cu1 = false, cu4 = false;
};

double money(std::int64_t cents) {
  return static_cast<double>(cents) / 100;
}

class QuadroSXCompany {
 public:
  QuadroSXCompany(App& app, CertificationDb& cert, bool tableRows)
      : app_(app), lib_(app.lib), repo_(app.repo), cert_(cert), tableRows_(tableRows) {}

  std::string build(QuadroState& q) {
    setFiscalCodes(app_, q);
    code_ = repo_.STRCOSTANTE(desc::T001);
    employees();
    if (hasF24()) {
      for (int month = 1; month <= 12; ++month) {
        if (!readF24(app_, code_, kRefYear, month, F24Kind::ReferenceMonth)) continue;
        monthCredits();
      }
      if (readF24(app_, code_, ANNO770, 1, F24Kind::NextJanuary))
        for (int i = 1; i <= desc::kErarioRows; ++i)
          if (erarioCode(i) == "6781") t_.t6781 += erarioCredit(i);
      if (tableRows_) tableCredits();
    }
    certifications();
    return record(q);
  }

 private:
  [[noreturn]] void fail(const std::string& cause) { throw ExportFailure({}, cause); }

  // Every employee whose code begins with the company's, through the employee index.
  void employees() {
    std::string key = code_ + "0000000";
    for (int step = 0; step < kMaxEmployees; ++step) {
      double found;
      {
        HeldSemaphore held(lib_);
        found = CERCAISAM(lib_, inst::kEmployeeIndex, key, 4, 0);
      }
      if (found == kEndOfIndex) return;
      if (found == 0 || found == -1)
        fail("l'indice dipendenti (base 30) non ha dato il dipendente dopo la chiave " + key +
             "; ripristinare l'indice e rilanciare");
      if (lib_.LEGGIREC(inst::kEmployees, found) == 1)
        fail("l'indice dipendenti (base 30) rimanda dalla chiave " + key + " al record " +
             platform::shortText(found) + " oltre la fine dell'archivio dipendenti");
      repo_.DIPX() = lib_.BUFFERREC(inst::kEmployees);
      const std::string next = trimmed(repo_.STRCOSTANTE(desc::P001));
      if (next.substr(0, 3) != code_) return;
      // A walk whose key does not advance would add the same employee again and again.
      if (next.size() != key.size() || next <= key)
        fail("l'indice dipendenti (base 30) non avanza dalla chiave " + key +
             " (rimanda al dipendente " + next + "); ripristinare l'indice e rilanciare");
      for (std::string_view field : desc::kEmployeeAmounts) t_.dip += centsOf(repo_, field);
      key = next;
    }
    fail("l'indice dipendenti (base 30) non termina dopo " + std::to_string(kMaxEmployees) +
         " dipendenti");
  }

  // Whether the company has any F24 record: the first key at or after its own.
  bool hasF24() {
    const std::string key = code_ + "000000";
    const double found = CERCAISAM(lib_, inst::kF24Index, key, 4, 0);
    if (found == kEndOfIndex || found == -1) return false;
    if (found == 0) fail("l'indice F24 (base 378) non ha risposto alla chiave " + key);
    if (lib_.LEGGIREC(inst::kF24, found) == 1)
      fail("l'indice F24 (base 378) rimanda dalla chiave " + key + " al record " +
           platform::shortText(found) + " oltre la fine dell'archivio F24");
    // It may be the next company's record: then this one has none.
    return repo_.STRCOSTANTE(desc::A001, 0, lib_.BUFFERREC(inst::kF24)) == code_;
  }

  std::string erarioCode(int i) {
    return repo_.STRCOSTANTE(desc::erarioCode, static_cast<std::int16_t>(i));
  }
  std::int64_t erarioCredit(int i) { return centsOf(repo_, desc::erarioCredit, i); }

  void monthCredits() {
    for (int i = 1; i <= desc::kErarioRows; ++i) {
      const std::string code = erarioCode(i);
      if (code == "1627") t_.sx1 += erarioCredit(i);
      if (code == "1701") t_.t1701 += erarioCredit(i);
      if (code == "1631" || code == "1633") t_.t1631 += erarioCredit(i);
    }
    using Field = desc::RegionField;
    for (int b = 0; b < desc::kRegionBlocks; ++b)
      for (int k = 1; k <= desc::kRegionRows; ++k) {
        const std::string code = trimmed(
            repo_.STRCOSTANTE(desc::regionField(Field::Code, b), static_cast<std::int16_t>(k)));
        if (code != "3796" && code != "1669") continue;
        const std::int64_t credit = centsOf(repo_, desc::regionField(Field::Credit, b), k);
        (code == "3796" ? t_.t3796 : t_.sx1) += credit;
      }
    for (const desc::LocalRow& row : desc::kLocalRows) {
      const std::string code = trimmed(repo_.STRCOSTANTE(row.code));
      if (code == "3797") t_.t3797 += centsOf(repo_, row.credit);
      if (code == "1671") t_.sx1 += centsOf(repo_, row.credit);
    }
  }

  void tableCredits() {
    platform::Database& db = app_.f24.DBF24(static_cast<int>(platform::valNumber(kRefYear)));
    for (const RegionTableRow& r : regionRowsOfCompany(db, code_)) {
      if (r.code == "3796") t_.table3796 += r.credit;
      if (r.code == "1669") t_.tableSx1 += r.credit;
    }
    for (const LocalTaxTableRow& r : localTaxRowsOfCompany(db, code_)) {
      if (r.code == "3797") t_.table3797 += r.credit;
      if (r.code == "1671") t_.tableSx1 += r.credit;
    }
  }

  void certifications() {
    platform::Database& db = cert_.DBCERTIFICAZIONI();
    auto cu1 = db.query("SELECT * FROM QUADROCU1 WHERE CODAZI = ? ORDER BY SEQ", {Value(code_)});
    for (; !cu1->eof(); cu1->moveNext()) {
      const RowPlace place{db.path(), "QUADROCU1", code_, "",
                           rowNumber(cu1->field("SEQ"), "SEQ", {db.path(), "QUADROCU1", code_, "", 0})};
      const auto number = [&](std::string_view column) {
        return rowNumber(cu1->field(column), column, place);
      };
      t_.cu1 = true;
      t_.cu55 += number("CU1_55");
      t_.cu61 += number("CU1_61");
      const double cu96 = number("CU1_96"), cu104 = number("CU1_104");
      t_.cuSum += number("CU1_94") + cu96 + cu104;
      t_.cu96 += cu96;
      t_.cu104 += cu104;
      t_.cu73 += number("CU1_73");
    }
    cu1->close();
    auto cu4 = db.query("SELECT * FROM QUADROCU4 WHERE CODAZI = ? AND CODIP = ? ORDER BY SEQ",
                        {Value(code_), Value("0000000000")});
    t_.cu4 = !cu4->eof();
    cu4->close();
  }

  std::string record(const QuadroState& q) {
    std::string r(kLength, ' ');
    const double sx1 = money(t_.sx1) + t_.tableSx1;
    const double sx2 = money(t_.t1631) + (money(t_.t3796) + t_.table3796) +
                       (money(t_.t3797) + t_.table3797);
    namespace sx = layout::sx;
    put(r, layout::kCompany, code_);
    put(r, layout::kDeclarantCode, q.CFDICHIARANTE);
    put(r, layout::kOwnCode, q.CFSOSTITUTO);
    putAmount(r, sx::kCu1_104, t_.cu104, kFile);
    putAmount(r, sx::kCu1_73, t_.cu73, kFile);
    putAmount(r, sx::kCu1Net, t_.cuSum - money(t_.t1701), kFile);
    put(r, sx::kHasCu1, t_.cu1 ? "1" : "0");
    put(r, sx::kHasCu4, t_.cu4 ? "1" : "0");
    putAmount(r, sx::kSx1, sx1, kFile);
    putAmount(r, sx::kSx2, sx2, kFile);
    putAmount(r, sx::kCu1_55, t_.cu55, kFile);
    putAmount(r, sx::kCu1_61, t_.cu61, kFile);
    putAmount(r, sx::kEmployees, t_.dip != 0 ? money(t_.dip) : sx2, kFile);
    putAmount(r, sx::kCu1Sum, t_.cuSum, kFile);
    putAmount(r, sx::kCu1_96, t_.cu96, kFile);
    putAmount(r, sx::k1701, money(t_.t1701), kFile);
    putAmount(r, sx::kSx1With6781, sx1 + money(t_.t6781), kFile);
    putAmount(r, sx::k6781, money(t_.t6781), kFile);
    return r;
  }

  App& app_;
  ArchiveLib& lib_;
  Repository& repo_;
  CertificationDb& cert_;
  bool tableRows_;
  std::string code_;
  Totals t_;
};

// Whether the row tables count: RELEASE of the reference year holds a release above 0. A
// missing table or an empty one skips them.
bool tableRowsCount(App& app) {
  platform::Database& db = app.f24.DBF24(static_cast<int>(platform::valNumber(kRefYear)));
  std::unique_ptr<platform::Recordset> release;
  try {
    release = db.openTable("RELEASE");
  } catch (const RuntimeError& e) {
    if (e.number() == 3078) return false;
    throw;
  }
  const bool count =
      !release->eof() &&
      rowNumber(release->field("RELEASE"), "RELEASE", {db.path(), "RELEASE", "", "", 0}) > 0;
  release->close();
  return count;
}

}  // namespace

void DATI_SX_FRONTE(App& app, ExportFiles& files, CertificationDb& cert, QuadroState& quadro,
                    RunPlace& place) {
  app.lib.TRACCIAOPERAZIONE("DATI_SX_FRONTE");
  openExportArchives(app, files, place);
  place.enterStep("quadro SX (Q770ULTE.V24)");
  ExportFile& out = files.create(inst::kEmployeesFile.stem, kLength);
  quadro.NUMRECQUADRO = 1;
  const bool tableRows = tableRowsCount(app);
  walkSelectedCompanies(
      app, CompanyRead::ByCode,
      [&](const SelectedCompany& selected) {
        quadro.RIGAQUADRO.assign(kLength, ' ');
        requireCompanyRecord(selected);
        showLabel(app, "Label2",
                  "Acquisizione quadro SX CASELLE SX1-1/6 SX2-1/2 SX3-1/2 SX49-2/3/4/5/6 - " +
                      selected.name + " in corso ... Attendere prego");
        if (selected.record == CompanyRecord::Void) return;
        quadro.RIGAQUADRO = QuadroSXCompany(app, cert, tableRows).build(quadro);
        out.writeRecord(quadro.NUMRECQUADRO, quadro.RIGAQUADRO);
        quadro.NUMRECQUADRO += 1;
      },
      &place);
  showLabel(app, "Label2", "");
  app.lib.CHIUDIFILE(0);
  files.closeAll();
}

}  // namespace zr
