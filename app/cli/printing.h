// The command line's printer: `--print FILE` chooses a PDF (".pdf" in any case) or a text
// file by the name; without it the list goes to standard output as text. Touches only the
// file it is given, and that only once the command prints.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/printer.h"

namespace zr::cli {

// printPath is a native path, or empty for standard output. The printer is made on the first
// printer() call; a text file is then opened (truncated), and one that cannot be is error 75
// naming it. finish() finishes the printer if it was made, and nothing otherwise.
std::unique_ptr<platform::PrinterProvider> makeCliPrinters(std::string printPath);

// Whether the path's name ends in `extension` (given in lower case, ".pdf"), in any case.
bool hasExtension(const std::string& path, std::string_view extension);

}  // namespace zr::cli
