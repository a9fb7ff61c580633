// How a long command (the export, the date update, a printed list) reports that it failed:
// where it stood (its step and the company in hand), the failure a routine raises with its
// cause, and the critical message that names all three and says what was left untouched.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zr {

class App;
class RuntimeError;

// Where a run stands, for its failure message.
struct RunPlace {
  std::string step;
  std::string company;  // empty between companies
  void enterStep(std::string_view name) {
    step = name;
    company.clear();
  }
};

// A failure that the archive library does not handle itself: what failed, for which company
// and why. The guard below reports it and ends the run.
class RunFailure : public std::runtime_error {
 public:
  RunFailure(std::string company, std::string cause)
      : std::runtime_error(cause), company(std::move(company)), cause(std::move(cause)) {}
  std::string company;
  std::string cause;
};

// The cause of a run ended by a termination request (SIGINT, SIGTERM) while it was held.
inline constexpr std::string_view kInterruptedCause =
    "esecuzione interrotta su richiesta (segnale di terminazione)";
// Throws the run's RunFailure when a termination request has arrived.
void stopIfInterrupted(App& app, std::string_view company);

// The texts of one command's failure message: its heading line and what it leaves as it was.
struct FailureTexts {
  std::string heading;    // "ESPORTAZIONE DATI PER MOD.770/2024 NON ESEGUITA"
  std::string untouched;  // the closing sentence
};

// The critical message: heading, step, company (when there is one), cause, closing sentence.
void reportRunFailure(App& app, const FailureTexts& texts, std::string_view step,
                      std::string_view company, std::string_view cause);
// A run-time error as a cause: its number and its description.
std::string runtimeCause(const RuntimeError& e);

// Runs `body`; any failure becomes the run's critical message, the archives are closed and the
// pointer returns to the default, and false is returned. A routine that aborted has shown its
// own message. A ProgramEnd of the archive library's error routine is reported too, then goes
// on ending the program.
bool runGuarded(App& app, const RunPlace& place, const FailureTexts& texts,
                const std::function<void()>& body);

}  // namespace zr
