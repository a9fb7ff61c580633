// Start-up on installations built on disk: where the configuration comes from, the task file's
// round trip, the F24 databases at the load, the previous-instance test and the form's texts.
#include "shell/startup.h"

#include <gtest/gtest.h>

#include "shell/companylist.h"
#include "shell/registry.h"
#include "shell_fixture.h"

namespace zr::testing {
namespace {

namespace fs = std::filesystem;
using platform::Icon;

const std::string kCaption = "Esportazione dati per 770/2024 - Anno di riferimento 2023";

std::string registryIni(const std::string& archives, const std::string& programs) {
  return "[SOFTWARE\\VERANTIDATA\\KORVANTE]\nPERCORSOARCHIVI=" + archives +
         "\nPERCORSOPROGRAMMI=" + programs + "\n";
}

// Loads and expects the program to end; returns the status it ended with.
int loadEnds(App& app) {
  try {
    RIZ770_Load(app);
  } catch (const ProgramEnd& end) {
    return end.status;
  }
  ADD_FAILURE() << "the load did not end the program";
  return -1;
}

TEST_F(ShellTest, RegistryNamingExistingFoldersIsTakenWithoutPathFiles) {
  demo::SkeletonOptions o;
  o.pathFiles = false;  // would be a configuration error if the path files were consulted
  build(o, {company(1, "ALFA SRL")});

  auto app = makeApp();
  RIZ770_Load(*app);
  EXPECT_EQ(app->config.PERCORSOARCHIVI, "C:\\KORVANTE\\ARCHIVI");
  EXPECT_EQ(app->config.PERCORSOPROGRAMMI, "C:\\KORVANTE\\PROGRAMMI");
  EXPECT_EQ(app->config.CODICETASK, "01");
  EXPECT_TRUE(app->instanceLock);
  ASSERT_EQ(app->form.List1.size(), 1u);
  EXPECT_EQ(app->form.List1[0], "001 ALFA SRL                      ");

  // The load ends with the reminder, and only with it.
  auto dialogs = ui->dialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].text,
            "Si ricorda all' Utente che prima dell'esportazione dei dati e' possibile con questo "
            "programma verificare/aggiornare le date di versamento del modello F24, questo evita "
            "di aggiornare manualmente nel programma 770 tutti i righi generati per quadri ST e "
            "SV");
  EXPECT_EQ(dialogs[0].title, kCaption);
  EXPECT_EQ(dialogs[0].icon, Icon::Information);
}

TEST_F(ShellTest, LoadLaysOutTheFormWithItsTexts) {
  build({company(1, "ALFA SRL")});
  auto app = makeApp();
  app->form.Check1 = 0;
  app->form.Text1[4] = "01/02/2024";
  app->form.CASELLADATA = 7;
  RIZ770_Load(*app);
  const MainForm& f = app->form;

  EXPECT_EQ(f.caption, kCaption);
  EXPECT_EQ(f.cmdAvvioCaption, "Esportazione dati per 770/2024");
  EXPECT_EQ(f.labels.at("Label1"),
            "Esportazione dati da korvante a 770/2024 . Il programma non richiede l'estrazione "
            "ma lavora direttamente su tutte le aziende selezionate e archivi dipendente, C.U. "
            "e F24  anno 2023. E' consigliato, se la procedura e' in rete di lanciare "
            "l'acquisizione dei dati da una unica postazione Client.");
  EXPECT_EQ(f.labels.at("Label3"),
            "Selezionare le aziende che si desidera esportare per il Mod.770/2024 con un click "
            "del mouse");
  EXPECT_EQ(f.labels.at("Label8"), "Anno 2024");
  EXPECT_EQ(f.labels.at("Label10"), "Anno 2023");
  EXPECT_EQ(f.Check2Caption, "Seleziona tutte le aziende");
  EXPECT_EQ(f.Check1, 1);
  EXPECT_EQ(f.Check2, 0);
  EXPECT_EQ(f.Check3, 1);
  EXPECT_EQ(f.CASELLADATA, 0);
  for (const auto& box : f.Text1) EXPECT_EQ(box, "00/00/0000");
  EXPECT_FALSE(f.list2Visible);
  EXPECT_FALSE(f.frameVisible);
  EXPECT_EQ(f.frameCaption, "");
  EXPECT_FALSE(f.labelVisible.at("LabelDESC"));

  // 15100 x 10100 twips centred on a 28800 x 16200 screen; the 6795 x 3060 frame centred in it.
  EXPECT_EQ(f.width, 15100);
  EXPECT_EQ(f.height, 10100);
  EXPECT_EQ(f.left, 6850);
  EXPECT_EQ(f.top, 3050);
  EXPECT_EQ(f.frameWidth, 6795);
  EXPECT_EQ(f.frameHeight, 3060);
  EXPECT_EQ(f.frameLeft, 4152);
  EXPECT_EQ(f.frameTop, 3520);
  EXPECT_EQ(f.list1Left, 60);
  EXPECT_EQ(f.list1Top, 1950);
  EXPECT_EQ(f.list1Height, 3400);
  EXPECT_EQ(f.list1Width, f.label3Width);

  // An odd screen: the integer halves round down.
  auto other = makeApp();
  app.reset();
  other->form.screenWidth = 1025 * 15;
  other->form.screenHeight = 769 * 15;
  RIZ770_Load(*other);
  EXPECT_EQ(other->form.left, 137);  // (15375 - 15100) / 2
  EXPECT_EQ(other->form.top, 717);   // (11535 - 10100) / 2
}

