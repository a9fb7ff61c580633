// Start-up on installations built on disk: where the configuration comes from, the task file's
// round trip, the F24 databases at the load and the previous-instance test.
#include "shell/startup.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "shell/installationlock.h"
#include "shell_fixture.h"
#include "support/hook_files.h"
#include "support/tree.h"

namespace zr::testing {
namespace {

namespace fs = std::filesystem;
using platform::Icon;

std::string registryIni(const std::string& archives, const std::string& programs) {
  return "[SOFTWARE\\VERANTIDATA\\KORVANTE]\nPERCORSOARCHIVI=" + archives +
         "\nPERCORSOPROGRAMMI=" + programs + "\n";
}

void expectFolders(const App& app, const std::string& archives, const std::string& programs) {
  EXPECT_EQ(app.config.PERCORSOARCHIVI, archives);
  EXPECT_EQ(app.config.PERCORSOPROGRAMMI, programs);
}

TEST_F(ShellTest, RegistryIsTakenWholeOrNotAtAll) {
  demo::SkeletonOptions o;
  o.taskLine = "7 ";
  build(o, {company(1, "ALFA SRL")});
  fs::create_directories(host("C:\\ALTRO\\ARCHIVI"));
  fs::create_directories(host("C:\\ALTRO\\PROGRAMMI"));

  const std::string halves[][2] = {
      {"C:\\NONESISTE", "C:\\ALTRO\\PROGRAMMI"},
      {"C:\\ALTRO\\ARCHIVI", "C:\\NONESISTE"},
      {"C:\\ALTRO\\ARCHIVI", ""},
      {"", "C:\\ALTRO\\PROGRAMMI"},
  };
  for (const auto& h : halves) {
    SCOPED_TRACE(h[0] + " | " + h[1]);
    writeHostFile(registryPath(), registryIni(h[0], h[1]));
    auto app = makeApp();
    RIZ770_Load(*app);
    // Both folders come from the path files, and the task code is read after them.
    expectFolders(*app, "C:\\KORVANTE\\ARCHIVI", "C:\\KORVANTE\\PROGRAMMI");
    EXPECT_EQ(app->config.CODICETASK, "7");
    EXPECT_EQ(app->form.List1.size(), 1u);
  }

  // Both named and existing: the registry wins, and the path files are not even read.
  writeHostFile(registryPath(), registryIni("C:\\ALTRO\\ARCHIVI", "C:\\ALTRO\\PROGRAMMI"));
  testing::copyFolder(host("C:\\KORVANTE\\ARCHIVI"), host("C:\\ALTRO\\ARCHIVI"));
  for (const char* pathFile : {"C:\\RORIZIDO\\TRPERARK.TRP", "C:\\RORIZIDO\\TRPERPRO.TRP"})
    ASSERT_TRUE(fs::remove(host(pathFile)));
  auto app = makeApp();
  RIZ770_Load(*app);
  expectFolders(*app, "C:\\ALTRO\\ARCHIVI", "C:\\ALTRO\\PROGRAMMI");
  EXPECT_EQ(app->config.CODICETASK, "7");
  EXPECT_EQ(app->form.List1, std::vector<std::string>{"001 ALFA SRL                      "});
  // The load ends with the reminder, and only with it.
  expectOnlyDialog(
      "Si ricorda all' Utente che prima dell'esportazione dei dati e' possibile con questo "
      "programma verificare/aggiornare le date di versamento del modello F24, questo evita di "
      "aggiornare manualmente nel programma 770 tutti i righi generati per quadri ST e SV",
      kCaption, Icon::Information);
}

TEST_F(ShellTest, ARegistryFolderWindowsCouldNotNameCountsAsAbsent) {
  demo::SkeletonOptions o;
  o.taskLine = "7 ";
  build(o, {company(1, "ALFA SRL")});
  // Every folder exists on the host, a full copy of the installation's, so only the name can
  // keep the registry from winning.
  for (const char* folder : {"C:\\ALTRO\\ARCHIVI", "C:\\ALTRO|X\\ARCHIVI", "C:\\ALTRO:X\\ARCHIVI",
                             "C:\\ALTRO\\PROGRAMMI", "C:\\ALTRO\\PROG\x1bRAMMI"}) {
    const bool archives = std::string_view(folder).find("ARCHIVI") != std::string_view::npos;
    std::error_code refused;
    fs::create_directories(host(folder), refused);
#ifdef _WIN32
    if (refused) continue;  // Windows itself refuses the name: no such folder can exist there
#endif
    ASSERT_FALSE(refused) << folder << ": " << refused.message();
    testing::copyFolder(host(archives ? "C:\\KORVANTE\\ARCHIVI" : "C:\\KORVANTE\\PROGRAMMI"),
                        host(folder));
  }
  const std::string refused[][2] = {
      {"C:\\ALTRO|X\\ARCHIVI", "C:\\ALTRO\\PROGRAMMI"},
      {"C:\\ALTRO:X\\ARCHIVI", "C:\\ALTRO\\PROGRAMMI"},
      {"C:\\ALTRO\\ARCHIVI", "C:\\ALTRO\\PROG\x1bRAMMI"},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r[0] + " | " + r[1]);
    writeHostFile(registryPath(), registryIni(r[0], r[1]));
    auto app = makeApp();
    RIZ770_Load(*app);
    // Absent, as a failed read is: the path files decide, without a word about the registry.
    expectFolders(*app, "C:\\KORVANTE\\ARCHIVI", "C:\\KORVANTE\\PROGRAMMI");
    EXPECT_EQ(app->config.CODICETASK, "7");
    EXPECT_EQ(app->form.List1.size(), 1u);
    EXPECT_EQ(ui->dialogs().size(), 1u) << "only the load's reminder";
  }
  // The same installation under names Windows accepts: the registry wins.
  writeHostFile(registryPath(), registryIni("C:\\ALTRO\\ARCHIVI", "C:\\ALTRO\\PROGRAMMI"));
  auto app = makeApp();
  RIZ770_Load(*app);
  expectFolders(*app, "C:\\ALTRO\\ARCHIVI", "C:\\ALTRO\\PROGRAMMI");
}

TEST_F(ShellTest, PathFilesDecideWithoutRegistry) {
  demo::SkeletonOptions o;
  o.registry = false;
  o.taskLine = "42";
  build(o, {company(1, "ALFA SRL"), company(2, "BETA SPA")});
  const fs::path ark = host("C:\\RORIZIDO\\TRPERARK.TRP"), pro = host("C:\\RORIZIDO\\TRPERPRO.TRP");
  const std::string noRegistry = root + "/no-such-registry.ini";

  // Blanks around the first line are trimmed; later lines are ignored.
  writeHostFile(ark, "   C:\\KORVANTE\\ARCHIVI   \r\nC:\\ALTRO\r\n");
  writeHostFile(pro, " C:\\KORVANTE\\PROGRAMMI\n");
  const std::string arkText = readHostFile(ark), proText = readHostFile(pro);
  auto good = makeApp(noRegistry);
  RIZ770_Load(*good);
  expectFolders(*good, "C:\\KORVANTE\\ARCHIVI", "C:\\KORVANTE\\PROGRAMMI");
  EXPECT_EQ(good->form.List1.size(), 2u);
  good.reset();

  const std::string taskBefore = taskFile();
  const std::pair<const char*, std::function<void()>> breakages[] = {
      {"archives path file missing", [&] { fs::remove(ark); }},
      {"programs path file missing", [&] { fs::remove(pro); }},
      {"archives path file blank", [&] { writeHostFile(ark, "     \r\n"); }},
      {"programs path file empty", [&] { writeHostFile(pro, ""); }},
  };
  fs::remove_all(host("C:\\KORVANTE\\ARCHIVI\\SF242007.MDB"));
  for (const auto& [what, breakIt] : breakages) {
    SCOPED_TRACE(what);
    writeHostFile(ark, arkText);
    writeHostFile(pro, proText);
    breakIt();
    auto app = makeApp(noRegistry);
    EXPECT_EQ(endStatus([&] { RIZ770_Load(*app); }), 3);
    expectOnlyDialog(
        "ERRORE DI CONFIGURAZIONE! CONTROLLARE I PERCORSI DI Korvante CON IL PROGRAMMA "
        "KVPERCORSO",
        "Korvante", Icon::Critical);
    EXPECT_TRUE(app->config.PERCORSOARCHIVI.empty());
    // No file written: the task file is as it was and no yearly database was made.
    EXPECT_EQ(taskFile(), taskBefore);
    EXPECT_FALSE(fs::exists(host("C:\\KORVANTE\\ARCHIVI\\SF242007.MDB")));
  }
}

TEST_F(ShellTest, TaskCodeRoundTripThroughTheExit) {
  const std::pair<std::optional<std::string>, std::string> cases[] = {
      {"7 ", "7"}, {"123 TASK", "12"}, {" 9", "9"}, {"", ""}, {std::nullopt, ""},
  };
  build({company(1, "ALFA SRL")});
  for (const auto& [firstLine, code] : cases) {
    SCOPED_TRACE(firstLine.value_or("(no task file)"));
    if (firstLine)
      writeHostFile(taskPath(), *firstLine + "\r\nSECONDA\r\n");
    else
      fs::remove(taskPath());

    auto app = makeApp();
    RIZ770_Load(*app);
    EXPECT_EQ(app->config.CODICETASK, code);
    EXPECT_EQ(endStatus([&] { FINETASK(*app); }), 0);
    if (!firstLine) {
      EXPECT_FALSE(fs::exists(taskPath()));
      continue;
    }
    EXPECT_EQ(taskFile(), endedTask(code));
    // Nothing but the task file is left in its folder.
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(taskPath().parent_path()))
      ++entries;
    EXPECT_EQ(entries, 1);
  }
}

