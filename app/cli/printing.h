// The command line's printer: `--print FILE` chooses a PDF (".pdf" in any case) or a text
// file by the name; without it the list goes to standard output as text. Touches only the
// file it is given, and that only once the command prints.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/printer.h"

namespace zr::cli {

// Whether this build prints PDF (the build with Qt).
#ifdef ZR_HAVE_QT
inline constexpr bool kPdfPrinting = true;
#else
inline constexpr bool kPdfPrinting = false;
#endif

// Why `printPath` cannot be printed to by a build that does (`pdfPrinting`) or does not print
// PDF; nullopt when it can. Names the file.
std::optional<std::string> unprintableReason(const std::string& printPath, bool pdfPrinting);

// printPath is a native path, or empty for standard output. A path this build cannot print to
// is a std::runtime_error at once, before any command runs. The printer is made on the first
// printer() call; a text file is then opened (truncated), and one that cannot be is error 75
// naming it. finish() finishes the printer if it was made, and nothing otherwise.
std::unique_ptr<platform::PrinterProvider> makeCliPrinters(std::string printPath);

// Whether the path's name ends in `extension` (given in lower case, ".pdf"), in any case.
bool hasExtension(const std::string& path, std::string_view extension);

}  // namespace zr::cli
