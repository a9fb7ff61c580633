// The system's default printer as the run time's printer object: a command's document painted
// through QPrinter, which hands it to the print system. Touches only the print system.
#pragma once

#include <memory>
#include <string>

#include "platform/printer.h"

class QPrinter;

namespace zr::gui {

// True when the print system has a default printer among its available ones.
bool systemHasPrinter();

// The default printer, A4, in the lists' fixed-pitch face. None installed is error 484: a
// QPrinter without one would print into a file nobody asked for. A printer that cannot start
// the job is error 482 naming it.
std::unique_ptr<platform::Printer> makeSystemPrinter();

// The same document on a QPrinter the caller set up (tests send it into a PDF file); `what`
// names it in errors.
std::unique_ptr<platform::Printer> makeQPrinterPrinter(std::unique_ptr<QPrinter> device,
                                                       std::string what);

}  // namespace zr::gui
