#include "printing.h"

#include <fstream>
#include <iostream>
#include <stdexcept>

#include "platform/errors.h"
#ifdef ZR_HAVE_QT
#include "platform/qt/pdfprinter.h"
#endif

namespace zr::cli {
namespace {

class CliPrinters : public platform::PrinterProvider {
 public:
  explicit CliPrinters(std::string path) : path_(std::move(path)) {}

  platform::Printer& printer() override {
    if (!printer_) printer_ = open();
    return *printer_;
  }

  void finish() override {
    if (printer_) printer_->finish();
  }

 private:
  std::unique_ptr<platform::Printer> open() {
    if (path_.empty()) return std::make_unique<platform::TextPrinter>(std::cout, "standard output");
#ifdef ZR_HAVE_QT
    if (hasExtension(path_, ".pdf")) return platform::makePdfPrinter(path_);
#endif
    file_.open(path_, std::ios::binary | std::ios::trunc);
    if (!file_) throw RuntimeError::of(75, path_);
    return std::make_unique<platform::TextPrinter>(file_, path_);
  }

  std::string path_;
  std::ofstream file_;  // before the printer, which writes into it to the end
  std::unique_ptr<platform::Printer> printer_;
};

}  // namespace

bool hasExtension(const std::string& path, std::string_view extension) {
  if (path.size() < extension.size()) return false;
  for (std::size_t i = 0; i < extension.size(); ++i) {
    const char c = path[path.size() - extension.size() + i];
    if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != extension[i]) return false;
  }
  return true;
}

std::optional<std::string> unprintableReason(const std::string& printPath, bool pdfPrinting) {
  if (pdfPrinting || !hasExtension(printPath, ".pdf")) return std::nullopt;
  return "cannot print to " + printPath +
         ": printing to PDF needs the build with Qt; this build prints text only (--print "
         "FILE.txt, or standard output)";
}

std::unique_ptr<platform::PrinterProvider> makeCliPrinters(std::string printPath) {
  if (auto why = unprintableReason(printPath, kPdfPrinting)) throw std::runtime_error(*why);
  return std::make_unique<CliPrinters>(std::move(printPath));
}

}  // namespace zr::cli
