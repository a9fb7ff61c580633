// The desktop program's printers: the system's default printer for "Stampa", or a PDF or text
// file chosen for one command. Touches the print system (through Qt) and the chosen file only.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/printer.h"

namespace zr::gui {

class GuiPrinters : public platform::PrinterProvider {
 public:
  // Opens the system printer on a command's first print; error 484 when there is none.
  using SystemPrinterMaker = std::function<std::unique_ptr<platform::Printer>()>;

  GuiPrinters();
  // Tests put another device behind "the system printer".
  explicit GuiPrinters(SystemPrinterMaker makeSystem);
  ~GuiPrinters() override;

  // The next command prints on the system printer (the default).
  void useSystemPrinter();
  // The next command prints into this native path: PDF when it ends in ".pdf" (any case),
  // text otherwise. The file is made on the command's first print.
  void useFile(std::string path);

  platform::Printer& printer() override;
  // Completes the command's document (if it printed) and goes back to the system printer.
  void finish() override;

 private:
  SystemPrinterMaker makeSystem_;
  std::string file_;  // empty: the system printer
  std::unique_ptr<platform::PrinterProvider> fileOutput_;
  std::unique_ptr<platform::Printer> system_;
};

}  // namespace zr::gui
