#include "shell/startup.h"

#include <initializer_list>
#include <optional>
#include <string>

#include "archive/installation.h"
#include "platform/text.h"
#include "shell/app.h"
#include "shell/companylist.h"
#include "shell/registry.h"

namespace zr {
namespace {

constexpr int kFormWidth = 15100, kFormHeight = 10100;
constexpr int kFrameWidth = 6795, kFrameHeight = 3060;
constexpr std::string_view kEmptyDate = "00/00/0000";

std::string concat(std::initializer_list<std::string_view> parts) {
  std::string s;
  for (auto p : parts) s += p;
  return s;
}

// The previous-instance test; the lock, once taken, is kept for the App's life.
void previousInstanceTest(App& app) {
  if (app.instanceLock) return;
  app.instanceLock = app.files().acquireInstanceLock(app.config.projectExe);
  if (!app.instanceLock) throw AnotherInstance{};
}

// `detail`, when given, says which path file is wrong and why, on a line of its own.
[[noreturn]] void configurationError(App& app, std::string_view detail = {}) {
  std::string text(kConfigurationError);
  if (!detail.empty()) text += concat({"\r\n", detail});
  app.ui().message(text, kConfigurationErrorTitle, platform::Icon::Critical);
  throw ProgramEnd{3};
}

// The task file's first line ("" for an empty file); nothing when the file is missing.
// Only a file that is not there is absent: one that cannot be read now is an error, never a
// run without the task code (other archives, and the launcher's code lost at the exit).
std::optional<std::string> readTaskLine(platform::Files& files) {
  std::vector<std::string> lines;
  try {
    lines = files.readLines(inst::kTaskFile);
  } catch (const RuntimeError& e) {
    if (e.number() == 53 || e.number() == 76) return std::nullopt;
    throw;
  }
  return lines.empty() ? std::string{} : lines.front();
}

// The first line of a path file, trimmed; "" for an empty file.
std::string pathFileValue(platform::Files& files, std::string_view path) {
  auto lines = files.readLines(path);
  return lines.empty() ? std::string{} : platform::trimmed(lines.front());
}

// A folder the path file names, refused when Windows could not name it: the host would
// otherwise make files there that the payroll procedure never sees.
std::string pathFileFolder(App& app, std::string_view pathFile) {
  std::string value = pathFileValue(app.files(), pathFile);
  if (value.empty()) configurationError(app);
  if (!platform::isSafeSystemPath(value)) {
    configurationError(app,
                       concat({pathFile, ": PERCORSO NON VALIDO \"", platform::shownName(value),
                               "\" (CARATTERI NON AMMESSI IN UN NOME)"}));
  }
  return value;
}

void take(Config& config, std::string archives, std::string programs,
          std::optional<std::string> taskLine) {
  config.PERCORSOARCHIVI = std::move(archives);
  config.PERCORSOPROGRAMMI = std::move(programs);
  config.taskFileRead = taskLine.has_value();
  config.taskFileLine = std::move(taskLine).value_or(std::string{});
  config.CODICETASK = taskCodeOf(config.taskFileLine);
}

void fromRegistry(App& app) {
  app.lib.TRACCIAOPERAZIONE("CARICAINST");
  previousInstanceTest(app);
  std::string programs =
      readRegistryFolder(app.settings(), inst::kRegistryKey, inst::kRegistryPrograms);
  std::string archives =
      readRegistryFolder(app.settings(), inst::kRegistryKey, inst::kRegistryArchives);
  // Both folders or neither: a route that gives only one leaves the path files to decide.
  if (archives.empty() || !app.files().isDirectory(archives)) return;
  if (programs.empty() || !app.files().isDirectory(programs)) return;
  std::optional<std::string> taskLine = readTaskLine(app.files());
  take(app.config, std::move(archives), std::move(programs), std::move(taskLine));
}

void fromPathFiles(App& app) {
  previousInstanceTest(app);
  auto& files = app.files();
  if (!files.exists(inst::kArchivesPathFile)) configurationError(app);
  if (!files.exists(inst::kProgramsPathFile)) configurationError(app);
  std::string archives = pathFileFolder(app, inst::kArchivesPathFile);
  std::string programs = pathFileFolder(app, inst::kProgramsPathFile);
  std::optional<std::string> taskLine = readTaskLine(files);
  take(app.config, std::move(archives), std::move(programs), std::move(taskLine));
}

void layOut(MainForm& form) {
  form.width = kFormWidth;
  form.height = kFormHeight;
  form.left = (form.screenWidth - form.width) / 2;
  form.top = (form.screenHeight - form.height) / 2;
}

void setCaptions(MainForm& form) {
  form.cmdAvvioCaption = concat({"Esportazione dati per 770/", ANNO770});
  form.caption = formCaption();
  form.labels["Label1"] = concat(
      {"Esportazione dati da korvante a 770/", ANNO770,
       " . Il programma non richiede l'estrazione ma lavora direttamente su tutte le aziende "
       "selezionate e archivi dipendente, C.U. e F24  anno ",
       ANNORIFERIMENTO,
       ". E' consigliato, se la procedura e' in rete di lanciare l'acquisizione dei dati da una "
       "unica postazione Client."});
  form.labels["Label8"] = concat({"Anno ", ANNO770});
  form.labels["Label10"] = concat({"Anno ", ANNORIFERIMENTO});
  form.labels["Label3"] =
      concat({"Selezionare le aziende che si desidera esportare per il Mod.770/", ANNO770,
              " con un click del mouse"});
}

void placeList(MainForm& form) {
  form.list2Visible = false;
  form.Check1 = 1;
  form.Check3 = 1;
  form.list1Left = 60;
  form.list1Top = 1950;
  form.list1Height = 3400;
  form.list1Width = form.label3Width;
}

void resetGridAndFrame(MainForm& form) {
  form.CASELLADATA = 0;
  form.Check2 = 0;
  form.Check2Caption = "Seleziona tutte le aziende";
  form.Text1.fill(std::string(kEmptyDate));
  form.frameCaption.clear();
  form.frameVisible = false;
  form.frameWidth = kFrameWidth;
  form.frameHeight = kFrameHeight;
  form.frameLeft = (form.width - kFrameWidth) / 2;
  form.frameTop = (form.height - kFrameHeight) / 2;
  form.labelVisible["LabelDESC"] = false;
}

}  // namespace

std::string taskCodeOf(std::string_view firstLine) {
  return platform::trimmed(firstLine.substr(0, 2));
}

std::string formCaption() {
  return concat(
      {"Esportazione dati per 770/", ANNO770, " - Anno di riferimento ", ANNORIFERIMENTO});
}

std::string reminderText() {
  return "Si ricorda all' Utente che prima dell'esportazione dei dati e' possibile con questo "
         "programma verificare/aggiornare le date di versamento del modello F24, questo evita "
         "di aggiornare manualmente nel programma 770 tutti i righi generati per quadri ST e SV";
}

void CARICAINST(App& app, InstSource source) {
  app.lib.guarded([&] {
    if (source == InstSource::Registry)
      fromRegistry(app);
    else
      fromPathFiles(app);
  });
}

void RIZ770_Load(App& app) {
  app.config.projectExe = std::string(kProjectName);
  app.config.projectVbp = std::string(kProjectName);
  CARICAINST(app, InstSource::Registry);
  if (app.config.PERCORSOARCHIVI.empty()) CARICAINST(app, InstSource::PathFiles);

  MainForm& form = app.form;
  layOut(form);
  setCaptions(form);
  if (!app.f24.PREPARAF24()) FINETASK(app);
  placeList(form);
  caricalistaziende(app);
  resetGridAndFrame(form);
  app.ui().message(reminderText(), form.caption, platform::Icon::Information);
}

namespace {

constexpr int kTaskRewriteAttempts = 3;

// The task file rewritten through a temporary beside it, so it is never left half-written.
void rewriteTaskFile(App& app) {
  auto& files = app.files();
  // A file the load did not see (absent then, or not readable at that moment) holds a code
  // this run never had: writing ours over it would lose it.
  if (!app.config.taskFileRead || !files.exists(inst::kTaskFile)) return;
  std::string line = app.config.CODICETASK.substr(0, inst::kTaskLineLength);
  line.resize(inst::kTaskLineLength, ' ');
  line += "\r\n";
  std::string temporary;
  try {
    for (int attempt = 1;; ++attempt) {
      auto made = platform::createTemporary(files, inst::kTaskFile);
      temporary = made.path;
      made.file->writeAt(0, line);
      made.file->sync();
      made.file.reset();
      try {
        files.rename(temporary, inst::kTaskFile);
        return;
      } catch (const RuntimeError& e) {
        // Another process's start removed the temporary as a crash's leftover: write it again.
        if (e.number() != 53 || attempt == kTaskRewriteAttempts || files.exists(temporary)) throw;
      }
    }
  } catch (...) {
    try {
      if (!temporary.empty() && files.exists(temporary)) files.remove(temporary);
    } catch (...) {
      // The failure being reported matters more than the leftover temporary.
    }
    throw;
  }
}

}  // namespace

std::size_t removeTaskFileTemporaries(platform::Files& files) {
  const std::string folder(inst::kTaskFolder);
  if (!files.isDirectory(folder)) return 0;
  const std::string task = std::string(inst::kTaskFile).substr(folder.size() + 1);
  std::size_t removed = 0;
  for (const std::string& name : files.list(folder)) {
    if (name.size() <= task.size() || !name.starts_with(task) || name[task.size()] != '.' ||
        !platform::isTemporaryName(name))
      continue;
    try {
      files.remove(folder + "\\" + name);
      ++removed;
    } catch (const RuntimeError& e) {
      if (e.number() != 53) throw;  // renamed into place meanwhile by the program that made it
    }
  }
  return removed;
}

void FINETASK(App& app) {
  app.lib.guarded([&] { rewriteTaskFile(app); });
  app.lib.CHIUDIFILE(0);
  throw ProgramEnd{0};
}

std::string infoProgettoText(const Config& config) {
  auto upperTrim = [](std::string_view s) {
    std::string t = platform::trimmed(s);
    for (char& c : t)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return t;
  };
  return "Programma korvante\r\rNome EXE : " + upperTrim(config.projectExe) +
         ".EXE\rNome VBP : " + upperTrim(config.projectVbp) + ".VBP\r";
}

void INFOPROGETTO(App& app) {
  app.ui().message(infoProgettoText(app.config), "Informazioni Progetto korvante",
                   platform::Icon::Information);
}

}  // namespace zr
