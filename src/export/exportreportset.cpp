#include "export/exportreportset.h"

#include "platform/errors.h"
#include "shell/app.h"
#include "shell/commitrecord.h"
#include "shell/installationlock.h"
#include "shell/runfailure.h"

namespace zr {

namespace {

const std::string kHeading = "RIEPILOGO DEI FILE DI ESPORTAZIONE NON ESEGUITO";

}  // namespace

ReportOutcome reportOfInstalledSet(App& app, const std::string& against,
                                   report::ExportReport& out) {
  const std::string& archives = app.config.PERCORSOARCHIVI;
  const auto critical = [&](const std::string& text) {
    app.ui().message(kHeading + "\r\r" + text, app.form.caption, platform::Icon::Critical);
  };
  std::unique_ptr<platform::File> lock;
  try {
    lock = takeInstallationLock(app);
  } catch (const RuntimeError& e) {
    critical("Blocco degli archivi " + archives + ": " + runtimeCause(e));
    return ReportOutcome::Failed;
  }
  if (!lock) {
    critical(installationBusyText(archives));
    return ReportOutcome::Refused;
  }
  report::ExportReport r;
  r.fromRun = false;
  std::string reading = archives;
  try {
    // A set still to complete is neither the old one nor the new: the next export settles it.
    if (app.files().exists(commitRecordPath(archives))) {
      critical("Un'esportazione interrotta ha lasciato la registrazione " +
               commitRecordPath(archives) +
               ": i file saranno ricomposti al prossimo avvio dell'esportazione.");
      return ReportOutcome::Refused;
    }
    r.current = report::readSet(app.files(), archives);
    if (!against.empty()) {
      reading = against;
      if (!app.files().isDirectory(against)) {
        critical("La cartella " + against + " da confrontare non esiste.");
        return ReportOutcome::Failed;
      }
      r.previous = report::readSet(app.files(), against);
    }
  } catch (const RuntimeError& e) {
    critical("Lettura dei file di esportazione in " + reading + ": " + runtimeCause(e));
    return ReportOutcome::Failed;
  }
  try {
    report::completeReport(r, app.files());
  } catch (const RuntimeError& e) {
    critical("Lettura dei file di esportazione in " + archives +
             (against.empty() ? std::string() : " e " + against) + ": " + runtimeCause(e));
    return ReportOutcome::Failed;
  }
  out = std::move(r);
  return ReportOutcome::Done;
}

}  // namespace zr
