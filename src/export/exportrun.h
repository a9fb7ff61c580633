// One export run's own state: the export files being written, the certification database and
// the quadro work state that the producers share. The driver creates it, passes it to every
// producer and drops it at the run's end; nothing of it outlives the run.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "export/certdb.h"
#include "export/exportfiles.h"
#include "shell/app.h"

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
class ExportFailure : public std::runtime_error {
 public:
  ExportFailure(std::string company, std::string cause)
      : std::runtime_error(cause), company(std::move(company)), cause(std::move(cause)) {}
  std::string company;
  std::string cause;
};

class ExportRun {
 public:
  explicit ExportRun(App& app)
      : app(app), files(app.files(), app.config.PERCORSOARCHIVI), cert(app.databases(), app.ui()) {}
  ExportRun(const ExportRun&) = delete;
  ExportRun& operator=(const ExportRun&) = delete;

  App& app;
  ExportFiles files;
  CertificationDb cert;
  QuadroState quadro;

  // Where the run stands, for the failure message: the step and the company in hand.
  std::string step;
  std::string company;
  void enterStep(std::string_view name) {
    step = name;
    company.clear();
  }

  // A progress label of the main form shows a new text and is repainted.
  void label(std::string_view name, std::string_view text);
};

// Sets a label of the form, shows it and repaints it through the Ui.
void showLabel(App& app, std::string_view name, std::string_view text);

// The form methods of the run: the declarant links of the whole company archive (sets
// ERRORELISTA on the first broken one) and the producers in their fixed order.
void CONTROLLIPRELIMINARI(App& app);
void ACQUISIZIONEDATI770(ExportRun& run);

// Producers, each walking the selected lines of List1 itself.
void FRONTESOSTITUTI(ExportRun& run);

}  // namespace zr
