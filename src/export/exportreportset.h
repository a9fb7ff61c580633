// The report of the ".V24" set in place, without an export: read under the installation lock,
// so that no export commits half-way through the reading, and compared with a copy of a set
// kept elsewhere when one is named. Reads files only.
#pragma once

#include <string>

#include "export/exportreport.h"

namespace zr {

class App;

enum class ReportOutcome {
  Done,
  Refused,  // the lock stayed held, or an export left its set to complete (message shown)
  Failed,   // a file could not be read (message shown)
};

// `against` is a folder (a system path or a native one); empty: no comparison.
ReportOutcome reportOfInstalledSet(App& app, const std::string& against,
                                   report::ExportReport& out);

}  // namespace zr
