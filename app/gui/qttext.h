// Texts between the model's CP1252 bytes and Qt's strings, and the model's colours as Qt's.
#pragma once

#include <QColor>
#include <QString>
#include <string>
#include <string_view>

#include "paydates/calendar.h"
#include "platform/ui.h"

namespace zr::gui {

inline QString qtText(std::string_view cp1252) {
  return QString::fromStdString(platform::toUtf8(cp1252));
}

// A caption set by code on a button or a check box: an "&" in it is a character, not a mnemonic.
inline QString qtCaption(std::string_view cp1252) {
  return qtText(cp1252).replace('&', "&&");
}

inline std::string modelText(const QString& text) {
  return platform::fromUtf8(text.toStdString());
}

inline QColor qtColor(Rgb c) {
  return QColor(c.r, c.g, c.b);
}

}  // namespace zr::gui
