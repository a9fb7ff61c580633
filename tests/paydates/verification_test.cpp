// The payment-date verification on built installations: the marks, the printed list worked out
// by hand, the archive untouched without the update and changed in exactly the missing dates
// with it, a payroll program writing the same record meanwhile, index damage and printer
// failures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "paydates/verification.h"
#include "support/installation.h"

namespace zr::testbed {
namespace {

constexpr std::size_t kF24Length = 9940;
constexpr std::size_t kDatePos = 33;  // 0-based start of the payment date in an F24 record
const std::string kDate = "F24X$,00034,08,D,0,A003";
const std::string d98(98, '-');

struct F24 : F24Chain<F24> {
  using F24Chain::F24Chain;
  F24& date(const std::string& ddmmyyyy) { return f(kDate, ddmmyyyy); }
  F24& dateText(const std::string& bytes) { return f(demo::asText(kDate), bytes); }
  F24& voided() {
    rec.voidRecord = true;
    return *this;
  }
};

// The list's company line: columns 1-30 of the entry, a blank, the marks (or the all-N text).
std::string row(const std::string& code, const std::string& name, const std::string& marks) {
  std::string entry = code + " " + name;
  entry.resize(30, ' ');
  return entry + " " + marks + "\n";
}
const std::string kAllN = "  N    N    N    N    N    N    N    N    N    N    N    N    N";

std::string header(int page) {
  return d98 + "\n" +
         "Lista di controllo ditta F24 'PRESENZA DATA VERSAMENTO COMPILATA'                 "
         "Pagina " +
         std::to_string(page) + "\n" + d98 + "\n" +
         "LEGENDA 'S'  = DATA VERSAMENTO PRESENTE\n"
         "LEGENDA 'N'  = DATA VERSAMENTO NON PRESENTE\n"
         "LEGENDA 'A'  = DATA VERSAMENTO AGGIORNATO DA GRIGLIA DATE\n";
}
std::string headerEnd() {
  return "LEGENDA '-'  = F24 MESE NON PRESENTE\n" + d98 + "\n" +
         "DITTA                          | G  | F  | M  | A  | M  | G  | L  | A  | S  | O  | N  "
         "| D | G /AC |\n" +
         d98 + "\n";
}

// Four companies whose F24 months cover every mark:
// 001 ALFA: 01 dated, 02 zeros, 03 blanks, 04 a non-numeric date, 05 void, 06 none, 07 zeros,
//           08-12 dated, January 2024 zeros; and a 2022 and a February 2024 record without
//           dates that the list never looks at.
// 002 BETA: no F24 record at all.  003 GAMMA: a month without date, never selected.
// 004 DELTA: only January 2024, dated.
struct Bureau {
  Installation inst;
  std::map<std::string, double> record;  // "001-2023-02" -> record number

