// The subcommands of zorir770: each registers its options and, when chosen, sets the command
// that the frame runs on the loaded App.
#pragma once

#include <CLI/CLI.hpp>

#include "frontend.h"

namespace zr::cli {

void addCommands(CLI::App& cli, Command& chosen);

}  // namespace zr::cli
