// The window's measures: twips (1440 an inch) turned into pixels at the screen's logical dpi,
// and where a window of a given size goes on the available part of a screen. Pure arithmetic,
// no widgets.
#pragma once

#include <QRect>
#include <QSize>

namespace zr::gui {

inline constexpr double kTwipsPerInch = 1440.0;

// Twips to device-independent pixels at `dpi` (96 dpi: 15 twips a pixel), rounded to nearest.
int twipsToPixels(int twips, double dpi);

// A rectangle given in twips, in pixels.
QRect twipsRect(int left, int top, int width, int height, double dpi);

// Where a window of `wanted` client size, with `frame` extra for its decorations, goes on
// `available`: centred, its size cut to what fits so that the whole frame stays on screen.
// The result holds the frame's top-left corner (QWidget::move) and the client size (resize).
QRect placeOnScreen(QSize wanted, QSize frame, const QRect& available);

}  // namespace zr::gui
