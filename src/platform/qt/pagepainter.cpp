#include "platform/qt/pagepainter.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <cmath>

#include "platform/errors.h"
#include "platform/numtext.h"
#include "platform/ui.h"

namespace zr::platform::qt {
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

PagePainter::PagePainter(QPagedPaintDevice& device) : device_(device) {
  device_.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                    QMarginsF(kLeftMm, kTopMm, kRightMm, kBottomMm),
                                    QPageLayout::Millimeter));
  if (!painter_.begin(&device_)) return;
  pageHeight_ = device_.height();
  // As on paper, nothing lands in the margins: a line too long is cut at the right one.
  painter_.setClipRect(QRectF(0, 0, device_.width(), pageHeight_));
  applyFont(fixedPitchFont(kDefaultFamily, kDefaultPoints));
}

void PagePainter::setFont(std::string_view name, double points) {
  applyFont(fixedPitchFont(name, points));
}

void PagePainter::applyFont(const QFont& chosen) {
  font_ = chosen;
  painter_.setFont(font_);
  const QFontMetricsF metrics(font_, &device_);
  lineHeight_ = metrics.lineSpacing();
  ascent_ = metrics.ascent();
}

void PagePainter::startLine() {
  if (pages_ == 0) {
    pages_ = 1;
  } else if (breakPending_ || (y_ > 0 && y_ + lineHeight_ > pageHeight_)) {
    device_.newPage();
    ++pages_;
    y_ = 0;
  }
  breakPending_ = false;
}

void PagePainter::printLine(std::string_view cp1252) {
  startLine();
  painter_.drawText(QPointF(0, y_ + ascent_), qtText(cp1252));
  y_ += lineHeight_;
}

bool PagePainter::end() { return painter_.end(); }

std::string PagePainter::fontFamily() const { return QFontInfo(font_).family().toStdString(); }

}  // namespace zr::platform::qt
