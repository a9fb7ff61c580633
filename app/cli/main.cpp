// zorir770: the headless front end. Parses the command line and hands one command to the frame
// (frontend.h), which starts and ends the program as the window does.
#include <CLI/CLI.hpp>
#include <iostream>

#include "commands.h"
#include "frontend.h"
#include "installationoptions.h"

int main(int argc, char** argv) {
  using namespace zr::cli;
  CLI::App cli{"Exports the payroll installation's data for the withholding agent's return."};
  cli.name("zorir770");
  GlobalOptions global;
  addInstallationOptions(cli, global.root, global.registry);
  cli.add_flag("--yes", global.yes, "answer Yes to every question (otherwise the safe answer)");
  cli.require_subcommand(1);

  Command command;
  addCommands(cli, command, global);

  try {
    cli.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = cli.exit(e);
    if (code != 0) return kUsage;
    return flushOutput("the help text") ? kDone : kFailed;
  }
  return runCommand(global, command);
}
