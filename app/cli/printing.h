// PROVISIONAL: replaced by the printer choice of the command line.
#pragma once
#include <memory>
#include <string>
#include "platform/printer.h"
namespace zr::cli {
std::unique_ptr<platform::PrinterProvider> makeCliPrinters(std::string printPath);
}
