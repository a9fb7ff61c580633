#include "shell/installationlock.h"

#include <chrono>

#include "archive/installation.h"
#include "platform/errors.h"
#include "shell/app.h"
#include "shell/commitrecord.h"
#include "shell/progress.h"
#include "shell/startup.h"

namespace zr {

namespace {
constexpr std::chrono::seconds kPatience{10};
constexpr std::chrono::milliseconds kPause{100};
}  // namespace

std::unique_ptr<platform::File> takeInstallationLock(App& app) {
  const std::string lock = inst::inArchives(app.config.PERCORSOARCHIVI, inst::kInstallationLock);
  const auto until = app.clock().now() + kPatience;
  bool told = false;
  for (;;) {
    try {
      auto held = app.files().openLocked(lock);
      if (told) showLabel(app, "Label2", "");
      return held;
    } catch (const RuntimeError& e) {
      if (e.number() != 70) throw;
    }
    if (app.clock().now() >= until || app.interrupts().requested()) break;
    if (!told) {
      showLabel(app, "Label2", "Attendere prego ...... archivi in uso da un'altra elaborazione");
      told = true;
    }
    app.clock().sleepFor(kPause);
  }
  if (told) showLabel(app, "Label2", "");
  return nullptr;
}

std::string installationBusyText(const std::string& archives) {
  return "Un'altra esportazione o un aggiornamento delle date di versamento e' in corso sugli "
         "archivi " +
         archives + ".\rRiprovare al suo termine.";
}

WritingSession beginWriting(App& app, const FailureTexts& texts, std::string_view unchanged) {
  WritingSession session;
  session.lock = takeInstallationLock(app);
  if (!session.lock) {
    if (app.interrupts().requested()) {
      reportRunFailure(app, texts, "attesa degli archivi", {}, kInterruptedCause);
      return session;
    }
    app.ui().message(texts.heading + "\r\r" + installationBusyText(app.config.PERCORSOARCHIVI) +
                         "\r" + std::string(unchanged),
                     app.form.caption, platform::Icon::Critical);
    session.start = WritingStart::Refused;
    return session;
  }
  // What a run that crashed left: its set completed or put back, its temporaries removed.
  try {
    recoverExportSet(app.files(), app.config.PERCORSOARCHIVI);
    removeTaskFileTemporaries(app.files());
  } catch (const RuntimeError& e) {
    reportRunFailure(app, texts, "ripristino dei file di esportazione", {}, runtimeCause(e));
    return session;
  }
  session.start = WritingStart::Held;
  return session;
}

}  // namespace zr
