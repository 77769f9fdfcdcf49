// Inside the layer: the program's texts are Windows-1252 bytes; the toolkit's are QStrings.
#pragma once

#include "platform/core/win_types.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

#include <string>
#include <string_view>

namespace platform {

class Palette;

QString fromWindows1252(std::string_view text);
// Characters outside Windows-1252 become '?'.
std::string toWindows1252(const QString& text);

inline QRect toQRect(const Rect& r) {
    return QRect(r.left, r.top, r.width(), r.height());
}
inline Rect fromQRect(const QRect& r) {
    return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

// The colour drawn for a COLORREF with a selected palette (see platform::resolveColour).
QColor toQColor(COLORREF colour, const Palette* selected = nullptr);
COLORREF fromQColor(const QColor& colour);

// "MS Sans Serif" at 8 points (11 pixels at 96 dots per inch): the dialogs' and the system's font.
QFont defaultGuiFont();

} // namespace platform
