// Test support for the control lists: F24 records with rows of the three sections, the print
// selection driven as the window drives it, a printer that keeps the text (and can fail at a
// given line), and the list's lines laid out from their column rules, amounts typed by hand.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "lists/printselection.h"
#include "repository/descriptors.h"
#include "support/installation.h"

namespace zr::testbed {

using desc::RegionField;

inline const std::string d98(98, '-');

// F24 fields in a chain: Erario row k (1..20), row k (1..4) of region block b (0..20), local-tax
// row n (1..10). Amounts as RepoW takes them ("1200.50").
struct F24 : F24Chain<F24> {
  using F24Chain::F24Chain;
  F24& erario(int k, const std::string& code, const std::string& debit,
              const std::string& credit = "0") {
    return f(desc::erarioCode, code, k).f(desc::erarioDebit, debit, k).f(desc::erarioCredit, credit, k);
  }
  F24& region(int b, int k, const std::string& code, const std::string& debit,
              const std::string& credit = "0") {
    f(desc::regionField(RegionField::Code, b), code, k);
    f(desc::regionField(RegionField::Debit, b), debit, k);
    return f(desc::regionField(RegionField::Credit, b), credit, k);
  }
  F24& local(int n, const std::string& code, const std::string& debit,
             const std::string& credit = "0") {
    const desc::LocalRow& row = desc::kLocalRows[static_cast<std::size_t>(n - 1)];
    return f(row.code, code).f(row.debit, debit).f(row.credit, credit);
  }
  F24& voided() {
    rec.voidRecord = true;
    return *this;
  }
};

// A row of F24REGIONI (demo::RegionRow) or F24ENTILOCICI (demo::LocalTaxRow).
template <class Row>
Row tableRow(const std::string& company, const std::string& period, int krigo,
             const std::string& code, platform::Value debit, platform::Value credit) {
  Row r;
  r.company = company;
  r.period = period;
  r.row = krigo;
  r.code = code;
  r.debit = std::move(debit);
  r.credit = std::move(credit);
  return r;
}
inline constexpr auto regionRow = tableRow<demo::RegionRow>;
inline constexpr auto localRow = tableRow<demo::LocalTaxRow>;

inline const platform::Value kNull{};

// ---- The printed lines, from the column rules; every amount is typed by hand as it prints.

inline std::string a14(const std::string& text) {
  return std::string(text.size() < 14 ? 14 - text.size() : 0, ' ') + text;
}
inline std::string padded(std::string text, std::size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text;
}

enum class List { Erario, Regioni, Comuni, Sx };

inline std::string titleOf(List list) {
  switch (list) {
    case List::Erario:
      return "Lista di controllo SEZIONE ERARIO                                       Pagina ";
    case List::Regioni:
      return "Lista di controllO  SEZIONE REGIONI                               Pagina ";
    case List::Comuni:
      return "Lista di controllO   SEZIONE COMUNI                                Pagina ";
    case List::Sx:
      return "Lista di controllo CODICI ERARIO A CREDITO PER CAS QSX SX1_1 E SX2_1          "
             "Pagina ";
  }
  return {};
}

// The page header; `company` is "DITTA  001 ALFA SRL(RM)" as the header shows it. A header
// that opens a page after the first carries the form feed (`newPage`).
inline std::string header(List list, int page, const std::string& company, bool newPage = false) {
  std::string line = company;
  if (list == List::Sx) line = (company + std::string(31, ' ')).substr(0, 31) +
                               "  SX1 CAS.1      SX2 CAS.2";
  return (newPage ? "\f" : "") + d98 + "\n" + titleOf(list) + std::to_string(page) + "\n" + d98 +
         "\n" + line + "\n" + d98 + "\n";
}

// A month line of a section list: code as it prints (shorter ones padded to 4).
inline std::string monthLine(const std::string& mm, const std::string& code, const std::string& d,
                             const std::string& c, const std::string& dc) {
  return "PERIODO " + mm + "/2023  " + padded(code, 4) + "  D " + a14(d) + "  C " + a14(c) +
         "  D-C " + a14(dc) + "  \n";
}
inline std::string sxLine(const std::string& mm, const std::string& code, const std::string& sx1,
                          const std::string& sx2) {
  return "PERIODO " + mm + "/2023  " + padded(code, 4) + "  C " + a14(sx1) + "  C " + a14(sx2) +
         "  \n";
}

struct Total {
  std::string code, d, c, dc;  // dc unused by the SX list
};

// The company totals of a section list: code lines then the grand total.
inline std::string totals(const std::vector<Total>& codes, const Total& grand) {
  std::string s = d98 + "\nTOTALE SUDDIVISI PER CODICE\n" + d98 + "\n";
  const auto amounts = [](const Total& t) {
    return "D " + a14(t.d) + "  C " + a14(t.c) + "  D-C " + a14(t.dc) + "  \n";
  };
  for (const Total& t : codes) s += padded("TOTALE CODICE " + t.code, 23) + amounts(t);
  return s + d98 + "\n" + padded("TOTALE GENERALE ", 23) + amounts(grand) + d98 + "\n";
}
inline std::string sxTotals(const std::vector<Total>& codes, const Total& grand) {
  std::string s = d98 + "\nTOTALE SUDDIVISI PER CODICE\n" + d98 + "\n";
  const auto amounts = [](const Total& t) { return "C " + a14(t.d) + "  C " + a14(t.c) + "  \n"; };
  for (const Total& t : codes) s += padded("TOTALE CODICE " + t.code, 23) + amounts(t);
  return s + d98 + "\n" + padded("TOTALE GENERALE", 23) + amounts(grand) + d98 + "\n";
}

// ---- The printer and the command.

using ListPrinters = StringPrinters;

// An App on the installation with the list printer; runs a list as the window does: the
// selection's button, the option, Stampa, and the command's end.
struct Lister {
  explicit Lister(Installation& inst, int failAt = 0,
                  std::function<std::unique_ptr<platform::Files>(platform::Files&)> wrap = {}) {
    auto p = std::make_unique<ListPrinters>(failAt);
    printers = p.get();
    app = std::make_unique<LoadedApp>(inst, std::move(wrap), std::move(p));
  }
  // A List1 line for a company the list does not show (void or missing), selected.
  void addSelectedLine(const std::string& line) {
    app->app->form.addLine(line);
    app->app->form.selected.back() = true;
  }
  ListOutcome run(int option) {
    EXPECT_TRUE(CmdVer1655_Click(*app->app)) << app->transcript();
    Option1_Click(*app->app, option);
    const ListOutcome outcome = CmdStampa_Click(*app->app);
    app->app->finishPrinting();
    return outcome;
  }
  std::string printed() const { return printers->text(); }
  MainForm& form() { return app->app->form; }

  ListPrinters* printers = nullptr;
  std::unique_ptr<LoadedApp> app;
};

}  // namespace zr::testbed