TEST_F(ShellTest, RegistryIsTakenWholeOrNotAtAll) {
  demo::SkeletonOptions o;
  o.taskLine = "7 ";
  build(o, {company(1, "ALFA SRL")});
  fs::create_directories(host("C:\\ALTRO\\ARCHIVI"));
  fs::create_directories(host("C:\\ALTRO\\PROGRAMMI"));
  writeHostFile(host("C:\\ALTRO\\PROGRAMMI\\KV.EXE"), "x");

  struct Case {
    const char* what;
    std::string ini;
  } cases[] = {
      {"archives folder missing", registryIni("C:\\NONESISTE", "C:\\ALTRO\\PROGRAMMI")},
      {"programs folder missing", registryIni("C:\\ALTRO\\ARCHIVI", "C:\\NONESISTE")},
      {"programs value empty", registryIni("C:\\ALTRO\\ARCHIVI", "")},
      {"archives value empty", registryIni("", "C:\\ALTRO\\PROGRAMMI")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    writeHostFile(registryPath(), c.ini);
    auto app = makeApp();
    RIZ770_Load(*app);
    // Both folders come from the path files, and the task code is read after them.
    EXPECT_EQ(app->config.PERCORSOARCHIVI, "C:\\KORVANTE\\ARCHIVI");
    EXPECT_EQ(app->config.PERCORSOPROGRAMMI, "C:\\KORVANTE\\PROGRAMMI");
    EXPECT_EQ(app->config.CODICETASK, "7");
    EXPECT_EQ(app->form.List1.size(), 1u);
  }

  // Both named and existing: the registry wins over the path files.
  writeHostFile(registryPath(), registryIni("C:\\ALTRO\\ARCHIVI", "C:\\ALTRO\\PROGRAMMI"));
  fs::copy(host("C:\\KORVANTE\\ARCHIVI"), host("C:\\ALTRO\\ARCHIVI"),
           fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  auto app = makeApp();
  RIZ770_Load(*app);
  EXPECT_EQ(app->config.PERCORSOARCHIVI, "C:\\ALTRO\\ARCHIVI");
  EXPECT_EQ(app->config.PERCORSOPROGRAMMI, "C:\\ALTRO\\PROGRAMMI");
  EXPECT_EQ(app->config.CODICETASK, "7");
}

TEST_F(ShellTest, PathFilesDecideWithoutRegistryAndAreTrimmed) {
  demo::SkeletonOptions o;
  o.registry = false;
  build(o, {company(1, "ALFA SRL"), company(2, "BETA SPA")});
  writeHostFile(host("C:\\RORIZIDO\\TRPERARK.TRP"), "   C:\\KORVANTE\\ARCHIVI   \r\nC:\\ALTRO\r\n");
  writeHostFile(host("C:\\RORIZIDO\\TRPERPRO.TRP"), " C:\\KORVANTE\\PROGRAMMI\n");

  auto app = makeApp(root + "/no-such-registry.ini");
  RIZ770_Load(*app);
  EXPECT_EQ(app->config.PERCORSOARCHIVI, "C:\\KORVANTE\\ARCHIVI");
  EXPECT_EQ(app->config.PERCORSOPROGRAMMI, "C:\\KORVANTE\\PROGRAMMI");
  EXPECT_EQ(app->form.List1.size(), 2u);
}

TEST_F(ShellTest, BadPathFilesEndTheLoadWithTheConfigurationError) {
  demo::SkeletonOptions o;
  o.registry = false;
  o.taskLine = "42";
  build(o, {company(1, "ALFA SRL")});
  const fs::path ark = host("C:\\RORIZIDO\\TRPERARK.TRP");
  const fs::path pro = host("C:\\RORIZIDO\\TRPERPRO.TRP");
  const std::string arkText = readHostFile(ark), proText = readHostFile(pro);
  const std::string taskBefore = readHostFile(host("C:\\ZAVUVOD\\ZAVUVOD.INI"));

  struct Case {
    const char* what;
    std::function<void()> breakIt;
  } cases[] = {
      {"archives path file missing", [&] { fs::remove(ark); }},
      {"programs path file missing", [&] { fs::remove(pro); }},
      {"archives path file blank", [&] { writeHostFile(ark, "     \r\n"); }},
      {"programs path file empty", [&] { writeHostFile(pro, ""); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    writeHostFile(ark, arkText);
    writeHostFile(pro, proText);
    c.breakIt();
    auto app = makeApp(root + "/no-such-registry.ini");
    EXPECT_EQ(loadEnds(*app), 3);
    auto dialogs = ui->dialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].text,
              "ERRORE DI CONFIGURAZIONE! CONTROLLARE I PERCORSI DI Korvante CON IL PROGRAMMA "
              "KVPERCORSO");
    EXPECT_EQ(dialogs[0].title, "Korvante");
    EXPECT_EQ(dialogs[0].icon, Icon::Critical);
    EXPECT_TRUE(app->config.PERCORSOARCHIVI.empty());
    // No file written: the task file is as it was and no yearly database was made.
    EXPECT_EQ(readHostFile(host("C:\\ZAVUVOD\\ZAVUVOD.INI")), taskBefore);
    EXPECT_FALSE(fs::exists(host("C:\\KORVANTE\\ARCHIVI\\SF242007.MDB")));
  }
}

TEST_F(ShellTest, TaskCodeRoundTripThroughTheExit) {
  struct Case {
    std::optional<std::string> firstLine;
    std::string code;
    std::optional<std::string> after;  // the task file after the exit; none = no file
  } cases[] = {
      {"7 ", "7", "7" + std::string(99, ' ') + "\r\n"},
      {"123 TASK", "12", "12" + std::string(98, ' ') + "\r\n"},
      {"A", "A", "A" + std::string(99, ' ') + "\r\n"},
      {" 9", "9", "9" + std::string(99, ' ') + "\r\n"},
      {"", "", std::string(100, ' ') + "\r\n"},
      {std::nullopt, "", std::nullopt},
  };
  build({company(1, "ALFA SRL")});
  const fs::path task = host("C:\\ZAVUVOD\\ZAVUVOD.INI");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.firstLine.value_or("(no task file)"));
    if (c.firstLine)
      writeHostFile(task, *c.firstLine + "\r\nSECONDA\r\n");
    else
      fs::remove(task);

    auto app = makeApp();
    RIZ770_Load(*app);
    EXPECT_EQ(app->config.CODICETASK, c.code);
    int status = -1;
    try {
      FINETASK(*app);
    } catch (const ProgramEnd& end) {
      status = end.status;
    }
    EXPECT_EQ(status, 0);
    if (c.after) {
      EXPECT_EQ(readHostFile(task), *c.after);
      // Nothing but the task file is left in its folder.
      std::vector<std::string> names;
      for (const auto& e : fs::directory_iterator(task.parent_path()))
        names.push_back(e.path().filename().string());
      EXPECT_EQ(names, std::vector<std::string>{"ZAVUVOD.INI"});
    } else {
      EXPECT_FALSE(fs::exists(task));
    }
  }
}

