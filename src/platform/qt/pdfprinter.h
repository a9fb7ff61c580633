// The PDF printer: a command's document painted through Qt into one PDF file, A4 portrait,
// in a fixed-pitch face. Touches only that file and the Qt application (guiapp.h).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/printer.h"

namespace zr::platform {

// The file is created (truncated) when the printer is made; a file that cannot be made is
// error 75 naming it. A page that is full breaks by itself, as paper does. `finish` (or the
// destructor, when the command ended on an error) completes the PDF; a document in which
// nothing was printed is a valid PDF of one blank page, so the named file always exists.
// A failed write is error 57 naming the file. The face asked for is used when the system has
// it, otherwise Liberation Mono, its metric twin; a face that turns out proportional is
// error 482 naming it, since columns would no longer line up.
// Without a running Qt application the printer makes its own (see guiapp.h); another printer
// made while this one lives shares it, so this one must outlive it.
class PdfPrinter : public Printer {
 public:
  explicit PdfPrinter(std::string hostPath);
  ~PdfPrinter() override;

  void setFont(std::string_view name, double points) override;
  void printLine(std::string_view cp1252) override;
  void newPage() override;
  void endDocument() override;
  void finish() override;
  int pages() const override;

  // The family the current font resolved to.
  std::string fontFamily() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

std::unique_ptr<Printer> makePdfPrinter(std::string hostPath);

}  // namespace zr::platform
