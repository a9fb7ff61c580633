#include "commands.h"

#include <iostream>
#include <map>
#include <memory>

#include "export/exportreport.h"
#include "export/exportreportset.h"
#include "export/run.h"
#include "lists/printselection.h"
#include "paydates/dategrid.h"
#include "paydates/verification.h"
#include "platform/cp1252.h"
#include "platform/errors.h"
#include "platform/ui.h"
#include "reportoutput.h"
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
  std::string report;  // --report FILE
  bool details = false;
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
  report::ExportReport made;
  RunOutcome outcome = RunOutcome::Failed;
  try {
    // The set it replaces is read only for a report that compares with it.
    outcome = CMDAVVIO_Click(app, &written, &made, !args.report.empty());
  } catch (const ProgramEnd&) {
    // The set was committed before the error (the company list reloaded after it): the error
    // routine has said what failed, and the export stands.
    if (written.empty()) throw;
    std::cerr << "zorir770: the export itself succeeded; its files are in place\n";
    outcome = RunOutcome::Done;
  }
  switch (outcome) {
    case RunOutcome::Done:
      // What the run put in place, for scripts and the operator's log.
      for (const WrittenFile& f : written)
        std::cout << platform::toUtf8(f.name) << ": " << f.records << " records of "
                  << f.recordLength << " characters\n";
      std::cout << "Segnalazioni: " << made.warnings.size() << '\n';
      // The files are in place: a summary or a report that cannot be written changes nothing
      // of that.
      if (!flushOutput("the list of exported files") ||
          (!args.report.empty() && !writeReportOrSay(made, args.report, args.details)))
        std::cerr << "zorir770: the export itself succeeded; its files are in place\n";
      return kDone;
    case RunOutcome::Refused:
      return kRefused;
    case RunOutcome::Failed:
      return kFailed;
  }
  return kFailed;
}

struct ReportArgs {
  std::string against;
  bool details = false;
  std::string print;
};

int reportOfSet(App& app, const ReportArgs& args) {
  report::ExportReport r;
  switch (reportOfInstalledSet(app, args.against, r)) {
    case ReportOutcome::Done:
      return writeReportOrSay(r, args.print, args.details) ? kDone : kFailed;
    case ReportOutcome::Refused:
      return kRefused;
    case ReportOutcome::Failed:
      return kFailed;
  }
  return kFailed;
}

struct VerifyArgs {
  Selection selection;
  std::vector<std::string> grid;
  bool update = false;
};

int verifyDates(App& app, const VerifyArgs& args) {
  MainForm& form = app.form;
  if (!args.grid.empty() && args.grid.size() != form.Text1.size())
    throw UsageError("--grid takes exactly 13 dates (dd/mm/yyyy, 00/00/0000 for none), got " +
                     std::to_string(args.grid.size()));
  applySelection(form, args.selection);
  for (std::size_t k = 0; k < args.grid.size(); ++k) {
    // Each value is checked as a typed box is when the operator leaves it.
    const std::string text = platform::fromUtf8(args.grid[k]);
    form.Text1[k] = text;
    if (!boxDateAccepted(text)) {
      app.ui().message("Data errata", form.caption, platform::Icon::Information);
      std::cerr << "zorir770: --grid: value " << k + 1 << " (\"" << args.grid[k]
                << "\") is not a date dd/mm/yyyy\n";
      return kRefused;
    }
  }
  switch (cmdverifica_Click(app, args.update ? UpdateAnswer::Yes : UpdateAnswer::No)) {
    case VerifyOutcome::Done:
      return kDone;
    case VerifyOutcome::Refused:
      return kRefused;
    case VerifyOutcome::Failed:
      return kFailed;
  }
  return kFailed;
}

struct ListArgs {
  std::string which;
  Selection selection;
};

// The list names of the command line, by the print frame's option they stand for.
const std::map<std::string, int> kListOptions = {
    {"erario", 0}, {"regioni", 1}, {"comuni", 2}, {"tutte", 3}, {"sx", 4}};

int printList(App& app, const ListArgs& args) {
  applySelection(app.form, args.selection);
  if (!CmdVer1655_Click(app)) return kRefused;
  Option1_Click(app, kListOptions.at(args.which));
  return CmdStampa_Click(app) == ListOutcome::Done ? kDone : kFailed;
}

void addPrintOption(CLI::App& command, GlobalOptions& global) {
  command.add_option("--print", global.print,
                     "print the list into FILE: PDF when its name ends in .pdf, text otherwise "
                     "(default: text on standard output)");
}

}  // namespace

void addCommands(CLI::App& cli, Command& chosen, GlobalOptions& global) {
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
  auto* reportOption = exporter->add_option(
      "--report", args->report,
      "after a done export, write its report into FILE: JSON when its name ends in .json, PDF "
      "in .pdf, text otherwise");
  exporter
      ->add_flag("--details", args->details,
                 "list in the report the row groups added, removed or changed")
      ->needs(reportOption);
  exporter->callback(
      [&chosen, args] { chosen = [args](App& app) { return exportCompanies(app, *args); }; });

  auto rargs = std::make_shared<ReportArgs>();
  auto* reporter = cli.add_subcommand(
      "report", "summarise the .V24 set in the archives folder per company, with its warnings; "
                "with --against compare it with the set kept in FOLDER");
  reporter->add_option("--against", rargs->against,
                       "a folder holding a copy of an earlier set of .V24 files");
  reporter->add_flag("--details", rargs->details,
                     "list the row groups added, removed or changed (with --against)");
  reporter->add_option("--print", rargs->print,
                       "write the report into FILE: JSON when its name ends in .json, PDF in "
                       ".pdf, text otherwise (default: text on standard output)");
  reporter->callback(
      [&chosen, rargs] { chosen = [rargs](App& app) { return reportOfSet(app, *rargs); }; });

  auto vargs = std::make_shared<VerifyArgs>();
  auto* verify = cli.add_subcommand(
      "verify",
      "list, per selected company and month, whether the F24 payment dates are filled; with "
      "--update fill the missing ones from the grid");
  addSelectionOptions(*verify, vargs->selection);
  verify
      ->add_option("--grid", vargs->grid,
                   "the 13 grid dates D1,...,D13 (months 1-12 of the reference year and January "
                   "of the next), dd/mm/yyyy, 00/00/0000 for none")
      ->delimiter(',');
  verify->add_flag("--update", vargs->update,
                   "answer Yes to the update question: write the missing dates from the grid "
                   "(--yes does not)");
  addPrintOption(*verify, global);
  verify->callback(
      [&chosen, vargs] { chosen = [vargs](App& app) { return verifyDates(app, *vargs); }; });

  auto largs = std::make_shared<ListArgs>();
  auto* lister = cli.add_subcommand(
      "list", "print a control list of the selected companies' F24 payments: a section "
              "(erario, regioni, comuni, or tutte for the three in turn) or the SX credits (sx)");
  std::vector<std::string> names;
  for (const auto& [name, option] : kListOptions) names.push_back(name);
  lister->add_option("LIST", largs->which, "which list")
      ->required()
      ->check(CLI::IsMember(names));
  addSelectionOptions(*lister, largs->selection);
  addPrintOption(*lister, global);
  lister->callback(
      [&chosen, largs] { chosen = [largs](App& app) { return printList(app, *largs); }; });
}

}  // namespace zr::cli
