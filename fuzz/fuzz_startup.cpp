// The configuration read at start-up (CARICAINST): the registry stand-in, the path files
// TRPERARK.TRP and TRPERPRO.TRP and the task file, all arbitrary, with some folders made.
// Either the three values are set together or none is; a folder taken is one Windows could
// name; the task code is the task line's first two characters, trimmed.
// Input: folders to make, one a line (below C:) ~~ registry.ini ~~ TRPERARK.TRP ~~
// TRPERPRO.TRP ~~ ZAVUVOD.INI; a part left out is a file that is not there.
#include "archive/installation.h"
#include "fuzz_support.h"
#include "platform/text.h"
#include "shell/startup.h"

using namespace zr;

namespace {

constexpr std::size_t kMaxFolders = 4;

void check(const Config& c) {
  const bool any = !c.PERCORSOARCHIVI.empty() || !c.PERCORSOPROGRAMMI.empty();
  const bool all = !c.PERCORSOARCHIVI.empty() && !c.PERCORSOPROGRAMMI.empty();
  if (any && !all) fuzz::fault("only one of the folders was taken");
  if (!platform::isSafeSystemPath(c.PERCORSOARCHIVI) ||
      !platform::isSafeSystemPath(c.PERCORSOPROGRAMMI))
    fuzz::fault("an unsafe folder was taken");
  if (c.CODICETASK != taskCodeOf(c.taskFileLine)) fuzz::fault("the task code");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto part = fuzz::parts(input, 5);
  fuzz::Root& root = fuzz::freshRoot();
  std::string_view lines = part[0];
  for (std::size_t i = 0; i < kMaxFolders && !lines.empty(); ++i) {
    const std::size_t end = lines.find('\n');
    std::string folder(lines.substr(0, end));
    lines.remove_prefix(end == std::string_view::npos ? lines.size() : end + 1);
    // Only plain names below the drive: the folders stand in for the payroll installation's.
    for (char& c : folder)
      if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/')) c = '_';
    if (!folder.empty()) std::filesystem::create_directories(root.drive() / folder);
  }
  // How many parts the input has: a file is there only when its part is.
  std::size_t given = 1;
  for (std::size_t at = input.find("\n~~\n"); at != std::string_view::npos && given < 5;
       at = input.find("\n~~\n", at + 4))
    ++given;
  const char* files[] = {"REGISTRY.INI", "RORIZIDO/TRPERARK.TRP", "RORIZIDO/TRPERPRO.TRP",
                         "ZAVUVOD/ZAVUVOD.INI"};
  for (std::size_t i = 1; i < given; ++i) root.put(files[i - 1], part[i]);

  platform::ScriptedUi* ui = nullptr;
  auto app = fuzz::makeApp(root, ui);
  fuzz::rejectedQuietly([&] {
    CARICAINST(*app, InstSource::Registry);
    check(app->config);
    if (app->config.PERCORSOARCHIVI.empty()) {
      CARICAINST(*app, InstSource::PathFiles);
      check(app->config);
      if (app->config.PERCORSOARCHIVI.empty()) fuzz::fault("the path files gave no folder");
    }
  });
  check(app->config);
  return 0;
}
