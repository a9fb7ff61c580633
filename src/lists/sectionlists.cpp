#include "lists/sectionlists.h"

#include <functional>

#include "archive/installation.h"
#include "archive/isam.h"
#include "f24db/rowreaders.h"
#include "lists/codetotals.h"
#include "platform/numtext.h"
#include "platform/text.h"
#include "repository/descriptors.h"
#include "shell/app.h"
#include "shell/companywalk.h"
#include "shell/f24read.h"
#include "shell/printtrap.h"
#include "shell/progress.h"

namespace zr {

namespace {

using lists::Amount;
using lists::CodeKey;
using lists::CodeTotals;
using lists::Pair;

constexpr int kMonths = 12;
constexpr int kPageLines = 60;
constexpr int kHeaderLines = 5;
constexpr double kCompanies = inst::kCompanies;

// What tells one list of the family from another.
struct ListKind {
  const char* progress;
  const char* title;
  bool databases;  // opens the yearly F24 databases
  bool sx;         // two credit columns instead of debit and credit
};
constexpr ListKind kKinds[] = {
    {"ERARIO ",
     "Lista di controllo SEZIONE ERARIO                                       Pagina ", false,
     false},
    {"REGIONI ",
     "Lista di controllO  SEZIONE REGIONI                               Pagina ", true, false},
    {"COMUNI ",
     "Lista di controllO   SEZIONE COMUNI                                Pagina ", true, false},
    {"SX1 1/2 ",
     "Lista di controllo CODICI ERARIO A CREDITO PER CAS QSX SX1_1 E SX2_1          Pagina ",
     true, true},
};

const std::string kRule(98, '-');

std::string twoDigits(int m) { return std::string{char('0' + m / 10), char('0' + m % 10)}; }

std::string padTo(std::string s, std::size_t width) {
  if (s.size() < width) s.resize(width, ' ');
  return s;
}

// One amount going into a column of a code: archive cents or a database value.
struct Entry {
  std::optional<CodeKey> code;
  Amount first, second;
};

class ControlListRun {
 public:
  ControlListRun(App& app, ControlList list, ListPrinter& printer)
      : app_(app),
        repo_(app.repo),
        list_(list),
        kind_(kKinds[static_cast<int>(list)]),
        printer_(printer) {}

  void run() {
    ArchiveLib& lib = app_.lib;
    ArchiveLib::RunScope kept(lib);  // index nodes read once for the list
    lib.FAIOPEN(inst::kF24);
    lib.FAIOPEN(inst::kF24Index);
    lib.FAIOPEN(kCompanies);
    std::optional<F24Session> session;
    if (kind_.databases) {
      session.emplace(app_.f24);
      app_.f24.APRIF24();
      app_.f24.APRIRELEASE();
      release_ = list_ == ControlList::Comuni ? 0 : releaseValue();
    }
    walkSelectedCompanies(app_, CompanyRead::ByCode, [&](const SelectedCompany& c) {
      if (c.record != CompanyRecord::Present) return;  // missing or deleted: no output
      company(c);
    });
    if (!app_.form.List1.empty()) app_.form.listIndex = 0;
    lib.CHIUDIFILE(inst::kF24);
    lib.CHIUDIFILE(inst::kF24Index);
    lib.CHIUDIFILE(kCompanies);
  }

 private:
  double releaseValue() {
    auto& rs = app_.f24.RSRELEASE;
    double value = 0;
    if (rs && !rs->eof()) {
      const int year = static_cast<int>(platform::valNumber(ANNORIFERIMENTO));
      value = rowNumber(rs->field("RELEASE"), "RELEASE",
                        {app_.f24.DBF24(year).path(), "RELEASE", "", "", 0});
    }
    if (rs) rs->close();
    return value;
  }

  void company(const SelectedCompany& c) {
    companyTotals_.clear();
    const std::string& entry = app_.form.List1[c.line];
    showLabel(app_, "LabelDESC", kind_.progress + entry.substr(0, 30));
    companyCode_ = repo_.STRCOSTANTE(desc::T001);  // KDITTA of its database rows
    companyLine_ = "DITTA  " + companyCode_ + " " +
                   platform::trimmed(repo_.STRCOSTANTE(desc::T002)) +
                   platform::trimmed(repo_.STRCOSTANTE(desc::T003));
    pageHeader();
    if (ownsFirstF24Record(app_, c.code))
      for (int m = 1; m <= kMonths; ++m) month(c.code, m);
    if (lines_ >= kPageLines) pageBreak();
    totals();
  }

