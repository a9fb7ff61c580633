// One export run's own state: the export files being written, the certification database and
// the quadro work state that the producers share, and where the run stands. The driver creates
// it, hands each producer the parts it uses and drops it at the run's end; nothing outlives it.
#pragma once

#include <string>
#include <string_view>

#include "export/certdb.h"
#include "export/exportfiles.h"
#include "shell/app.h"
#include "shell/companywalk.h"
#include "shell/runfailure.h"

namespace zr {

// The work state of the record being built, shared by the producers in their order.
struct QuadroState {
  std::string CFDICHIARANTE = std::string(16, ' ');
  std::string CFSOSTITUTO = std::string(16, ' ');
  double NUMRECQUADRO = 1;  // next record number of the file being written
  std::string RIGAQUADRO;   // the record being built
};

// A producer's failure that the archive library does not handle itself: what failed, for
// which company and why. The driver reports it and ends the run without moving any file.
using ExportFailure = RunFailure;

class ExportRun : public RunPlace {
 public:
  explicit ExportRun(App& app)
      : app(app), files(app.files(), app.config.PERCORSOARCHIVI), cert(app.databases(), app.ui()) {}
  ExportRun(const ExportRun&) = delete;
  ExportRun& operator=(const ExportRun&) = delete;

  App& app;
  ExportFiles files;
  CertificationDb cert;
  QuadroState quadro;
};

// Closes every archive and export file and opens the archives the producers read, each open
// under its own step for the failure message.
void openExportArchives(App& app, ExportFiles& files, RunPlace& place);
// A selected company whose record the walk could not read fails the run, naming it.
void requireCompanyRecord(const SelectedCompany& selected);

// The form methods of the run: the declarant links of the whole company archive (sets
// ERRORELISTA on the first broken one) and the producers in their fixed order.
void CONTROLLIPRELIMINARI(App& app);
void ACQUISIZIONEDATI770(ExportRun& run);

// Producers, each walking the selected lines of List1 itself and given only what it uses:
// the form and archives (App), the run's files, the shared record state and the place for
// the failure message.
void FRONTESOSTITUTI(App& app, ExportFiles& files, QuadroState& quadro, RunPlace& place);
void QUADROST(App& app, ExportFiles& files, QuadroState& quadro, RunPlace& place);
void QUADROSV(App& app, ExportFiles& files, QuadroState& quadro, RunPlace& place);
void DATI_SX_FRONTE(App& app, ExportFiles& files, CertificationDb& cert, QuadroState& quadro,
                    RunPlace& place);
void QUADROSTAUTONOMI(App& app, ExportFiles& files, CertificationDb& cert, QuadroState& quadro,
                      RunPlace& place);

}  // namespace zr