  Bureau() {
    inst.builder.putCompany(company(1, {{"T002", "ALFA SRL"}}));
    inst.builder.putCompany(company(2, {{"T002", "BETA SPA"}}));
    inst.builder.putCompany(company(3, {{"T002", "GAMMA SNC"}}));
    inst.builder.putCompany(company(4, {{"T002", "DELTA SAS"}}));
    put(F24(1, 2022, 12).date("0"));
    put(F24(1, 2023, 1).date("15022023"));
    put(F24(1, 2023, 2).date("0"));
    put(F24(1, 2023, 3).dateText("        "));
    put(F24(1, 2023, 4).dateText("12AB2023"));
    put(F24(1, 2023, 5).date("0").voided());
    put(F24(1, 2023, 7).date("0"));
    for (int m = 8; m <= 12; ++m) put(F24(1, 2023, m).date("160" + std::to_string(m + 1) + "2023"));
    put(F24(1, 2024, 1).date("0"));
    put(F24(1, 2024, 2).date("0"));
    put(F24(3, 2023, 1).date("0"));
    put(F24(4, 2024, 1).date("16022024"));
    inst.builder.close();
  }
  void put(const F24& f) {
    char name[16];
    std::snprintf(name, sizeof name, "%03d-%d-%02d", f.rec.company, f.rec.year, f.rec.month);
    record[name] = inst.builder.putF24(f.rec);
  }
  std::string f24() { return readBytes(inst.archive("KVF24.DAT")); }
};

// The grid the update tests type: a date in every box but July's (box 6).
const std::array<std::string, 13> kGrid = {
    "16/02/2023", "16/03/2023", "17/04/2023", "16/05/2023", "16/06/2023", "17/07/2023", "00/00/0000",
    "18/09/2023", "16/10/2023", "16/11/2023", "18/12/2023", "16/01/2024", "16/02/2024"};

struct Verify {
  explicit Verify(Installation& inst,
                  std::function<std::unique_ptr<platform::Files>(platform::Files&)> wrap = {}) {
    auto p = std::make_unique<StringPrinters>();
    printers = p.get();
    app = std::make_unique<LoadedApp>(inst, std::move(wrap), std::move(p));
  }
  VerifyOutcome run(std::initializer_list<int> codes, UpdateAnswer answer,
                    const std::array<std::string, 13>& grid = {}) {
    app->select(codes);
    if (!grid[0].empty())
      for (int k = 0; k < 13; ++k) app->app->form.Text1[k] = grid[k];
    const VerifyOutcome outcome = cmdverifica_Click(*app->app, answer);
    app->app->finishPrinting();
    return outcome;
  }
  std::string printed() const { return printers->text(); }
  StringPrinters* printers = nullptr;
  std::unique_ptr<LoadedApp> app;
};

TEST(Verification, MarksAndListWithoutUpdateLeaveTheArchivesAsTheyWere) {
  Bureau b;
  const std::string before = b.f24();
  Verify v(b.inst);
  ASSERT_EQ(v.run({1, 2, 4}, UpdateAnswer::No, kGrid), VerifyOutcome::Done) << v.app->transcript();
  const std::string expected =
      header(1) + headerEnd() +
      row("001", "ALFA SRL", "  S    N    N    S    -    -    N    S    S    S    S    S    N       ") +
      row("002", "BETA SPA", kAllN) +
      row("004", "DELTA SAS", "  -    -    -    -    -    -    -    -    -    -    -    -    S       ") +
      d98 + "\n";
  EXPECT_EQ(v.printed(), expected);
  EXPECT_EQ(b.f24(), before);
  // The form is ready for the next command: nothing selected, the grid empty, the boxes checked.
  const MainForm& form = v.app->app->form;
  EXPECT_FALSE(form.anySelected());
  for (const auto& box : form.Text1) EXPECT_EQ(box, "00/00/0000");
  EXPECT_EQ(form.Check1, 1);
  EXPECT_EQ(form.Check3, 1);
}

TEST(Verification, UpdateWritesExactlyTheMissingDatesFromTheGrid) {
  Bureau b;
  const std::string before = b.f24();
  auto v = std::make_unique<Verify>(b.inst);
  ASSERT_EQ(v->run({1, 2, 4}, UpdateAnswer::Yes, kGrid), VerifyOutcome::Done)
      << v->app->transcript();
  const std::string grid = std::string(15, ' ');
  const std::string expected =
      header(1) + grid + std::string(66, '-') + "\n" + grid + "GRIGLIA DATE PER AGGIORNAMENTO\n" +
      grid + std::string(65, '-') + "\n" + grid +
      "MM 01 16/02/2023 MM 04 16/05/2023 MM 07 00/00/0000MM 10 16/11/2023\n" + grid +
      "MM 02 16/03/2023 MM 05 16/06/2023 MM 08 18/09/2023MM 11 18/12/2023\n" + grid +
      "MM 03 17/04/2023 MM 06 17/07/2023 MM 09 16/10/2023MM 12 16/01/2024\n" + grid +
      "MM 01/2024 16/02/2024\n" + grid + std::string(66, '-') + "\n" + headerEnd() +
      row("001", "ALFA SRL", "  S    A    A    S    -    -    N    S    S    S    S    S    A       ") +
      row("002", "BETA SPA", kAllN) +
      row("004", "DELTA SAS", "  -    -    -    -    -    -    -    -    -    -    -    -    S       ") +
      d98 + "\n";
  EXPECT_EQ(v->printed(), expected);
  v.reset();  // one instance at a time

  // February, March and January of the next year got their box's date as DDMMYYYY; not one
  // other byte of the archive changed (the 2022 and February 2024 records, GAMMA's, the void
  // one and the non-numeric date included).
  std::string want = before;
  const auto dated = [&](const std::string& key, const std::string& ddmmyyyy) {
    const auto at = static_cast<std::size_t>(b.record.at(key) - 1) * kF24Length + kDatePos;
    want.replace(at, 8, ddmmyyyy);
  };
  dated("001-2023-02", "16032023");
  dated("001-2023-03", "17042023");
  dated("001-2024-01", "16022024");
  const std::string after = b.f24();
  ASSERT_EQ(after.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i)
    if (after[i] != want[i]) {
      ADD_FAILURE() << "byte " << i << " of KVF24.DAT (record " << i / kF24Length + 1
                    << ", position " << i % kF24Length + 1 << ")";
      break;
    }

  // A second run finds every date it wrote present and writes nothing.
  Verify again(b.inst);
  ASSERT_EQ(again.run({1}, UpdateAnswer::Yes, kGrid), VerifyOutcome::Done);
  EXPECT_NE(again.printed().find(row("001", "ALFA SRL",
                                     "  S    S    S    S    -    -    N    S    S    S    S    S  "
                                     "  S       ")),
            std::string::npos);
  EXPECT_EQ(b.f24(), want);
}

TEST(Verification, AnEmptyGridOrAnUnusableDateWritesNothing) {
  Bureau b;
  const std::string before = b.f24();
  {
    // Yes with every box empty: the grid block shows the empty boxes, the dates stay missing.
    Verify v(b.inst);
    ASSERT_EQ(v.run({1}, UpdateAnswer::Yes), VerifyOutcome::Done);
    EXPECT_NE(v.printed().find("MM 01 00/00/0000 MM 04 00/00/0000 MM 07 00/00/0000MM 10 00/00/0000"),
              std::string::npos);
    EXPECT_NE(v.printed().find(row(
                  "001", "ALFA SRL",
                  "  S    N    N    S    -    -    N    S    S    S    S    S    N       ")),
              std::string::npos);
  }
  // Texts that passed the box's own check but are no "dd/mm/yyyy" date of years 1000-2999:
  // the whole command is refused before a line is printed or a byte written.
  for (const std::string bad : {"16/3/2023", "16/03/2023 ", "16/03/20231", "31/02/2023",
                                "16/03/0999", "16-03-2023"}) {
    auto grid = kGrid;
    grid[1] = bad;
    Verify v(b.inst);
    EXPECT_EQ(v.run({1}, UpdateAnswer::Yes, grid), VerifyOutcome::Refused) << bad;
    ASSERT_EQ(v.app->dialogs().size(), 1u) << bad;
    EXPECT_EQ(v.app->dialogs()[0].text, "Data errata");
    EXPECT_EQ(v.printed(), "") << bad;
  }
  EXPECT_EQ(b.f24(), before);

  // Nothing selected: the Part's notice, nothing else.
  Verify none(b.inst);
  EXPECT_EQ(none.run({}, UpdateAnswer::Ask), VerifyOutcome::Refused);
  ASSERT_EQ(none.app->dialogs().size(), 1u);
  EXPECT_EQ(none.app->dialogs()[0].text, "Nessuna ditta selezionata");
}

TEST(Verification, TheQuestionDecidesTheUpdateAndPagesBreakWhereTheListSays) {
  // 57 companies with one undated month each: 56 lines a page without the grid, 48 with it.
  Installation inst;
  for (int c = 1; c <= 57; ++c) {
    inst.builder.putCompany(company(c, {{"T002", "DITTA " + std::to_string(c)}}));
    inst.builder.putF24(F24(c, 2023, 6).date("0").rec);
  }
  inst.builder.close();
  struct Case {
    platform::Answer answer;
    std::size_t perPage;
    std::size_t headerLines;
    char mark;
  };
  for (const Case& c : {Case{platform::Answer::No, 56, 10, 'N'},
                        Case{platform::Answer::Yes, 48, 18, 'A'}}) {
    Verify v(inst);
    v.app->selectAll();
    v.app->app->form.Text1 = kGrid;
    v.app->ui->answers.push_back(c.answer);
    ASSERT_EQ(cmdverifica_Click(*v.app->app, UpdateAnswer::Ask), VerifyOutcome::Done);
    const auto asked = v.app->dialogs();
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back().text,
              "Viene generata una lista di controllo con indicazione delle date di versamento "
              "MODELLO F24 se compilate o mancanti, per ogni ditta selezionata nella lista\r\r"
              "Vuoi aggornare le eventuali date versamento mancanti con le date specificate "
              "nella griglia date?");
    EXPECT_EQ(asked.back().buttons, platform::Buttons::YesNo);
    v.app->app->finishPrinting();

    std::vector<std::vector<std::string>> pages(1);
    std::istringstream text(v.printed());
    for (std::string line; std::getline(text, line);) {
      if (!line.empty() && line[0] == '\f') {
        pages.emplace_back();
        line.erase(0, 1);
      }
      pages.back().push_back(line);
    }
    const std::size_t companies = 57;
    const std::size_t expectedPages = (companies + c.perPage - 1) / c.perPage;
    ASSERT_EQ(pages.size(), expectedPages);
    // Page 1: header, full company lines, the closing dashes before the break.
    ASSERT_EQ(pages[0].size(), c.headerLines + c.perPage + 1);
    EXPECT_EQ(pages[0].back(), d98);
    EXPECT_EQ(pages[1][1].substr(pages[1][1].size() - 8), "Pagina 2");
    const std::size_t onSecond = companies - c.perPage;
    ASSERT_EQ(pages[1].size(), c.headerLines + onSecond + 1);
    EXPECT_EQ(pages[1][c.headerLines].substr(0, 9), "0" + std::to_string(c.perPage + 1) + " DITTA");
    EXPECT_EQ(pages[1][c.headerLines][31 + 27], c.mark);  // June's column
  }
}

// Runs `beforeLock` when the verification takes the semaphore for a date's write.
class SemaphoreHook : public platform::FilesWrapper {
 public:
  SemaphoreHook(platform::Files& target, std::function<void()> hook)
      : FilesWrapper(target), hook_(std::move(hook)) {}
  std::unique_ptr<platform::File> openLocked(std::string_view p) override {
    if (p.ends_with("TRSEMA.DAT") && hook_) hook_();
    return target_.openLocked(p);
  }

