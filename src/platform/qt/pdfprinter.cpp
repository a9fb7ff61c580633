#include "platform/qt/pdfprinter.h"

#include <QFile>
#include <QPdfWriter>
#include <optional>

#include "platform/errors.h"
#include "platform/qt/guiapp.h"
#include "platform/qt/pagepainter.h"

namespace zr::platform {

struct PdfPrinter::Impl {
  explicit Impl(std::string hostPath);
  void complete();

  std::string path;
  qt::GuiApplicationGuard app;  // first: fonts and painting need it, to the very end
  QFile file;
  QPdfWriter writer{&file};
  std::optional<qt::PagePainter> page;  // once the file is open
  bool finished = false;
};

PdfPrinter::Impl::Impl(std::string hostPath)
    : path(std::move(hostPath)), file(QFile::decodeName(path.c_str())) {
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) throw RuntimeError::of(75, path);
  writer.setCreator("zorir770");
  page.emplace(writer);
  if (!page->active()) throw RuntimeError::of(75, path);
}

void PdfPrinter::Impl::complete() {
  if (finished) return;
  finished = true;
  bool written = page->end() && file.error() == QFileDevice::NoError && file.flush();
  file.close();
  written = written && file.error() == QFileDevice::NoError;
  if (!written) throw RuntimeError::of(57, path);
}

PdfPrinter::PdfPrinter(std::string hostPath) : impl_(std::make_unique<Impl>(std::move(hostPath))) {}

PdfPrinter::~PdfPrinter() {
  // Unwinding from a failed command: keep what was printed; the failure is reported already.
  try {
    impl_->complete();
  } catch (const RuntimeError&) {
  }
}

void PdfPrinter::setFont(std::string_view name, double points) {
  if (impl_->finished) return;
  impl_->page->setFont(name, points);
}

void PdfPrinter::printLine(std::string_view cp1252) {
  if (impl_->finished) return;
  impl_->page->printLine(cp1252);
}

void PdfPrinter::newPage() { impl_->page->newPage(); }

void PdfPrinter::endDocument() { newPage(); }

void PdfPrinter::finish() { impl_->complete(); }

int PdfPrinter::pages() const { return impl_->page->pages(); }

std::string PdfPrinter::fontFamily() const { return impl_->page->fontFamily(); }

std::unique_ptr<Printer> makePdfPrinter(std::string hostPath) {
  return std::make_unique<PdfPrinter>(std::move(hostPath));
}

}  // namespace zr::platform
