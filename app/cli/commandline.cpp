#include "commandline.h"

#include <CLI/CLI.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "commands.h"
#include "installationoptions.h"

namespace zr::cli {

namespace {

// Whether `word` names an option that takes a value, of the program or of a subcommand.
bool takesValue(CLI::App& cli, const std::string& word) {
  if (word.size() < 2 || word.front() != '-') return false;
  std::vector<CLI::App*> apps = cli.get_subcommands([](CLI::App*) { return true; });
  apps.push_back(&cli);
  for (CLI::App* app : apps) {
    const CLI::Option* option = app->get_option_no_throw(word);
    if (option && option->get_items_expected_max() > 0) return true;
  }
  return false;
}

// CLI11 takes an empty word where a command or a positional could stand for the nameless group
// of --select and --all, and then never ends; an empty word is only ever an option's value
// ("--root ''" for the default root), so any other is refused before the parse.
int emptyWord(CLI::App& cli, int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i)
    if (argv[i][0] == '\0' && !takesValue(cli, argv[i - 1])) return i;
  return 0;
}

}  // namespace

Parsed parseCommandLine(int argc, const char* const* argv, GlobalOptions& global,
                        Command& command, std::ostream& out, std::ostream& err) {
  CLI::App cli{"Exports the payroll installation's data for the withholding agent's return."};
  cli.name("zorir770");
  addInstallationOptions(cli, global.root, global.registry);
  cli.add_flag("--yes", global.yes, "answer Yes to every question (otherwise the safe answer)");
  cli.require_subcommand(1);
  addCommands(cli, command, global);
  if (const int at = emptyWord(cli, argc, argv)) {
    err << "argument " << at << " is empty, and only an option's value may be\n"
        << "Run with --help for more information.\n";
    return Parsed::Usage;
  }
  try {
    cli.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return cli.exit(e, out, err) != 0 ? Parsed::Usage : Parsed::Help;
  }
  return Parsed::Run;
}

}  // namespace zr::cli
