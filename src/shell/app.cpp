#include "shell/app.h"

#include <stdexcept>

namespace zr {
namespace {

// Checks the services and supplies the database engine when the front end gave none.
Services completed(Services s) {
  if (!s.files || !s.ui || !s.clock || !s.settings)
    throw std::invalid_argument("App: files, ui, clock and settings services are required");
  if (!s.databases) s.databases = platform::makeDatabaseEngine(*s.files);
  if (!s.interrupts) s.interrupts = platform::makeHostInterrupts();
  if (!s.printers) s.printers = platform::makeNoPrinter();
  return s;
}

}  // namespace

App::App(Services services)
    : services_(completed(std::move(services))),
      lib(*services_.files, *services_.ui, *services_.clock, config),
      repo(lib),
      f24(lib, *services_.databases) {}

// Archives are closed before the members go, so no file is still open once the instance lock
// is given up; the databases close with their owner.
App::~App() {
  try {
    lib.CHIUDIFILE(0);
  } catch (...) {
    // Closing what is left is best effort on the way out.
  }
}

}  // namespace zr
