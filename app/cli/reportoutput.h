// Where the command line puts an export report: a file named by the user, JSON when its name
// ends in ".json", PDF in ".pdf", text otherwise; or text on standard output.
#pragma once

#include <string>

#include "export/exportreport.h"

namespace zr::cli {

// Writes the report; a path of "" is standard output. On failure says on stderr what could not
// be written and why, removes the half-written file, and returns false.
bool writeReport(const report::ExportReport& r, const std::string& path, bool details);

}  // namespace zr::cli
