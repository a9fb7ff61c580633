// The export report's two outward forms: printed lines (text, PDF or a printer, through the
// printer layer) and JSON (written by its own small writer). Pure over the report.
#pragma once

#include <string>
#include <vector>

#include "export/exportreport.h"
#include "platform/printer.h"

namespace zr::report {

// The report's lines (CP1252) in blocks: the heading with the files, one block per company,
// the warnings. With `details`, each company's block lists its row groups added, removed and
// changed.
std::vector<std::vector<std::string>> reportBlocks(const ExportReport& r, bool details);
// Prints them in "Courier New" 9, 60 lines a page, a company's block kept on one page.
void printReport(const ExportReport& r, platform::Printer& printer, bool details);

// The report as one JSON document in UTF-8 (its keys are listed in the README). With
// `details`, each company carries its row changes.
std::string reportJson(const ExportReport& r, bool details);

}  // namespace zr::report
