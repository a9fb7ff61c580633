#include "platform/qt/pdfprinter.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>

#include "platform/errors.h"
#include "platform/numtext.h"
#include "platform/qt/guiapp.h"
#include "platform/ui.h"

namespace zr::platform {
namespace {

// 98 columns of 9-point Courier take 187 mm, so the right margin is the narrow one.
constexpr double kLeftMm = 15, kTopMm = 12, kRightMm = 7, kBottomMm = 12;
constexpr const char* kFallbackFamily = "Liberation Mono";
constexpr std::string_view kDefaultFamily = "Courier New";
constexpr double kDefaultPoints = 10;

QString qtText(std::string_view cp1252) { return QString::fromStdString(toUtf8(cp1252)); }

QFont fixedPitchFont(std::string_view name, double points) {
  if (!(points > 0) || !std::isfinite(points))
    throw RuntimeError::of(5, "font size " + (std::isnan(points) ? "NaN" : shortText(points)));
  const QString asked = qtText(name);
  const bool present = QFontDatabase::families().contains(asked, Qt::CaseInsensitive);
  QFont font(present ? asked : QString(kFallbackFamily));
  font.setStyleHint(QFont::TypeWriter);
  font.setPointSizeF(points);
  const QFontInfo got(font);
  if (!got.fixedPitch()) {
    std::string detail = "font \"" + fromUtf8(got.family().toStdString()) + "\"";
    if (got.family().compare(asked, Qt::CaseInsensitive) != 0)
      detail += " (for \"" + std::string(name) + "\")";
    throw RuntimeError::of(482, detail + " is not fixed-pitch");
  }
  return font;
}

}  // namespace

struct PdfPrinter::Impl {
  explicit Impl(std::string hostPath);
  void applyFont(const QFont& chosen);
  void startLine();
  void complete();

  std::string path;
  qt::GuiApplicationGuard app;  // first: fonts and painting need it, to the very end
  QFile file;
  QPdfWriter writer{&file};
  QPainter painter;
  QFont font;
  double lineHeight = 0;  // device units, as every position below
  double ascent = 0;
  double pageHeight = 0;
  double y = 0;  // top of the next line on the current page
  int pages = 0;
  bool breakPending = false;
  bool finished = false;
};

PdfPrinter::Impl::Impl(std::string hostPath)
    : path(std::move(hostPath)), file(QFile::decodeName(path.c_str())) {
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) throw RuntimeError::of(75, path);
  writer.setCreator("zorir770");
  writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                   QMarginsF(kLeftMm, kTopMm, kRightMm, kBottomMm),
                                   QPageLayout::Millimeter));
  if (!painter.begin(&writer)) throw RuntimeError::of(75, path);
  pageHeight = writer.height();
  // As on paper, nothing lands in the margins: a line too long is cut at the right one.
  painter.setClipRect(QRectF(0, 0, writer.width(), pageHeight));
  applyFont(fixedPitchFont(kDefaultFamily, kDefaultPoints));
}

void PdfPrinter::Impl::applyFont(const QFont& chosen) {
  font = chosen;
  painter.setFont(font);
  const QFontMetricsF metrics(font, &writer);
  lineHeight = metrics.lineSpacing();
  ascent = metrics.ascent();
}

void PdfPrinter::Impl::startLine() {
  if (pages == 0) {
    pages = 1;
  } else if (breakPending || (y > 0 && y + lineHeight > pageHeight)) {
    writer.newPage();
    ++pages;
    y = 0;
  }
  breakPending = false;
}

void PdfPrinter::Impl::complete() {
  if (finished) return;
  finished = true;
  bool written = painter.end() && file.error() == QFileDevice::NoError && file.flush();
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
  impl_->applyFont(fixedPitchFont(name, points));
}

void PdfPrinter::printLine(std::string_view cp1252) {
  if (impl_->finished) return;
  impl_->startLine();
  impl_->painter.drawText(QPointF(0, impl_->y + impl_->ascent), qtText(cp1252));
  impl_->y += impl_->lineHeight;
}

// A break before the first line, or twice in a row, gives no empty page: the first line
// starts page 1 whatever is pending, and a pending break is one break.
void PdfPrinter::newPage() { impl_->breakPending = true; }

void PdfPrinter::endDocument() { newPage(); }

void PdfPrinter::finish() { impl_->complete(); }

int PdfPrinter::pages() const { return impl_->pages; }

std::string PdfPrinter::fontFamily() const {
  return QFontInfo(impl_->font).family().toStdString();
}

std::unique_ptr<Printer> makePdfPrinter(std::string hostPath) {
  return std::make_unique<PdfPrinter>(std::move(hostPath));
}

}  // namespace zr::platform
