// The subcommands of zorir770: each registers its options and, when chosen, sets the command
// that the frame runs on the loaded App.
#pragma once

#include <CLI/CLI.hpp>

#include "frontend.h"

namespace zr::cli {

// `global` receives the options a subcommand shares with the frame (--print).
void addCommands(CLI::App& cli, Command& chosen, GlobalOptions& global);

}  // namespace zr::cli