 private:
  std::function<void()> hook_;
};

// Another process writes `bytes` at `offset` of the F24 archive, as a payroll program would.
void otherProgramWrites(const std::filesystem::path& file, std::size_t offset,
                        const std::string& bytes) {
#ifdef _WIN32
  // No printf | dd here: a handle of its own, shared as the payroll program's is.
  std::fstream out(file, std::ios::binary | std::ios::in | std::ios::out);
  out.seekp(static_cast<std::streamoff>(offset));
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.flush();
  ASSERT_TRUE(out) << "writing " << file;
  return;
#endif
  const std::string cmd = "printf '" + bytes + "' | dd of='" + file.string() +
                          "' bs=1 seek=" + std::to_string(offset) +
                          " conv=notrunc status=none";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
}

TEST(Verification, APayrollProgramWritingTheSameRecordKeepsItsChange) {
  Bureau b;
  const double feb = b.record.at("001-2023-02");
  const std::size_t start = static_cast<std::size_t>(feb - 1) * kF24Length;
  const auto file = b.inst.archive("KVF24.DAT");
  bool once = false;
  // Between our read of February's record and our write, another field of it changes.
  Verify v(b.inst, [&](platform::Files& host) {
    return std::make_unique<SemaphoreHook>(host, [&] {
      if (once) return;
      once = true;
      otherProgramWrites(file, start + 500, "ZZZZ");
    });
  });
  ASSERT_EQ(v.run({1}, UpdateAnswer::Yes, kGrid), VerifyOutcome::Done) << v.app->transcript();
  const std::string after = b.f24();
  EXPECT_EQ(after.substr(start + 500, 4), "ZZZZ");
  EXPECT_EQ(after.substr(start + kDatePos, 8), "16032023");

  // The other program fills the date itself meanwhile: ours is not written over it, and the
  // command stops naming the company and the month.
  Bureau c;
  const double mar = c.record.at("001-2023-03");
  const std::size_t marStart = static_cast<std::size_t>(mar - 1) * kF24Length;
  const std::size_t febStart = static_cast<std::size_t>(c.record.at("001-2023-02") - 1) * kF24Length;
  int locks = 0;
  Verify w(c.inst, [&](platform::Files& host) {
    return std::make_unique<SemaphoreHook>(host, [&] {
      if (++locks == 2) otherProgramWrites(c.inst.archive("KVF24.DAT"), marStart + kDatePos, "01042023");
    });
  });
  ASSERT_EQ(w.run({1}, UpdateAnswer::Yes, kGrid), VerifyOutcome::Failed);
  const std::string text = w.app->transcript();
  EXPECT_NE(text.find("001 ALFA SRL"), std::string::npos) << text;
  EXPECT_NE(text.find("mese 03/2023"), std::string::npos) << text;
  const std::string now = c.f24();
  EXPECT_EQ(now.substr(marStart + kDatePos, 8), "01042023");
  EXPECT_EQ(now.substr(febStart + kDatePos, 8), "16032023");  // written before the stop, whole
}

TEST(Verification, IndexDamageStopsBeforeAnythingMoreIsWritten) {
  Bureau b;
  // 001's June entry leads past the end of the archive; its earlier months come first.
  b.inst.builder.indexF24At(1, 2023, 6, 5000);
  b.inst.builder.close();
  const std::string before = b.f24();
  Verify v(b.inst);
  ASSERT_EQ(v.run({1, 2, 4}, UpdateAnswer::Yes, kGrid), VerifyOutcome::Failed);
  const auto dialogs = v.app->dialogs();
  ASSERT_GE(dialogs.size(), 2u) << v.app->transcript();
  EXPECT_EQ(dialogs[0].text, "NON ESISTE F24 CON K 001202306 - FARE RIPRISTINO ISAM F24 -");
  // February and March (before June) were written whole; nothing after the stop.
  std::string want = before;
  for (const char* key : {"001-2023-02", "001-2023-03"})
    want.replace(static_cast<std::size_t>(b.record.at(key) - 1) * kF24Length + kDatePos, 8,
                 std::string(key) == "001-2023-02" ? "16032023" : "17042023");
  EXPECT_EQ(b.f24(), want);
  // The list keeps what was printed: the header, no line of the company that stopped.
  EXPECT_EQ(v.printed().rfind(header(1), 0), 0u);
  EXPECT_EQ(v.printed().find("001 ALFA"), std::string::npos);
  EXPECT_TRUE(b.inst.leftovers().empty());
}

TEST(Verification, PrinterFailuresAreTrappedWithTheListsMessages) {
  {
    // No printer: the first header line fails, before any date is written.
    Bureau b;
    const std::string before = b.f24();
    LoadedApp a(b.inst);
    a.select({1});
    a.app->form.Text1 = kGrid;
    EXPECT_EQ(cmdverifica_Click(*a.app, UpdateAnswer::Yes), VerifyOutcome::Failed);
    ASSERT_EQ(a.dialogs().size(), 1u) << a.transcript();
    EXPECT_EQ(a.dialogs()[0].text,
              "Errore N.484\rNessuna stampante installata non e' possibile proseguire");
    EXPECT_EQ(a.dialogs()[0].title, "Attenzione !!!");
    EXPECT_EQ(a.dialogs()[0].icon, platform::Icon::Critical);
    EXPECT_EQ(b.f24(), before);
    EXPECT_FALSE(a.app->form.anySelected());
  }
  {
    // The printer fails on BETA's line (header 18 lines + ALFA's): ALFA's dates stay written,
    // the pages printed so far are kept, the form and pointer are restored.
    Bureau b;
    auto p = std::make_unique<StringPrinters>(20);
    StringPrinters* printers = p.get();
    LoadedApp a(b.inst, {}, std::move(p));
    a.select({1, 2});
    a.app->form.Text1 = kGrid;
    EXPECT_EQ(cmdverifica_Click(*a.app, UpdateAnswer::Yes), VerifyOutcome::Failed);
    a.app->finishPrinting();
    ASSERT_EQ(a.dialogs().size(), 1u) << a.transcript();
    EXPECT_EQ(a.dialogs()[0].text,
              "Errore N.57\rDevice I/O error: stampante di prova\r\rNon e' possibile proseguire");
    EXPECT_EQ(a.dialogs()[0].title, a.app->form.caption);
    EXPECT_NE(printers->text().find("001 ALFA SRL"), std::string::npos);
    EXPECT_EQ(b.f24().substr(static_cast<std::size_t>(b.record.at("001-2023-02") - 1) * kF24Length +
                                 kDatePos, 8),
              "16032023");
    EXPECT_FALSE(a.ui->busy_);
    EXPECT_FALSE(a.app->form.anySelected());
  }
}

}  // namespace
}  // namespace zr::testbed
