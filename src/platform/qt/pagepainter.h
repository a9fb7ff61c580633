// The drawing the Qt printers share: a command's lines painted page by page onto a paged
// device (the PDF writer, the system printer), A4 portrait, in a fixed-pitch face. Touches
// only the device it is given, which must outlive it.
#pragma once

#include <QFont>
#include <QPainter>
#include <string>
#include <string_view>

class QPagedPaintDevice;

namespace zr::platform::qt {

class PagePainter {
 public:
  // Lays the device's pages out and begins painting in the default face; active() is false
  // when the device refuses to begin. A default face that is not fixed-pitch is error 482.
  explicit PagePainter(QPagedPaintDevice& device);
  PagePainter(const PagePainter&) = delete;
  PagePainter& operator=(const PagePainter&) = delete;

  bool active() const { return painter_.isActive(); }
  // The face asked for when the system has it, otherwise Liberation Mono, its metric twin; a
  // face that turns out proportional is error 482 (columns would no longer line up) and a
  // size that is no size is error 5. Either way the face in use is kept.
  void setFont(std::string_view name, double points);
  // A page that is full breaks by itself, as paper does; a line too long is cut at the margin.
  void printLine(std::string_view cp1252);
  // A break before the first line, or twice in a row, gives no empty page.
  void newPage() { breakPending_ = true; }
  int pages() const { return pages_; }
  // Painting ends; false when the device reported a failure.
  bool end();
  // The family the current font resolved to.
  std::string fontFamily() const;

 private:
  void applyFont(const QFont& chosen);
  void startLine();

  QPagedPaintDevice& device_;
  QPainter painter_;
  QFont font_;
  double lineHeight_ = 0;  // device units, as every position below
  double ascent_ = 0;
  double pageHeight_ = 0;
  double y_ = 0;  // top of the next line on the current page
  int pages_ = 0;
  bool breakPending_ = false;
};

}  // namespace zr::platform::qt
