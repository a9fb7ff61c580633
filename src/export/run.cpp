// CMDAVVIO_Click and its two form methods: the selection check, CONTROLLIPRELIMINARI, the
// provision of the certification database, the presenter check, the databases, the producers
// (ACQUISIZIONEDATI770) and the restored form. The run's files move into place only when every
// step has succeeded; any failure is reported with its step, its company and its cause.
#include "export/run.h"

#include <string>

#include "shell/commitrecord.h"
#include "export/exportreport.h"
#include "export/exportrun.h"
#include "export/valuerules.h"
#include "repository/descriptors.h"
#include "shell/app.h"
#include "shell/archivecheck.h"
#include "shell/companylist.h"
#include "shell/companywalk.h"
#include "shell/installationlock.h"
#include "shell/progress.h"
#include "shell/runfailure.h"

namespace zr {

namespace {

using platform::Icon;

constexpr double kCompanyBase = inst::kCompanies;
constexpr int kPreliminaryRecords = 1000;

std::string exportHeading() {
  return "ESPORTAZIONE DATI PER MOD.770/" + std::string(ANNO770) + " NON ESEGUITA";
}

FailureTexts exportFailureTexts() {
  return {exportHeading(), "I file di esportazione del lancio precedente sono rimasti invariati."};
}

// A commit that could be neither finished nor undone leaves its record for the next start.
FailureTexts pendingCommitTexts(const std::string& archives) {
  return {exportHeading(),
          "I file di esportazione saranno ricomposti, tutti nuovi o tutti del lancio precedente, "
          "al prossimo avvio dell'esportazione (registrazione " +
              commitRecordPath(archives) + ")."};
}

// The set in place before the commit, for the report's comparison. It is only read: a set that
// cannot be read leaves the report without a comparison, never the export undone.
void readPreviousSet(App& app, report::ExportReport& r) {
  try {
    report::SetSummary previous = report::readSet(app.files(), app.config.PERCORSOARCHIVI);
    if (previous.present) r.previous = std::move(previous);
  } catch (const RuntimeError& e) {
    r.previousUnreadable = runtimeCause(e);
  } catch (const std::exception& e) {
    r.previousUnreadable = e.what();
  }
}

// The run's report, made before the commit while its files are still the temporaries and the
// set they replace is still in place. What cannot be read leaves the report without its
// comparison, never the export undone.
report::ExportReport runReport(App& app, ExportRun& run, const report::RunCollector& collector,
                               bool comparePrevious) {
  report::ExportReport made;
  if (comparePrevious) readPreviousSet(app, made);
  std::map<std::string, std::string> paths;
  for (const inst::ExportFileFact& fact : report::setFiles())
    if (std::string temp = run.files.temporaryName(fact.stem); !temp.empty())
      paths[std::string(fact.stem)] = std::move(temp);
  made.fromRun = true;
  made.current = collector.summary(paths);
  made.f24 = collector.f24();
  try {
    report::completeReport(made, app.files());
  } catch (const std::exception& e) {
    const auto* runtime = dynamic_cast<const RuntimeError*>(&e);
    made.previousUnreadable = runtime ? runtimeCause(*runtime) : std::string(e.what());
    made.previous.reset();
    report::completeReport(made, app.files());
  }
  return made;
}

RunOutcome runExport(App& app, const std::string& certName, std::vector<WrittenFile>* written,
                     report::ExportReport* report, bool comparePrevious) {
  app.flags.OPZIONECU = app.form.Check1 == 1 ? 1 : 0;
  app.flags.OPZIONESALDO = app.form.Check3 == 1 ? 1 : 0;
  report::RunCollector collector;  // outlives the run's files, which report to it
  ExportRun run(app);
  if (report) run.files.watch(&collector);
  run.enterStep("apertura archivio C.U.");
  if (!run.cert.APRICERTIFICAZIONI(certName) || !run.cert.APRITABELLECU())
    return RunOutcome::Failed;
  run.enterStep("apertura database F24");
  if (!app.f24.PREPARAF24()) return RunOutcome::Failed;
  {
    F24Session f24(app.f24);
    try {
      app.f24.APRIF24();
    } catch (const CommandAborted&) {
      return RunOutcome::Failed;
    }
    // The run's temporaries go with the ExportRun as the stack unwinds.
    if (!runGuarded(app, run, exportFailureTexts(), [&run] { ACQUISIZIONEDATI770(run); }))
      return RunOutcome::Failed;
  }
  run.cert.CHIUDITABELLECU();
  run.cert.CHIUDICERTIFICAZIONI();
  report::ExportReport made;
  run.enterStep("registrazione dei file di esportazione");
  const auto failed = [&](std::string_view cause) {
    reportRunFailure(app,
                     run.files.completionPending()
                         ? pendingCommitTexts(app.config.PERCORSOARCHIVI)
                         : exportFailureTexts(),
                     run.step, {}, cause);
    return RunOutcome::Failed;
  };
  try {
    if (report) {
      run.files.closeAll();  // the report reads what the files hold
      made = runReport(app, run, collector, comparePrevious);
    }
    // Past the commit record a termination request waits for the renames.
    run.files.commit([&app] { stopIfInterrupted(app, {}); });
  } catch (const RuntimeError& e) {
    return failed(runtimeCause(e));
  } catch (const std::exception& e) {
    return failed(e.what());
  }
  if (written) *written = run.files.written();
  if (report) *report = std::move(made);
  setBusy(app, false);
  app.ui().message("Esportazione dati dalla procedura paghe per mod.770/" + std::string(ANNO770) +
                       " ..... terminata",
                   app.form.caption, Icon::Information);
  return RunOutcome::Done;
}

// One step of the production, in the run's order; each producer is handed only what it uses.
struct Production {
  void (*run)(ExportRun&);
  bool onlyWithCU;  // the self-employment lines run only when OPZIONECU is 1
};

constexpr Production kProduction[] = {
    {[](ExportRun& r) { FRONTESOSTITUTI(r.app, r.files, r.quadro, r); }, false},
    {[](ExportRun& r) { r.app.form.list2Visible = false; }, false},
    {[](ExportRun& r) { QUADROST(r.app, r.files, r.quadro, r); }, false},
    {[](ExportRun& r) { QUADROSV(r.app, r.files, r.quadro, r); }, false},
    {[](ExportRun& r) { DATI_SX_FRONTE(r.app, r.files, r.cert, r.quadro, r); }, false},
    // The self-employment lines, appended to the quadro ST file, come last.
    {[](ExportRun& r) { QUADROSTAUTONOMI(r.app, r.files, r.cert, r.quadro, r); }, true},
};

}  // namespace

void CONTROLLIPRELIMINARI(App& app) {
  showLabel(app, "Label2", "Attendere prego ...... controlli preliminari in corso");
  const std::string notice = app.form.labels["Label5"];
  showLabel(app, "Label5", notice);
  setBusy(app, true);
  ArchiveLib& lib = app.lib;
  Repository& repo = app.repo;
  lib.FAIOPEN(kCompanyBase);
  for (int r = 1; r <= kPreliminaryRecords; ++r) {
    if (lib.LEGGIREC(kCompanyBase, r) == 1) break;
    repo.DITX() = lib.BUFFERREC(kCompanyBase);
    if (repo.DITX().starts_with("99")) continue;
    const double declarant = repo.VALCOSTANTE(desc::T326);
    if (declarant == 0) continue;
    const std::string substitute = repo.DITX();
    const bool missing =
        lib.LEGGIREC(kCompanyBase, declarant) == 1 || lib.BUFFERREC(kCompanyBase).starts_with("99");
    if (!missing) {
      repo.DITX() = lib.BUFFERREC(kCompanyBase);
      continue;
    }
    app.flags.ERRORELISTA = 1;
    const std::string text = "ERRORE DITTE DICHIARANTE/SOSTITUTO !!!\r\rIl dichiarante ditta " +
                             repo.STRCOSTANTE(desc::T326, 0, substitute) +
                             " non esiste !\r\rper il sostituto ditta " +
                             repo.STRCOSTANTE(desc::T001, 0, substitute) + " " +
                             repo.STRCOSTANTE(desc::T002, 0, substitute) +
                             "\r\rSistemare le situazioni di errore e rilanciare l'acquisizione";
    app.ui().message(text, app.form.caption, Icon::Critical);
    lib.CHIUDIFILE(0);
    break;
  }
  setBusy(app, false);
  showLabel(app, "Label2", "");
}

void ACQUISIZIONEDATI770(ExportRun& run) {
  App& app = run.app;
  setBusy(app, true);
  for (const Production& p : kProduction)
    if (!p.onlyWithCU || app.flags.OPZIONECU == 1) p.run(run);
  setBusy(app, false);
  hideLabel(app, "Label2", true);
  hideLabel(app, "Label4", true);
  hideLabel(app, "Label5", false);
}

RunOutcome CMDAVVIO_Click(App& app, std::vector<WrittenFile>* written, report::ExportReport* report,
                          bool comparePrevious) {
  MainForm& form = app.form;
  if (!checkSelection(app)) return RunOutcome::Refused;
  // The run's catalogue records, archive handles and index nodes are read once for all its
  // producers; the next command reads them afresh.
  ArchiveLib::RunScope kept(app.lib);

  // From here a termination request ends the run in order, never half-way through a write.
  platform::HeldInterrupts held(app.interrupts());
  const WritingSession session =
      beginWriting(app, exportFailureTexts(), "Nessun file e' stato modificato.");
  if (session.start != WritingStart::Held) {
    app.flags.ERRORELISTA = 1;
    return session.start == WritingStart::Refused ? RunOutcome::Refused : RunOutcome::Failed;
  }

  // A damaged company archive refuses the run before anything is written, the certification
  // database's copy included.
  app.flags.ERRORELISTA = 0;
  if (const auto damage = companyArchiveDamage(app)) {
    app.flags.ERRORELISTA = 1;
    app.ui().message("ARCHIVIO AZIENDE DANNEGGIATO\r" + *damage +
                         ".\rEsportazione non eseguita: nessun file e' stato modificato.",
                     form.caption, Icon::Critical);
    resetMainForm(app);
    return RunOutcome::Refused;
  }
  CONTROLLIPRELIMINARI(app);

  const std::string& archives = app.config.PERCORSOARCHIVI;
  const std::string certName = CertificationDb::databaseName(archives);
  const std::string templateName = CertificationDb::templateName(archives);
  // A database that is there but cannot be opened now is still the bureau's data: only one
  // that is not there at all is made from the template.
  if (app.lib.ESISTEFILE(templateName) && !app.lib.ESISTEFILE(certName) &&
      !app.files().fileLength(certName))
    app.lib.COPIAFILE(templateName, certName);

  RunOutcome outcome = RunOutcome::Refused;
  if (app.flags.ERRORELISTA == 0) {
    if (!app.lib.ESISTEFILE(certName)) {
      app.flags.ERRORELISTA = 1;
      app.ui().message(
          "ARCHIVIO CERTIFICAZIONE UNICA NON TROVATO\rMancano sia l'archivio " + certName +
              "\rsia il modello " + templateName +
              "\rda cui crearlo.\rEsportazione non eseguita: nessun file e' stato modificato.",
          form.caption, Icon::Critical);
    } else {
      form.list1Visible = false;
      form.labelVisible["Label3"] = false;
      controllolista(app);
      if (app.flags.ERRORELISTA == 0) outcome = runExport(app, certName, written, report, comparePrevious);
    }
  }
  resetMainForm(app);
  return outcome;
}

}  // namespace zr
