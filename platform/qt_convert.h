#pragma once

// Conversions between the model's values (texts, colours, fonts) and Qt's.

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRect>
#include <QString>
#include <string>

#include "model/todo_types.h"

// A text of the model (bytes in the local 8-bit encoding, as the files hold them) as Qt
// shows it.
inline QString LocalString(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

// A colour of the program as Qt paints it. System colours (clWindow, clHighlight, ...)
// take the matching role of the palette; clNone is transparent and clDefault the palette's
// base colour (the background of a list or edit box).
QColor ToQColor(TColor color, const QPalette& palette);

// An RGB colour in the program's encoding (red in the lowest byte); the alpha channel is
// dropped, except that an invalid or fully transparent colour gives clNone.
TColor FromQColor(const QColor& color);

// The model font on top of the base font: an empty name or zero sizes keep the base's
// face and size, the four style flags are always taken from the model font. The colour is
// not part of a QFont; paint it with ToQColor(font.Color, palette).
QFont ToQFont(const TFont& font, const QFont& base);

// The model value of a QFont, with the colour given separately. A font sized in pixels
// keeps its pixel size, any other its point size.
TFont FromQFont(const QFont& font, TColor color);

// The horizontal alignment flag of a column's or caption's alignment.
Qt::Alignment ToQAlignment(TAlignment alignment);

// A rectangle given by its edges, right and bottom just outside it, as the program's
// drawing steps give rectangles.
inline QRect EdgeRect(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}
