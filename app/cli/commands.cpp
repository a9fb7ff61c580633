#include "commands.h"

#include <iostream>

#include "platform/ui.h"
#include "shell/app.h"

namespace zr::cli {
namespace {

int printCompanies(App& app) {
  for (const std::string& line : app.form.List1) std::cout << platform::toUtf8(line) << '\n';
  std::cout.flush();
  return std::cout ? kDone : kFailed;
}

}  // namespace

void addCommands(CLI::App& cli, Command& chosen) {
  auto* companies = cli.add_subcommand("companies", "print the company list lines, one a line");
  companies->callback([&chosen] { chosen = printCompanies; });
}

}  // namespace zr::cli
