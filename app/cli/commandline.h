// The command line's grammar: the global options and the subcommands set up on CLI11 and one
// argument vector read with them. Runs nothing: the chosen command is handed back to the frame.
#pragma once

#include <iosfwd>

#include "frontend.h"

namespace zr::cli {

enum class Parsed {
  Run,    // `command` is set: the frame runs it with `global`
  Help,   // the help text was written on `out`
  Usage,  // a usage error was written on `err`
};

Parsed parseCommandLine(int argc, const char* const* argv, GlobalOptions& global,
                        Command& command, std::ostream& out, std::ostream& err);

}  // namespace zr::cli