  void pageHeader() {
    ++page_;
    printer_.setFont("Courier New", 9);
    printer_.line(kRule);
    printer_.line(kind_.title + std::to_string(page_));
    printer_.line(kRule);
    printer_.line(kind_.sx ? padTo(companyLine_ + std::string(31, ' '), 31).substr(0, 31) +
                                 "  SX1 CAS.1      SX2 CAS.2"
                           : companyLine_);
    printer_.line(kRule);
    lines_ = kHeaderLines;
  }

  void pageBreak() {
    printer_.line(kRule);
    printer_.newPage();
    pageHeader();
  }

  void month(const std::string& code, int m) {
    const std::string mm = twoDigits(m);
    const std::string key = code + std::string(ANNORIFERIMENTO) + mm;
    const double r = CERCAISAM(app_.lib, inst::kF24Index, key, 2, 0);
    if (r == -1) return;
    readLookedUpF24(app_, key, r);
    // A void record reached through the index is damage, as it is to an export run.
    if (repo_.F24X().starts_with("99")) f24IndexDamage(app_, key, "rimanda a un record annullato");
    CodeTotals monthTotals;
    const auto add = [&](const Entry& e) {
      if (!e.code) return;
      Pair& mt = monthTotals[*e.code];
      Pair& ct = companyTotals_[*e.code];
      mt.first += e.first;
      mt.second += e.second;
      ct.first += e.first;
      ct.second += e.second;
    };
    rows(companyCode_, std::string(ANNORIFERIMENTO) + mm, add);
    bool printed = false;
    for (const auto& [k, p] : monthTotals) {
      if (!p.counts()) continue;
      if (lines_ >= kPageLines) pageBreak();
      printer_.line("PERIODO " + mm + "/" + std::string(ANNORIFERIMENTO) + "  " +
                    lists::lineCode(k) + "  " + columns(p));
      ++lines_;
      printed = true;
    }
    if (printed) {
      printer_.line("");
      ++lines_;
    }
  }

  std::string columns(const Pair& p) const {
    const std::int64_t a = p.first.printedCents(), b = p.second.printedCents();
    if (kind_.sx) return "C " + lists::amountText(a) + "  C " + lists::amountText(b) + "  ";
    return "D " + lists::amountText(a) + "  C " + lists::amountText(b) + "  D-C " +
           lists::amountText(a - b) + "  ";
  }

  void totals() {
    Pair all;
    for (const auto& [k, p] : companyTotals_)
      if (p.counts()) {
        all.first += p.first;
        all.second += p.second;
      }
    if (all.first.exact() + all.second.exact() == 0) return;
    printer_.line(kRule);
    printer_.line("TOTALE SUDDIVISI PER CODICE");
    printer_.line(kRule);
    for (const auto& [k, p] : companyTotals_)
      if (p.counts()) printer_.line(padTo("TOTALE CODICE " + lists::totalCode(k), 23) + columns(p));
    printer_.line(kRule);
    printer_.line(padTo(kind_.sx ? "TOTALE GENERALE" : "TOTALE GENERALE ", 23) + columns(all));
    printer_.line(kRule);
    printer_.endDocument();
  }

  // --- the rows of a month's record and of the databases, in the list's order ---
  using Add = std::function<void(const Entry&)>;

  static Amount cents(std::int64_t c) { return Amount{c, 0}; }
  static Amount table(double v) { return Amount{0, v}; }
  std::int64_t centsOf(std::string_view d, int k) { return zr::centsOf(repo_, d, k); }
  std::string codeOf(std::string_view d, int k) {
    return repo_.STRCOSTANTE(d, static_cast<std::int16_t>(k));
  }

