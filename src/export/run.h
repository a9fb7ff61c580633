// The export run: CMDAVVIO_Click with its checks, the certification database and the producers
// in their fixed order. The run's export files are written beside their final names and moved
// into place only when the whole run has succeeded.
#pragma once

#include <vector>

#include "export/exportfiles.h"

namespace zr {

class App;
namespace report {
struct ExportReport;
}

enum class RunOutcome {
  Refused,  // a check refused the run (message shown), nothing written
  Failed,   // the run failed (critical message shown), previous export files untouched
  Done,     // every export file written and in place
};

// `written`, when given, receives the files a successful run put in place; `report`, when
// given, the run's report: its records summarised as they were written, compared with the set
// they replaced (only when `comparePrevious`: otherwise the previous set is not read). A run that
// is not Done leaves both as they were.
RunOutcome CMDAVVIO_Click(App& app, std::vector<WrittenFile>* written = nullptr,
                          report::ExportReport* report = nullptr, bool comparePrevious = true);

}  // namespace zr
