#include "guiprinters.h"

#include "printing.h"
#include "systemprinter.h"

namespace zr::gui {

GuiPrinters::GuiPrinters() : GuiPrinters(makeSystemPrinter) {}

GuiPrinters::GuiPrinters(SystemPrinterMaker makeSystem) : makeSystem_(std::move(makeSystem)) {}

GuiPrinters::~GuiPrinters() = default;

void GuiPrinters::useSystemPrinter() { file_.clear(); }

void GuiPrinters::useFile(std::string path) { file_ = std::move(path); }

platform::Printer& GuiPrinters::printer() {
  if (!file_.empty()) {
    if (!fileOutput_) fileOutput_ = cli::makeCliPrinters(file_);
    return fileOutput_->printer();
  }
  if (!system_) system_ = makeSystem_();
  return *system_;
}

void GuiPrinters::finish() {
  // Whatever the completion gives, the next command starts on the system printer again.
  file_.clear();
  const auto fileOutput = std::move(fileOutput_);
  const auto system = std::move(system_);
  if (fileOutput) fileOutput->finish();
  if (system) system->finish();
}

}  // namespace zr::gui
