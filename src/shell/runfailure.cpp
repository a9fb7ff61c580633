#include "platform/text.h"
#include "shell/runfailure.h"

#include "platform/errors.h"
#include "shell/app.h"
#include "shell/progress.h"
#include "shell/startup.h"

namespace zr {

namespace {

// Leaves no archive open behind a run that stopped half-way.
void closeArchivesQuietly(App& app) {
  try {
    app.lib.CHIUDIFILE(0);
  } catch (...) {
  }
}

}  // namespace

void reportRunFailure(App& app, const FailureTexts& texts, std::string_view step,
                      std::string_view company, std::string_view cause) {
  std::string text = texts.heading + "\r\rFase: " + std::string(step);
  if (!company.empty()) text += "\rAzienda: " + std::string(company);
  text += "\rCausa: " + std::string(cause) + "\r\r" + texts.untouched;
  app.ui().message(text, app.form.caption, platform::Icon::Critical);
}

void stopIfInterrupted(App& app, std::string_view company) {
  if (app.interrupts().requested())
    throw RunFailure(std::string(company), std::string(kInterruptedCause));
}

std::string runtimeCause(const RuntimeError& e) {
  return "Errore N." + std::to_string(e.number()) + " " + platform::trimmed(e.description());
}

bool runGuarded(App& app, const RunPlace& place, const FailureTexts& texts,
                const std::function<void()>& body) {
  try {
    body();
    return true;
  } catch (const RunFailure& f) {
    // A routine deep in a company's work may not know the company; the walk does.
    reportRunFailure(app, texts, place.step, f.company.empty() ? place.company : f.company,
                     f.cause);
  } catch (const RuntimeError& e) {
    reportRunFailure(app, texts, place.step, place.company, runtimeCause(e));
  } catch (const CommandAborted&) {
    // Its message has been shown by the routine that aborted.
  } catch (const ProgramEnd&) {
    reportRunFailure(app, texts, place.step, place.company,
                     "errore negli archivi della procedura paghe");
    throw;
  } catch (const std::exception& e) {
    reportRunFailure(app, texts, place.step, place.company, e.what());
  }
  closeArchivesQuietly(app);
  setBusy(app, false);
  return false;
}

}  // namespace zr