TEST_F(ShellTest, LoadCreatesExactlyTheMissingYearlyDatabases) {
  demo::SkeletonOptions o;
  o.f24Years = {2023, 2030};
  o.releaseValue = 7;  // the existing ones differ from the template
  build(o, {company(1, "ALFA SRL")});
  const std::string archives = "C:\\KORVANTE\\ARCHIVI\\";
  const std::string templ = readHostFile(host(archives + "SF24XXXX.MDB"));
  const std::string y2023 = readHostFile(host(archives + "SF242023.MDB"));
  const std::string y2030 = readHostFile(host(archives + "SF242030.MDB"));
  ASSERT_FALSE(templ.empty());
  ASSERT_NE(y2023, templ);

  auto app = makeApp();
  RIZ770_Load(*app);
  for (int year = 2007; year <= 2030; ++year) {
    SCOPED_TRACE(year);
    const fs::path p = host(archives + "SF24" + std::to_string(year) + ".MDB");
    ASSERT_TRUE(fs::exists(p));
    if (year == 2023)
      EXPECT_EQ(readHostFile(p), y2023);
    else if (year == 2030)
      EXPECT_EQ(readHostFile(p), y2030);
    else
      EXPECT_EQ(readHostFile(p), templ);
  }
  EXPECT_FALSE(fs::exists(host(archives + "SF242006.MDB")));
  EXPECT_FALSE(fs::exists(host(archives + "SF242031.MDB")));
}

