// The command line's frame around one command: builds the App from the global options, runs
// the load, the command and the exit (FINETASK), and turns every way out into an exit status.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zr {

class App;
struct Services;

namespace cli {

struct GlobalOptions {
  std::string root;      // drive root; empty: the default
  std::string registry;  // registry stand-in; empty: the default
  bool yes = false;      // answer Yes to every question
  std::string print;     // the printing commands' --print FILE; empty: text on stdout
};

// Exit statuses the command line promises.
inline constexpr int kDone = 0;
inline constexpr int kRefused = 1;
inline constexpr int kUsage = 2;
inline constexpr int kFailed = 3;

// A command's arguments do not fit the installation (a company code not in the list): nothing
// has been touched; the frame reports it and exits 2 without the exit's task-file rewrite.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A command runs on the loaded App and returns its exit status.
using Command = std::function<int(App&)>;

int runCommand(const GlobalOptions& options, const Command& command);
// The same frame on services made by the caller (files, dialogs and printer of its own).
int runCommand(Services services, const Command& command);

// Flushes standard output; when that fails (a full disk, a closed pipe) says on stderr what
// could not be written and why, and returns false.
bool flushOutput(std::string_view what);

}  // namespace cli
}  // namespace zr
