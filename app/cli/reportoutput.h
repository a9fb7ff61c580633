// Where the command line and the window's report dialog put an export report: a file named by
// the user, JSON when its name ends in ".json", PDF in ".pdf", text otherwise; or text on
// standard output.
#pragma once

#include <string>

#include "export/exportreport.h"

namespace zr::cli {

// Writes the report; a path of "" is standard output. On failure removes the half-written file
// and returns what could not be written and why (UTF-8); "" when it was written.
std::string writeReport(const report::ExportReport& r, const std::string& path, bool details);
// The same, the failure said on stderr: false when the report was not written.
bool writeReportOrSay(const report::ExportReport& r, const std::string& path, bool details);

}  // namespace zr::cli