TEST_F(ShellTest, MissingF24TemplateEndsTheLoadThroughTheExit) {
  demo::SkeletonOptions o;
  o.f24Template = false;
  o.taskLine = "05 ALTRO";
  build(o, {company(1, "ALFA SRL")});

  auto app = makeApp();
  EXPECT_EQ(loadEnds(*app), 0);
  auto dialogs = ui->dialogs();
  ASSERT_EQ(dialogs.size(), 1u);  // the template's message; no reminder after it
  EXPECT_EQ(dialogs[0].text, "Non esiste file F24ENTI... contattare VerantiData Daduzor");
  EXPECT_TRUE(app->form.List1.empty());
  EXPECT_EQ(readHostFile(host("C:\\ZAVUVOD\\ZAVUVOD.INI")), "05" + std::string(98, ' ') + "\r\n");
  EXPECT_FALSE(fs::exists(host("C:\\KORVANTE\\ARCHIVI\\SF242007.MDB")));
}

TEST_F(ShellTest, SecondInstanceOnTheSameInstallationIsRefused) {
  build({company(1, "ALFA SRL")});
  auto first = makeApp();
  RIZ770_Load(*first);
  ASSERT_TRUE(first->instanceLock);

  auto second = makeApp();
  try {
    RIZ770_Load(*second);
    ADD_FAILURE() << "the second instance was not refused";
  } catch (const AnotherInstance& e) {
    EXPECT_EQ(e.status, 1);
  }
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

TEST_F(ShellTest, ProjectInformationOnCtrlShiftP) {
  build({company(1, "ALFA SRL")});
  auto app = makeApp();
  RIZ770_Load(*app);
  ui->clear();
  Form_KeyDown(*app, 80, 1);  // shift alone
  Form_KeyDown(*app, 81, 3);  // another key
  EXPECT_TRUE(ui->dialogs().empty());
  Form_KeyDown(*app, 80, 3);
  auto dialogs = ui->dialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].text,
            "Programma korvante\r\rNome EXE : ZORIR77024.EXE\rNome VBP : ZORIR77024.VBP\r");
  EXPECT_EQ(dialogs[0].title, "Informazioni Progetto korvante");
  EXPECT_EQ(dialogs[0].icon, Icon::Information);
}

class ThrowingSettings : public platform::Settings {
 public:
  std::optional<platform::RegistryValue> query(std::string_view, std::string_view) override {
    throw RuntimeError::of(5, "registry unreadable");
  }
};

TEST_F(ShellTest, RegistryValuesReadAsText) {
  writeHostFile(registryPath(),
                "[SOFTWARE\\VERANTIDATA\\KORVANTE]\n"
                "TESTO=C:\\KORVANTE\\ARCHIVI\n"
                "DIECI=dword:0000000a\n"
                "MASSIMO=dword:00007fff\n"
                "MENOUNO=dword:0000ffff\n"
                "ALTO=dword:00018000\n"
                "BINARIO=hex:01,02\n"
                "[ALTRA\\CHIAVE]\n"
                "TESTO=altrove\n");
  auto settings = platform::makeIniSettings(registryPath());
  struct Case {
    std::string_view key, name, expected;
  } cases[] = {
      {kRegistryKey, "TESTO", "C:\\KORVANTE\\ARCHIVI"},
      {kRegistryKey, "DIECI", "10"},
      {kRegistryKey, "MASSIMO", "32767"},
      {kRegistryKey, "MENOUNO", "-1"},   // 16-bit signed
      {kRegistryKey, "ALTO", "-32768"},  // only the low 16 bits
      {kRegistryKey, "BINARIO", ""},     // another type
      {kRegistryKey, "ASSENTE", ""},     // no such value
      {"ALTRA\\CHIAVE", "TESTO", "altrove"},
      {"NESSUNA\\CHIAVE", "TESTO", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.key) + " " + std::string(c.name));
    EXPECT_EQ(LEGGIREGISTRO(*settings, c.key, c.name), c.expected);
  }
  ThrowingSettings broken;
  EXPECT_EQ(LEGGIREGISTRO(broken, kRegistryKey, "TESTO"), "");
  auto absent = platform::makeIniSettings(root + "/none.ini");
  EXPECT_EQ(LEGGIREGISTRO(*absent, kRegistryKey, "TESTO"), "");
}

}  // namespace
}  // namespace zr::testing