  void rows(const std::string& company, const std::string& period, const Add& add) {
    switch (list_) {
      case ControlList::Erario:
        erario(add);
        break;
      case ControlList::Regioni:
        regioni(company, period, add);
        break;
      case ControlList::Comuni:
        comuni(company, period, add);
        break;
      case ControlList::Sx:
        sxErario(add);
        regioni(company, period, add);
        comuni(company, period, add);
        break;
    }
  }

  void erario(const Add& add) {
    for (int k = 1; k <= desc::kErarioRows; ++k)
      add({lists::codeKey(codeOf(desc::erarioCode, k)), cents(centsOf(desc::erarioDebit, k)),
           cents(centsOf(desc::erarioCredit, k))});
  }

  // Only pure credits of the codes that feed SX1 (1627, 1669, 1671) and SX2 (1631).
  void sxErario(const Add& add) {
    for (int k = 1; k <= desc::kErarioRows; ++k) {
      const std::string code = platform::trimmed(codeOf(desc::erarioCode, k));
      const std::int64_t debit = centsOf(desc::erarioDebit, k);
      const std::int64_t credit = centsOf(desc::erarioCredit, k);
      if (credit == 0 || debit != 0) continue;
      if (code == "1627" || code == "1669" || code == "1671")
        add({lists::codeKey(code), cents(credit), {}});
      else if (code == "1631")
        add({lists::codeKey(code), {}, cents(credit)});
    }
  }

  // Credit-only code of the SX list's second column.
  void sxCredit(const std::string& code, std::string_view wanted, const Amount& credit,
                const Add& add) {
    const auto k = lists::codeKey(code);
    if (k && !k->isText && k->value == platform::valNumber(wanted)) add({k, {}, credit});
  }

  void regioni(const std::string& company, const std::string& period, const Add& add) {
    std::vector<RegionTableRow> tableRows;
    if (release_ > 0) tableRows = regionRows(database(), company, period);
    for (int b = 0; b < desc::kRegionBlocks; ++b) {
      const auto code = desc::regionField(desc::RegionField::Code, b);
      const auto debit = desc::regionField(desc::RegionField::Debit, b);
      const auto credit = desc::regionField(desc::RegionField::Credit, b);
      for (int k = 1; k <= desc::kRegionRows; ++k) {
        if (kind_.sx)
          sxCredit(codeOf(code, k), "3796", cents(centsOf(credit, k)), add);
        else
          add({lists::codeKey(codeOf(code, k)), cents(centsOf(debit, k)),
               cents(centsOf(credit, k))});
      }
      // The database's rows of this block: KRIGO from (b+1)*1000+5 to (b+1)*1000+10.
      const double low = (b + 1) * 1000.0 + 5, high = (b + 1) * 1000.0 + 10;
      for (const RegionTableRow& row : tableRows) {
        if (row.row < low || row.row > high) continue;
        if (kind_.sx)
          sxCredit(row.code, "3796", table(row.credit), add);
        else
          add({lists::codeKey(row.code), table(row.debit), table(row.credit)});
      }
    }
  }

  void comuni(const std::string& company, const std::string& period, const Add& add) {
    for (const desc::LocalRow& r : desc::kLocalRows) {
      if (kind_.sx)
        sxCredit(codeOf(r.code, 0), "3797", cents(centsOf(r.credit, 0)), add);
      else
        add({lists::codeKey(codeOf(r.code, 0)), cents(centsOf(r.debit, 0)),
             cents(centsOf(r.credit, 0))});
    }
    for (const LocalTaxTableRow& row : localTaxRows(database(), company, period)) {
      if (kind_.sx)
        sxCredit(row.code, "3797", table(row.credit), add);
      else
        add({lists::codeKey(row.code), table(row.debit), table(row.credit)});
    }
  }

  platform::Database& database() {
    return app_.f24.DBF24(static_cast<int>(platform::valNumber(ANNORIFERIMENTO)));
  }

  App& app_;
  Repository& repo_;
  const ControlList list_;
  const ListKind& kind_;
  ListPrinter& printer_;
  double release_ = 0;
  int page_ = 0;
  int lines_ = 0;
  std::string companyCode_;
  std::string companyLine_;
  CodeTotals companyTotals_;
};

}  // namespace

void printControlList(App& app, ControlList list, ListPrinter& printer) {
  ControlListRun(app, list, printer).run();
}

}  // namespace zr
