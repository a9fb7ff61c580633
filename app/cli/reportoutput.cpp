#include "reportoutput.h"

#include <filesystem>
#include <fstream>
#include <iostream>

#include "export/exportreportprint.h"
#include "platform/errors.h"
#include "platform/ui.h"
#include "printing.h"
#include "shell/runfailure.h"

namespace zr::cli {
namespace {

void writeJson(const report::ExportReport& r, const std::string& path, bool details) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw RuntimeError::of(75, path);
  out << report::reportJson(r, details);
  out.flush();
  if (!out) throw RuntimeError::of(57, path);
}

}  // namespace

std::string writeReport(const report::ExportReport& r, const std::string& path, bool details) {
  // Refused before the try: a file this build never wrote is not removed as a half-written one.
  if (auto why = unprintableReason(path, kPdfPrinting)) return *why;
  try {
    if (!path.empty() && hasExtension(path, ".json")) {
      writeJson(r, path, details);
    } else {
      auto printers = makeCliPrinters(path);
      report::printReport(r, printers->printer(), details);
      printers->finish();
    }
    return {};
  } catch (const std::exception& e) {
    const RuntimeError* rt = dynamic_cast<const RuntimeError*>(&e);
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove(path, ignored);
    return "the report could not be written to " +
           (path.empty() ? std::string("standard output") : path) + ": " +
           (rt ? platform::toUtf8(runtimeCause(*rt)) : std::string(e.what()));
  }
}

bool writeReportOrSay(const report::ExportReport& r, const std::string& path, bool details) {
  const std::string failure = writeReport(r, path, details);
  if (failure.empty()) return true;
  std::cerr << "zorir770: " << failure << '\n';
  return false;
}

}  // namespace zr::cli
