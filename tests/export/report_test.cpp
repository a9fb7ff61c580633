// The export report on installations built on disk: a second export after the payroll changed
// names exactly the changes, each warning kind appears where it should and nowhere else, the
// JSON form reads back, and a failed run leaves no report and the previous set in place.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>

#include "export/exportreport.h"
#include "export/exportreportprint.h"
#include "export/installation.h"
#include "repository/descriptors.h"
#include "support/cli.h"
#include "support/json.h"

namespace zr::exporttest {
namespace {

using report::WarningKind;
using testing::parseJson;

struct F24 : F24Chain<F24> {
  using F24Chain::F24Chain;
  F24& erario(int k, const std::string& code, const std::string& paid,
              const std::string& credit = "0") {
    return f(desc::erarioCode, code, k).f(desc::erarioDebit, paid, k).f(desc::erarioCredit, credit, k);
  }
  F24& region(int r, int k, const std::string& code, const std::string& paid) {
    f(desc::regionField(desc::RegionField::Code, r - 1), code, k);
    f(desc::regionField(desc::RegionField::Year, r - 1), "2023", k);
    return f(desc::regionField(desc::RegionField::Debit, r - 1), paid, k);
  }
  F24& local(int idx, const std::string& code, const std::string& paid) {
    const auto& row = desc::kLocalRows[static_cast<std::size_t>(idx - 1)];
    return f(row.code, code).f(row.year, "2023").f(row.debit, paid);
  }
  F24& date(const std::string& ddmmyyyy) { return f("F24X$,00034,08,A,0,A003", ddmmyyyy); }
};

demo::CompanyRecord shifted(demo::CompanyRecord c) {
  c.fields.push_back({"DITX$,04383,01,N,0,T596", "1", 0});
  return c;
}

std::string dated(int month, int year = 2023) {
  return "16" + std::string(month < 10 ? "0" : "") + std::to_string(month) + std::to_string(year);
}

// What the payroll procedure does to a record: one field of the F24 record `record` stored
// anew, or a company record voided, written back in place.
void changeF24(Installation& inst, double record, std::string_view descriptor, std::string value,
               int k = 0) {
  ArchiveLib& lib = inst.builder.lib();
  Repository& repo = inst.builder.repo();
  lib.FAIOPEN(377);
  ASSERT_EQ(lib.LEGGIREC(377, record), 0);
  repo.F24X() = lib.BUFFERREC(377);
  repo.RepoW(descriptor, value, static_cast<std::int16_t>(k));
  lib.BUFFERREC(377) = repo.F24X();
  lib.SCRIVIREC(377, record);
  lib.CHIUDIFILE(0);
}
void voidCompany(Installation& inst, int code) {
  ArchiveLib& lib = inst.builder.lib();
  lib.FAIOPEN(1);
  ASSERT_EQ(lib.LEGGIREC(1, code), 0);
  lib.BUFFERREC(1).replace(0, 2, "99");
  lib.SCRIVIREC(1, code);
  lib.CHIUDIFILE(0);
}

testing::CliRun cli(Installation& inst, std::vector<std::string> args) {
  std::vector<std::string> all = {"--root", inst.dir.str(), "--registry",
                                  inst.builder.registryPath(), "--yes"};
  all.insert(all.end(), args.begin(), args.end());
  return testing::runCli(inst.dir.path(), all);
}

const testing::Json& companyOf(const testing::Json& doc, const std::string& code) {
  for (const auto& c : doc["ditte"].arr())
    if (c["codice"].str() == code) return c;
  throw std::out_of_range("no company " + code);
}

// 001 presents its own return and 002's; 003 presents its own.
struct ChangedBureau {
  double march = 0, april = 0;
  explicit ChangedBureau(Installation& inst) {
    auto& b = inst.builder;
    b.putCompany(company(1, {{"T002", "ALFA SPA"}, {"T012", "11111111111"}}));
    b.putCompany(company(2, {{"T002", "BETA SRL"}, {"T012", "22222222222"}, {"T326", "1"}}));
    // A quote and a CP1252 letter, which the JSON form writes escaped and in UTF-8.
    b.putCompany(company(3, {{"T002", "GAMMA \"G\" CAFF\xC8 SNC"}, {"T012", "33333333333"}}));
    march = b.putF24(F24(1, 2023, 3)
                         .date("16032023")
                         .erario(1, "1001", "100")
                         .erario(2, "1040", "50")
                         .region(1, 1, "3802", "30")
                         .local(1, "3848", "12.5")
                         .rec);
    april = b.putF24(F24(1, 2023, 4).date("17042023").erario(1, "1001", "200").rec);
    b.putF24(F24(2, 2023, 3).date("16032023").erario(1, "1001", "70").rec);
    b.putF24(F24(3, 2023, 5).date("16052023").erario(1, "1001", "40").rec);
    b.close();
  }
};

TEST(ExportReport, SecondExportNamesExactlyWhatChangedInThePayroll) {
  Installation inst;
  ChangedBureau bureau(inst);
  const auto first = cli(inst, {"export", "--all", "--report", inst.dir.str() + "/first.json"});
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_NE(first.out.find("QUADST.V24: 6 records of 190 characters"), std::string::npos);
  const testing::Json one = parseJson(readBytes(inst.dir / "first.json"));
  EXPECT_FALSE(one["confronto"].boolean()) << "nothing before the first export";
  EXPECT_TRUE(one["file_precedenti"].isNull());
  EXPECT_TRUE(companyOf(one, "001")["stato"].isNull());
  // 001: 100,00 + 50,00 + 200,00 Erario and 30,00 Regioni; SV 12,50.
  EXPECT_DOUBLE_EQ(companyOf(one, "001")["attuale"]["st_versato"].num(), 380.00);
  EXPECT_DOUBLE_EQ(companyOf(one, "001")["attuale"]["st_erario"].num(), 350.00);
  EXPECT_DOUBLE_EQ(companyOf(one, "001")["attuale"]["st_regioni"].num(), 30.00);
  EXPECT_DOUBLE_EQ(companyOf(one, "001")["attuale"]["sv_versato"].num(), 12.50);
  EXPECT_EQ(companyOf(one, "002")["attuale"]["dichiarante"].str(), "001");
  EXPECT_EQ(companyOf(one, "003")["attuale"]["nome"].str(), "GAMMA \"G\" CAFF\xC3\x88 SNC");
  EXPECT_TRUE(companyOf(one, "002")["attuale"]["sostituto"].boolean());

  // An amount, a payment date, a deleted company.
  changeF24(inst, bureau.april, desc::erarioDebit, "235.40", 1);
  changeF24(inst, bureau.march, desc::paymentDate, "20032023");
  voidCompany(inst, 3);
  const std::string front = readBytes(inst.archive("FRONTE.V24"));
  const auto second = cli(inst, {"export", "--all", "--report", inst.dir.str() + "/second.json",
                                 "--details"});
  ASSERT_EQ(second.status, 0) << second.err;
  const testing::Json two = parseJson(readBytes(inst.dir / "second.json"));
  ASSERT_TRUE(two["confronto"].boolean());
  EXPECT_EQ(two["origine"].str(), "esportazione");
  ASSERT_EQ(two["ditte"].arr().size(), 3u);

  const auto& alfa = companyOf(two, "001");
  EXPECT_EQ(alfa["stato"].str(), "variata");
  EXPECT_DOUBLE_EQ(alfa["precedente"]["st_versato"].num(), 380.00);
  EXPECT_DOUBLE_EQ(alfa["attuale"]["st_versato"].num(), 415.40);
  EXPECT_DOUBLE_EQ(alfa["differenze"]["st_versato"].num(), 35.40);
  EXPECT_DOUBLE_EQ(alfa["differenze"]["st_erario"].num(), 35.40);
  EXPECT_DOUBLE_EQ(alfa["differenze"]["st_regioni"].num(), 0);
  EXPECT_DOUBLE_EQ(alfa["differenze"]["st_righi"].num(), 0);
  EXPECT_DOUBLE_EQ(alfa["differenze"]["sv_versato"].num(), 0);
  // The amount changed one group; the date the four groups of March, each paid as before.
  EXPECT_EQ(alfa["gruppi_variati"].num(), 5);
  EXPECT_EQ(alfa["gruppi_aggiunti"].num(), 0);
  EXPECT_EQ(alfa["gruppi_tolti"].num(), 0);
  std::set<std::tuple<std::string, std::string, std::string, std::string, std::string, double>>
      changes;
  for (const auto& r : alfa["righi_variati"].arr()) {
    EXPECT_EQ(r["variazione"].str(), "variato");
    ASSERT_EQ(r["dopo"]["versamenti"].arr().size(), 1u);
    changes.insert({r["quadro"].str() + r["sezione"].str(), r["periodo"].str(),
                    r["codice_tributo"].str(), r["prima"]["versamenti"][0]["data"].str(),
                    r["dopo"]["versamenti"][0]["data"].str(),
                    r["dopo"]["versato"].num() - r["prima"]["versato"].num()});
  }
  const std::set<std::tuple<std::string, std::string, std::string, std::string, std::string,
                            double>>
      expected = {{"ST0", "202303", "1001", "20230316", "20230320", 0},
                  {"ST0", "202303", "1040", "20230316", "20230320", 0},
                  {"ST1", "202303", "3802", "20230316", "20230320", 0},
                  {"SV ", "202303", "3848", "20230316", "20230320", 0},
                  {"ST0", "202304", "1001", "20230417", "20230417", 235.40 - 200.00}};
  ASSERT_EQ(changes.size(), expected.size());
  for (auto a = changes.begin(), e = expected.begin(); e != expected.end(); ++a, ++e) {
    EXPECT_EQ(std::get<0>(*a) + std::get<1>(*a) + std::get<2>(*a) + std::get<3>(*a) +
                  std::get<4>(*a),
              std::get<0>(*e) + std::get<1>(*e) + std::get<2>(*e) + std::get<3>(*e) +
                  std::get<4>(*e));
    EXPECT_NEAR(std::get<5>(*a), std::get<5>(*e), 1e-9);
  }

  EXPECT_EQ(companyOf(two, "002")["stato"].str(), "invariata");
  EXPECT_EQ(companyOf(two, "002")["righi_variati"].arr().size(), 0u);

  const auto& gamma = companyOf(two, "003");
  EXPECT_EQ(gamma["stato"].str(), "non_piu_presente");
  EXPECT_TRUE(gamma["attuale"].isNull());
  EXPECT_TRUE(gamma["precedente"]["frontespizio"].boolean());
  EXPECT_DOUBLE_EQ(gamma["differenze"]["st_versato"].num(), -40.00);
  EXPECT_DOUBLE_EQ(gamma["differenze"]["st_righi"].num(), -1);
  ASSERT_EQ(gamma["righi_variati"].arr().size(), 1u);
  EXPECT_EQ(gamma["righi_variati"][0]["variazione"].str(), "tolto");
  EXPECT_EQ(gamma["righi_variati"][0]["periodo"].str(), "202305");

  // The files: 003's front page, quadro ST row and SX record are gone.
  const auto& files = two["file"].arr();
  const auto& before = two["file_precedenti"].arr();
  ASSERT_EQ(files.size(), 5u);
  EXPECT_EQ(files[0]["nome"].str(), "FRONTE.V24");
  EXPECT_EQ(before[0]["record"].num() - files[0]["record"].num(), 1);
  EXPECT_EQ(files[2]["nome"].str(), "QUADST.V24");
  EXPECT_EQ(before[2]["record"].num(), 6);
  EXPECT_EQ(files[2]["record"].num(), 5);
  EXPECT_EQ(files[4]["record"].num(), 2);

  // The report adds nothing to the files: the front page of 001 is the one the first run wrote.
  EXPECT_EQ(readBytes(inst.archive("FRONTE.V24")), front.substr(0, 1964));

  // The same comparison from the command that reads the set in place, against a copy.
  const std::filesystem::path copy = inst.dir.path() / "copia";
  std::filesystem::create_directories(copy);
  std::filesystem::copy_file(inst.archive("QUADST.V24"), copy / "QUADST.V24");
  const auto text = cli(inst, {"report", "--against", copy.string(), "--details"});
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("RIEPILOGO DEI FILE DI ESPORTAZIONE MOD.770/2024"), std::string::npos);
  EXPECT_NE(text.out.find("DITTA 001 ALFA SPA"), std::string::npos) << text.out;
  EXPECT_EQ(text.out.find("trib.1001: data"), std::string::npos)
      << "the copy holds this quadro ST: no row of it differs\n" << text.out;
}

// Blanks and line ends of a text as single blanks.
std::string squeezed(const std::string& text) {
  std::string out;
  for (char c : text) {
    const bool blank = c == ' ' || c == '\n';
    if (!blank || out.empty() || out.back() != ' ') out += blank ? ' ' : c;
  }
  return out;
}

// Months 1..12 of 2023, each paid with its date, as a company without faults has them.
void fullYear(demo::InstallationBuilder& b, int code, int from = 1) {
  for (int m = from; m <= 12; ++m)
    b.putF24(F24(code, 2023, m).date(dated(m)).erario(1, "1001", std::to_string(100 + m)).rec);
}

TEST(ExportReport, EachWarningWhereItBelongsAndNoneOnACleanCompany) {
  Installation inst;
  auto& b = inst.builder;
  b.putCompany(company(1, {{"T002", "PULITA SPA"}, {"T012", "11111111111"}}));
  b.putCompany(company(2, {{"T002", "SENZA DATA SRL"}, {"T012", "22222222222"}}));
  b.putCompany(company(3, {{"T002", "MESE MANCANTE SNC"}, {"T012", "33333333333"}}));
  b.putCompany(shifted(company(4, {{"T002", "SPOSTATA SAS"}, {"T012", "44444444444"}})));
  b.putCompany(company(5, {{"T002", "ESCLUSI SRL"}, {"T012", "55555555555"}}));
  b.putCompany(company(6, {{"T002", "SOSTITUTA SRL"}, {"T012", "66666666666"}, {"T326", "7"}}));
  b.putCompany(company(7, {{"T002", "INTERMEDIA SRL"}, {"T012", "77777777777"}, {"T326", "1"}}));
  // 001: every month paid and dated, and its January 2024: nothing to say.
  fullYear(b, 1);
  b.putF24(F24(1, 2024, 1).date("16012024").erario(1, "1713", "10").rec);
  // 002: May without a date on one paid row, June blank on two (and one row paid nothing).
  for (int m = 1; m <= 12; ++m) {
    F24 f(2, 2023, m);
    f.erario(1, "1001", "10");
    if (m == 5) f.date("        ");
    else if (m == 6) f.date("00000000").erario(2, "1040", "5").erario(3, "1040", "0", "3");
    else f.date(dated(m));
    b.putF24(f.rec);
  }
  // 003: July missing.
  for (int m = 1; m <= 12; ++m)
    if (m != 7) b.putF24(F24(3, 2023, m).date(dated(m)).erario(1, "1001", "20").rec);
  // 004: shifted year, February to December, no January 2024 (its January 2023 is not its own).
  fullYear(b, 4, 2);
  // 005: March with a credit-only row, August with an Erario row and a local-tax row paid 0.
  for (int m = 1; m <= 12; ++m) {
    F24 f(5, 2023, m);
    f.date(dated(m)).erario(1, "1001", "30");
    if (m == 3) f.erario(2, "1627", "0", "25");
    if (m == 8) f.erario(2, "1040", "0").local(1, "3848", "0");
    b.putF24(f.rec);
  }
  b.close();

  LoadedApp a(inst);
  a.selectAll();
  report::ExportReport r;
  ASSERT_EQ(CMDAVVIO_Click(*a.app, nullptr, &r), RunOutcome::Done) << a.transcript();
  ASSERT_TRUE(r.fromRun);
  EXPECT_FALSE(r.previous) << "no set before the first run";

  std::set<std::tuple<WarningKind, std::string, std::string, std::uint64_t>> got;
  for (const auto& w : r.warnings) {
    got.insert({w.kind, w.company, w.period, w.count});
    EXPECT_TRUE(w.text.starts_with("Ditta " + w.company)) << w.text;
  }
  const std::set<std::tuple<WarningKind, std::string, std::string, std::uint64_t>> expected = {
      {WarningKind::UndatedPayment, "002", "202305", 1},
      {WarningKind::UndatedPayment, "002", "202306", 2},
      {WarningKind::SkippedRows, "002", "202306", 1},
      {WarningKind::MissingMonth, "003", "202307", 0},
      {WarningKind::MissingNextJanuary, "004", "202401", 0},
      {WarningKind::SkippedRows, "005", "202303", 1},
      {WarningKind::SkippedRows, "005", "202308", 2},
      {WarningKind::SubstituteWithoutDeclarant, "006", "", 0},
  };
  EXPECT_EQ(got, expected);
  for (const auto& w : r.warnings) EXPECT_NE(w.company, "001") << w.text;
  for (const auto& w : r.warnings) {
    if (w.kind != WarningKind::MissingMonth) continue;
    EXPECT_EQ(w.text,
              "Ditta 003 mese 07/2023: nessun F24 registrato, mentre la ditta ne ha negli altri "
              "mesi");
  }

  // The summary made while the run wrote is the one its files give when read back.
  const report::SetSummary read = report::readSet(a.app->files(), a.app->config.PERCORSOARCHIVI);
  EXPECT_EQ(read.files, r.current.files);
  EXPECT_TRUE(read.companies == r.current.companies);
  EXPECT_TRUE(read.rows == r.current.rows);
  EXPECT_TRUE(read.undated == r.current.undated);
  EXPECT_TRUE(read.problems.empty());
  // 002: twelve rows of 10,00 and June's 5,00.
  EXPECT_EQ(r.current.companies.at("002").st.paid, 12500);
  EXPECT_EQ(r.current.companies.at("002").st.records, 13u);

  // The printed form carries every warning, a line wider than the page broken at a blank.
  const auto blocks = report::reportBlocks(r, false);
  std::string printed;
  for (const auto& block : blocks)
    for (const auto& line : block) {
      EXPECT_LE(line.size(), 90u) << line;
      printed += line + "\n";
    }
  EXPECT_NE(printed.find("SEGNALAZIONI: 8\n"), std::string::npos) << printed;
  for (const auto& w : r.warnings)
    EXPECT_NE(squeezed(printed).find(" " + w.text + " "), std::string::npos) << w.text;
  EXPECT_NE(printed.find("  Ditta 006: sostituto della ditta dichiarante 007, che non ha il "
                         "frontespizio in questa\n      esportazione\n"),
            std::string::npos)
      << printed;
}

TEST(ExportReport, FailedRunWritesNoReportAndLeavesThePreviousSet) {
  Installation inst;
  ChangedBureau bureau(inst);
  const auto done = cli(inst, {"export", "--all", "--report", inst.dir.str() + "/r1.txt"});
  ASSERT_EQ(done.status, 0) << done.err;
  EXPECT_NE(done.out.find("Segnalazioni: "), std::string::npos);
  const std::string text = readBytes(inst.dir / "r1.txt");
  EXPECT_NE(text.find("DITTA 003 GAMMA \"G\" CAFF\xC3\x88 SNC"), std::string::npos) << text;
  std::map<std::string, std::string> set;
  for (const auto& f : report::setFiles()) {
    const std::string name = std::string(f.stem) + ".V24";
    set[name] = readBytes(inst.archive(name));
  }

  // A report that cannot be written leaves the export done: its files are in place, status 0.
  const auto unwritable =
      cli(inst, {"export", "--all", "--report", inst.dir.str() + "/no/such/folder/r.txt"});
  EXPECT_EQ(unwritable.status, 0);
  EXPECT_TRUE(unwritable.saidInErr("the report could not be written to")) << unwritable.err;
  EXPECT_TRUE(unwritable.saidInErr("the export itself succeeded")) << unwritable.err;
  for (const auto& [name, bytes] : set) EXPECT_EQ(readBytes(inst.archive(name)), bytes) << name;

  writeBytes(inst.archive("TRCER24P.MDB"), std::string(4096, 'x'));
  const auto failed = cli(inst, {"export", "--all", "--report", inst.dir.str() + "/r2.json"});
  EXPECT_EQ(failed.status, 3);
  EXPECT_FALSE(std::filesystem::exists(inst.dir / "r2.json"));
  EXPECT_EQ(failed.out.find("Segnalazioni"), std::string::npos) << "nothing reported as done";
  for (const auto& [name, bytes] : set) EXPECT_EQ(readBytes(inst.archive(name)), bytes) << name;

  // In process, the report handed in stays as it was.
  LoadedApp a(inst);
  a.selectAll();
  report::ExportReport r;
  r.previousUnreadable = "untouched";
  EXPECT_EQ(CMDAVVIO_Click(*a.app, nullptr, &r), RunOutcome::Failed);
  EXPECT_EQ(r.previousUnreadable, "untouched");
  EXPECT_TRUE(r.current.companies.empty());
}

TEST(ExportReport, ReportCommandReadsTheSetInPlaceAndSaysWhatItCannotRead) {
  Installation inst;
  ChangedBureau bureau(inst);
  ASSERT_EQ(cli(inst, {"export", "--all"}).status, 0);
  // A quadro ST cut short, and an amount that is not one.
  std::string st = readBytes(inst.archive("QUADST.V24"));
  st.replace(88, 14, "   12X45,00   ");
  writeBytes(inst.archive("QUADST.V24"), st.substr(0, st.size() - 10));
  const auto r = cli(inst, {"report", "--print", inst.dir.str() + "/set.json"});
  ASSERT_EQ(r.status, 0) << r.err;
  const testing::Json doc = parseJson(readBytes(inst.dir / "set.json"));
  EXPECT_EQ(doc["origine"].str(), "file");
  const auto& problems = doc["record_non_leggibili"].arr();
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_NE(problems[0].str().find("QUADST.V24: l'ultimo record e' incompleto"), std::string::npos);
  EXPECT_NE(problems[1].str().find("record 1: in posizione 89"), std::string::npos)
      << problems[1].str();
  // The paid amount of the first row (001's 1001 of March, 100,00) counts nothing.
  EXPECT_DOUBLE_EQ(companyOf(doc, "001")["attuale"]["st_versato"].num(), 280.00);

  const auto missing = cli(inst, {"report", "--against", inst.dir.str() + "/nowhere"});
  EXPECT_EQ(missing.status, 3);
  EXPECT_TRUE(missing.saidInErr("nowhere")) << missing.err;

  // A set that an interrupted export left to complete is neither the old nor the new one.
  writeBytes(inst.archive("ZORIR770.CMT"), "x");
  const auto pending = cli(inst, {"report"});
  EXPECT_EQ(pending.status, 1);
  EXPECT_TRUE(pending.saidInErr("ZORIR770.CMT")) << pending.err;
  EXPECT_TRUE(pending.out.empty()) << pending.out;
}

}  // namespace
}  // namespace zr::exporttest
