#include "systemprinter.h"

#include <QPrinter>
#include <QPrinterInfo>

#include "platform/errors.h"
#include "platform/qt/pagepainter.h"
#include "platform/ui.h"

namespace zr::gui {
namespace {

class QPrinterPrinter : public platform::Printer {
 public:
  QPrinterPrinter(std::unique_ptr<QPrinter> device, std::string what)
      : device_(std::move(device)), what_(std::move(what)), page_(*device_) {
    if (!page_.active()) throw RuntimeError::of(482, "the printer " + what_ + " cannot be opened");
  }

  ~QPrinterPrinter() override {
    // Unwinding from a failed command: what was printed still goes out.
    try {
      complete();
    } catch (const RuntimeError&) {
    }
  }

  void setFont(std::string_view name, double points) override {
    if (!finished_) page_.setFont(name, points);
  }
  void printLine(std::string_view cp1252) override {
    if (!finished_) page_.printLine(cp1252);
  }
  void newPage() override { page_.newPage(); }
  void endDocument() override { newPage(); }
  void finish() override { complete(); }
  int pages() const override { return page_.pages(); }

 private:
  void complete() {
    if (finished_) return;
    finished_ = true;
    // A command that printed nothing sends no blank sheet; a job that cannot be withdrawn
    // goes out as it is.
    if (page_.pages() == 0) device_->abort();
    const bool sent = page_.end() || device_->printerState() == QPrinter::Aborted;
    if (!sent || device_->printerState() == QPrinter::Error)
      throw RuntimeError::of(482, "the printer " + what_ + " did not take the document");
  }

  std::unique_ptr<QPrinter> device_;  // before the painter, which paints on it to the end
  std::string what_;
  platform::qt::PagePainter page_;
  bool finished_ = false;
};

}  // namespace

bool systemHasPrinter() {
  const QPrinterInfo chosen = QPrinterInfo::defaultPrinter();
  return !chosen.isNull() && QPrinterInfo::availablePrinterNames().contains(chosen.printerName());
}

std::unique_ptr<platform::Printer> makeSystemPrinter() {
  if (!systemHasPrinter()) throw RuntimeError::of(484);
  const QPrinterInfo chosen = QPrinterInfo::defaultPrinter();
  auto device = std::make_unique<QPrinter>(chosen, QPrinter::HighResolution);
  device->setDocName("zorir77024");
  return makeQPrinterPrinter(std::move(device),
                             "\"" + platform::fromUtf8(chosen.printerName().toStdString()) + "\"");
}

std::unique_ptr<platform::Printer> makeQPrinterPrinter(std::unique_ptr<QPrinter> device,
                                                       std::string what) {
  return std::make_unique<QPrinterPrinter>(std::move(device), std::move(what));
}

}  // namespace zr::gui
