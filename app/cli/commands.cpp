#include "commands.h"

#include <iostream>
#include <memory>

#include "export/run.h"
#include "platform/cp1252.h"
#include "platform/ui.h"
#include "shell/app.h"
#include "shell/companylist.h"

namespace zr::cli {
namespace {

int printCompanies(App& app) {
  for (const std::string& line : app.form.List1)
    std::cout << platform::toUtf8Printable(line) << '\n';
  return flushOutput("the company list") ? kDone : kFailed;
}

// The companies a command works on, as the user chose them on the command line.
struct Selection {
  std::vector<std::string> codes;
  bool all = false;
};

std::string joined(const std::vector<std::string>& codes) {
  std::string s;
  for (const auto& c : codes) s += (s.empty() ? "\"" : ", \"") + platform::toUtf8(c) + "\"";
  return s;
}

// Selects the lines of the chosen companies as the user would on the form. A code that names
// no line is a usage error, before anything is touched.
void applySelection(MainForm& form, const Selection& selection) {
  if (selection.all) {
    form.Check2 = 1;
    Check2_Click(form);
    return;
  }
  std::vector<std::string> codes;
  for (const auto& c : selection.codes) codes.push_back(platform::fromUtf8(c));
  const CodeSelection found = linesForCodes(form, codes);
  if (!found.unknown.empty())
    throw UsageError("--select: not in the company list: " + joined(found.unknown));
  form.selected.assign(form.List1.size(), false);
  for (std::size_t i : found.lines) form.selected[i] = true;
  if (!found.lines.empty()) form.listIndex = static_cast<int>(found.lines.front());
}

void addSelectionOptions(CLI::App& command, Selection& selection) {
  auto* group = command.add_option_group("selection", "which companies (exactly one of)");
  group
      ->add_option("--select", selection.codes,
                   "company codes as in columns 1-3 of the list, comma separated "
                   "(\"1\", \"01\" and \"001\" are company 001)")
      ->delimiter(',');
  group->add_flag("--all", selection.all, "every company of the list");
  group->require_option(1);
}

struct ExportArgs {
  Selection selection;
  bool noCu = false;
  bool noSaldo = false;
};

int exportCompanies(App& app, const ExportArgs& args) {
  MainForm& form = app.form;
  applySelection(form, args.selection);
  if (args.noCu) {
    form.Check1 = 0;
    Check1_Click(form);
  }
  if (args.noSaldo) {
    form.Check3 = 0;
    Check3_Click(form);
  }
  std::vector<WrittenFile> written;
  switch (CMDAVVIO_Click(app, &written)) {
    case RunOutcome::Done:
      // What the run put in place, for scripts and the operator's log.
      for (const WrittenFile& f : written)
        std::cout << platform::toUtf8(f.name) << ": " << f.records << " records of "
                  << f.recordLength << " characters\n";
      // The files are in place: a summary that cannot be written changes nothing of that.
      if (!flushOutput("the list of exported files"))
        std::cerr << "zorir770: the export itself succeeded; its files are in place\n";
      return kDone;
    case RunOutcome::Refused:
      return kRefused;
    case RunOutcome::Failed:
      return kFailed;
  }
  return kFailed;
}

}  // namespace

void addCommands(CLI::App& cli, Command& chosen) {
  auto* companies = cli.add_subcommand("companies", "print the company list lines, one a line");
  companies->callback([&chosen] { chosen = printCompanies; });

  auto args = std::make_shared<ExportArgs>();
  auto* exporter = cli.add_subcommand(
      "export", "export the selected companies into the .V24 files of the archives folder");
  addSelectionOptions(*exporter, args->selection);
  exporter->add_flag("--no-cu", args->noCu,
                     "leave the self-employment certifications out of quadro ST (unchecks "
                     "Check1)");
  exporter->add_flag("--no-saldo", args->noSaldo,
                     "do not mark quadro SV lines of tribute 3847 with 'S' (unchecks Check3)");
  exporter->callback(
      [&chosen, args] { chosen = [args](App& app) { return exportCompanies(app, *args); }; });
}

}  // namespace zr::cli
