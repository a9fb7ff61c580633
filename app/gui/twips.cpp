#include "twips.h"

#include <algorithm>
#include <cmath>

namespace zr::gui {

int twipsToPixels(int twips, double dpi) {
  return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

QRect twipsRect(int left, int top, int width, int height, double dpi) {
  return {twipsToPixels(left, dpi), twipsToPixels(top, dpi), twipsToPixels(width, dpi),
          twipsToPixels(height, dpi)};
}

QRect placeOnScreen(QSize wanted, QSize frame, const QRect& available) {
  const int width = std::max(1, std::min(wanted.width(), available.width() - frame.width()));
  const int height = std::max(1, std::min(wanted.height(), available.height() - frame.height()));
  // The frame, not the client area, is what is centred: its decorations count as the window.
  const int left = available.left() + (available.width() - width - frame.width()) / 2;
  const int top = available.top() + (available.height() - height - frame.height()) / 2;
  return {std::max(available.left(), left), std::max(available.top(), top), width, height};
}

}  // namespace zr::gui