TEST_F(ShellTest, TaskFileTemporariesACrashLeftAreClearedByTheNextWritingStart) {
  build({company(1, "ALFA SRL")});
  writeHostFile(taskPath(), "07\r\n");
  const fs::path folder = taskPath().parent_path();
  // A process killed between creating its temporary and renaming it leaves this; the rest is
  // not this program's.
  const char* left[] = {"ZAVUVOD.INI.zr770-4242-0a1b2c.tmp", "ZAVUVOD.INI.zr770-17-ff.tmp"};
  const char* kept[] = {"ZAVUVOD.INI.bak", "ALTRO.INI.zr770-4242-0a1b2c.tmp",
                        "ZAVUVOD.INI.zr770-x-ab.tmp", "ZAVUVOD.INI.zr770-4242-0a1b2c.dat"};
  for (const char* name : left) writeHostFile(folder / name, "07    ");
  for (const char* name : kept) writeHostFile(folder / name, "KEEP");
  {
    auto app = makeApp();
    RIZ770_Load(*app);
    const WritingSession s = beginWriting(*app, {"NON ESEGUITA", ""}, "");
    EXPECT_EQ(s.start, WritingStart::Held);
    for (const char* name : left) EXPECT_FALSE(fs::exists(folder / name)) << name;
    for (const char* name : kept) EXPECT_EQ(readHostFile(folder / name), "KEEP") << name;
    EXPECT_EQ(taskFile(), "07\r\n");
  }
  for (const char* name : kept) fs::remove(folder / name);

  // A rewrite whose temporary another process's start clears just before the rename (as a
  // leftover) writes it again: the exit still leaves the task file, and nothing beside it.
  auto hostFiles = platform::makeHostFiles(root);
  int cleared = 0;
  auto app = makeApp({}, std::make_unique<HookFiles>(
                             *hostFiles,
                             [&](Step s, std::string_view) {
                               if (s == Step::Rename && cleared++ == 0)
                                 removeTaskFileTemporaries(*hostFiles);
                             },
                             HookFiles::Hook{}));
  RIZ770_Load(*app);
  EXPECT_EQ(endStatus([&] { FINETASK(*app); }), 0);
  EXPECT_GE(cleared, 2);
  EXPECT_EQ(taskFile(), endedTask("07"));
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST_F(ShellTest, LoadCreatesExactlyTheMissingYearlyDatabases) {
  demo::SkeletonOptions o;
  o.f24Years = {2023, 2030};
  o.releaseValue = 7;  // the existing ones differ from the template
  build(o, {company(1, "ALFA SRL")});
  auto mdb = [&](const std::string& year) {
    return host("C:\\KORVANTE\\ARCHIVI\\SF24" + year + ".MDB");
  };
  const std::string templ = readHostFile(mdb("XXXX")), y2023 = readHostFile(mdb("2023")),
                    y2030 = readHostFile(mdb("2030"));
  ASSERT_FALSE(templ.empty());
  ASSERT_NE(y2023, templ);

  auto app = makeApp();
  RIZ770_Load(*app);
  for (int year = 2007; year <= 2030; ++year) {
    SCOPED_TRACE(year);
    const fs::path p = mdb(std::to_string(year));
    ASSERT_TRUE(fs::exists(p));
    EXPECT_EQ(readHostFile(p), year == 2023 ? y2023 : year == 2030 ? y2030 : templ);
  }
  EXPECT_FALSE(fs::exists(mdb("2006")));
  EXPECT_FALSE(fs::exists(mdb("2031")));
}

TEST_F(ShellTest, MissingF24TemplateEndsTheLoadThroughTheExit) {
  demo::SkeletonOptions o;
  o.f24Template = false;
  o.taskLine = "05 ALTRO";
  build(o, {company(1, "ALFA SRL")});

  auto app = makeApp();
  EXPECT_EQ(endStatus([&] { RIZ770_Load(*app); }), 0);
  const auto dialogs = ui->dialogs();
  ASSERT_EQ(dialogs.size(), 1u);  // the template's message; no reminder after it
  EXPECT_EQ(dialogs[0].text, "Non esiste file F24ENTI... contattare VerantiData Daduzor");
  EXPECT_TRUE(app->form.List1.empty());
  EXPECT_EQ(taskFile(), endedTask("05"));
  EXPECT_FALSE(fs::exists(host("C:\\KORVANTE\\ARCHIVI\\SF242007.MDB")));
}

TEST_F(ShellTest, SecondInstanceOnTheSameInstallationIsRefused) {
  build({company(1, "ALFA SRL")});
  auto first = makeApp();
  RIZ770_Load(*first);
  ASSERT_TRUE(first->instanceLock);

  auto second = makeApp();
  EXPECT_THROW(RIZ770_Load(*second), AnotherInstance);
  EXPECT_TRUE(ui->dialogs().empty());  // silently
  EXPECT_TRUE(second->config.PERCORSOARCHIVI.empty());
  EXPECT_TRUE(second->form.List1.empty());

  // Another installation is another program's business.
  {
    TempDir elsewhere;
    const std::string saved = root;
    root = elsewhere.str();
    build({company(1, "ALFA SRL")});
    auto other = makeApp();
    EXPECT_NO_THROW(RIZ770_Load(*other));
    root = saved;
  }
  // Once the first has gone, the installation is free again.
  second.reset();
  first.reset();
  auto third = makeApp();
  EXPECT_NO_THROW(RIZ770_Load(*third));
}

}  // namespace
}  // namespace zr::testing
