#include "printing.h"
#include <fstream>
#include <iostream>
namespace zr::cli {
namespace {
class Provisional : public platform::PrinterProvider {
 public:
  explicit Provisional(std::string p) : path_(std::move(p)) {}
  platform::Printer& printer() override {
    if (!printer_) {
      if (path_.empty()) {
        printer_ = std::make_unique<platform::TextPrinter>(std::cout, "standard output");
      } else {
        file_.open(path_, std::ios::binary | std::ios::trunc);
        printer_ = std::make_unique<platform::TextPrinter>(file_, path_);
      }
    }
    return *printer_;
  }
  void finish() override {
    if (printer_) printer_->finish();
  }
 private:
  std::string path_;
  std::ofstream file_;
  std::unique_ptr<platform::Printer> printer_;
};
}  // namespace
std::unique_ptr<platform::PrinterProvider> makeCliPrinters(std::string printPath) {
  return std::make_unique<Provisional>(std::move(printPath));
}
}  // namespace zr::cli
