#include "platform/printer.h"

#include <ostream>

#include "platform/errors.h"
#include "platform/ui.h"

namespace zr::platform {

TextPrinter::TextPrinter(std::ostream& out, std::string what)
    : out_(out), what_(std::move(what)) {}

void TextPrinter::setFont(std::string_view name, double points) {
  fontName_ = name;
  fontSize_ = points;
}

void TextPrinter::printLine(std::string_view cp1252) {
  if (finished_) return;
  if (pages_ == 0) {
    pages_ = 1;
  } else if (pageBreakPending_) {
    out_ << '\f';
    ++pages_;
  }
  pageBreakPending_ = false;
  out_ << toUtf8(cp1252) << '\n';
  check();
}

void TextPrinter::newPage() {
  // A page break before anything is printed, or twice in a row, gives no empty page.
  if (pages_ > 0) pageBreakPending_ = true;
}

void TextPrinter::endDocument() { newPage(); }

void TextPrinter::finish() {
  if (finished_) return;
  finished_ = true;
  out_.flush();
  check();
}

void TextPrinter::check() {
  if (!out_) throw RuntimeError::of(57, what_);
}

namespace {

class NoPrinter : public PrinterProvider {
 public:
  Printer& printer() override { throw RuntimeError::of(484); }
  void finish() override {}
};

}  // namespace

std::unique_ptr<PrinterProvider> makeNoPrinter() { return std::make_unique<NoPrinter>(); }

}  // namespace zr::platform
