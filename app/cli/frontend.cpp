#include "frontend.h"

#include <cerrno>
#include <cstring>
#include <iostream>

#include "platform/errors.h"
#include "printing.h"
#include "shell/app.h"
#include "shell/startup.h"

namespace zr::cli {
namespace {

constexpr std::string_view kProgram = "zorir770";

Services makeServices(const GlobalOptions& options) {
  Services s;
  s.files =
      platform::makeHostFiles(options.root.empty() ? platform::defaultDriveRoot() : options.root);
  s.ui = std::make_unique<platform::ConsoleUi>(std::cerr, options.yes);
  s.clock = platform::makeSystemClock();
  s.printers = makeCliPrinters(options.print);
  s.settings = platform::makeHostSettings(*s.files, options.registry);
  return s;
}

// Completes the command's document; one that cannot be written fails the command.
void finishPrinting(App& app, int& status) {
  try {
    app.finishPrinting();
  } catch (const RuntimeError& e) {
    std::cerr << kProgram << ": the printed list could not be completed: "
              << platform::toUtf8(e.what()) << "\n";
    if (status == kDone) status = kFailed;
  }
}

// The load, the command, then the exit button's FINETASK. Returns only through ProgramEnd or a
// usage error; `status` receives the command's own status once it has finished.
[[noreturn]] void runOnApp(App& app, const Command& command, int& status, bool& finished) {
  try {
    RIZ770_Load(app);
    try {
      status = command(app);
    } catch (const CommandAborted& aborted) {
      status = aborted.status;
    } catch (const ProgramEnd&) {
      finishPrinting(app, status);  // what was printed before the end is kept
      throw;
    }
    finishPrinting(app, status);
    finished = true;
    FINETASK(app);
  } catch (const RuntimeError& e) {
    // Whatever no routine handled goes to the shared error routine, which ends the program.
    app.lib.GESTIONEERRORE(e);
    throw ProgramEnd{kFailed};
  }
}

}  // namespace

bool flushOutput(std::string_view what) {
  errno = 0;
  std::cout.flush();
  if (std::cout) return true;
  const int error = errno;
  std::cerr << kProgram << ": cannot write " << what << " to standard output";
  if (error != 0) std::cerr << ": " << std::strerror(error);
  std::cerr << "\n";
  return false;
}

int runCommand(const GlobalOptions& options, const Command& command) {
  Services services;
  try {
    services = makeServices(options);
  } catch (const std::exception& e) {
    std::cerr << kProgram << ": " << e.what() << "\n";
    return kFailed;
  }
  return runCommand(std::move(services), command);
}

int runCommand(Services services, const Command& command) {
  int status = kDone;
  bool finished = false;
  try {
    App app(std::move(services));
    runOnApp(app, command, status, finished);
  } catch (const AnotherInstance&) {
    platform::ConsoleUi(std::cerr, false)
        .message("another instance is running on this installation", kProgram,
                 platform::Icon::Critical);
    return kRefused;
  } catch (const ProgramEnd& end) {
    // The user's own exit keeps the command's status; an exit before the command had finished
    // (the F24 template missing at the load) is no success.
    if (!finished) return end.status != 0 ? end.status : kFailed;
    if (end.status != 0 && status == kDone) {
      // Only the task file's rewrite at the end failed: what the command did (an export's
      // files, committed) stands, so its success does too.
      std::cerr << kProgram
                << ": warning: the task file could not be rewritten at the end; the command "
                   "itself (the export, if one ran) succeeded\n";
      return kDone;
    }
    return end.status != 0 ? end.status : status;
  } catch (const UsageError& e) {
    std::cerr << kProgram << ": " << e.what() << "\n";
    return kUsage;
  } catch (const std::exception& e) {
    std::cerr << kProgram << ": " << e.what() << "\n";
    return kFailed;
  }
  return kFailed;  // not reached: runOnApp always ends through ProgramEnd
}

}  // namespace zr::cli
