#include "todolist/row_painter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>
#include <algorithm>

#include "platform/qt_convert.h"

namespace {

// Fills the rectangle of these edges (right and bottom just outside), when it is not empty.
void Fill(QPainter& painter, int left, int top, int right, int bottom, const QColor& color) {
    if (right > left && bottom > top) {
        painter.fillRect(EdgeRect(left, top, right, bottom), color);
    }
}

// value / divisor rounded to the nearest integer, ties to the even one.
int DivideRoundHalfEven(long long value, long long divisor) {
    long long quotient = value / divisor;
    long long remainder = value % divisor;
    if (remainder < 0) {
        remainder += divisor;
        --quotient;
    }
    const long long twice = remainder * 2;
    if (twice > divisor || (twice == divisor && (quotient % 2) != 0)) {
        ++quotient;
    }
    return static_cast<int>(quotient);
}

}  // namespace

TRowPainter::TRowPainter(TRowPaintSetup setup)
    : s_(std::move(setup)),
      completionFont_(ToQFont(s_.Look.CompletionFont, s_.BaseFont)),
      priorityFont_(ToQFont(s_.Look.PriorityFont, s_.BaseFont)),
      previewFont_(ToQFont(s_.Look.PreviewFont, s_.BaseFont)) {
    columnFonts_.reserve(static_cast<std::size_t>(s_.Columns.Count()));
    for (const TTodoColumnItem* column : s_.Columns) {
        columnFonts_.push_back(ToQFont(column->Font(), s_.BaseFont));
    }
}

QColor TRowPainter::Resolve(TColor color) const {
    return ToQColor(color, s_.Palette);
}

void TRowPainter::Paint(QPainter& painter, const TTodoItem& item, const QRect& rect,
                        bool selected) const {
    const TRowLook& look = s_.Look;
    const int rl = rect.left();
    const int rt = rect.top();
    const int rr = rect.left() + rect.width();
    const int rb = rect.top() + rect.height();
    const int itemHeight = s_.ItemHeight;

    // What the platform hands an owner-drawn row: highlight for a selected one.
    TColor brush = selected ? clHighlight : look.Color;
    const bool showSelected = selected && look.ShowSelection;
    const bool highPriority = item.Priority() == tpHigh || item.Priority() == tpHighest;

    // The cells, left to right.
    int left = rl;
    const int count = s_.Columns.Count();
    for (int c = 0; c < count; ++c) {
        const TTodoColumnItem& column = *s_.Columns.At(c);
        const int right = left + column.Width();
        const TFont& font = item.Complete() ? look.CompletionFont
                            : highPriority  ? look.PriorityFont
                                            : column.Font();
        const QFont& qfont = item.Complete() ? completionFont_
                             : highPriority  ? priorityFont_
                                             : columnFonts_[static_cast<std::size_t>(c)];
        TColor fontColor = font.Color;
        if (showSelected) {
            brush = look.SelectionColor;
            fontColor = look.SelectionFontColor;
        } else {
            brush = column.Color();
        }
        if (selected && c == s_.CursorColumn) {
            brush = look.Color;
            fontColor = look.Font.Color;
        }
        Fill(painter, left, rt, c == count - 1 ? rr : right, rt + itemHeight, Resolve(brush));
        QRect cell = EdgeRect(left, rt, right, rt + itemHeight);
        if (look.GridLines) {
            cell.translate(1, 1);
        }
        PaintCell(painter, item, column, cell, qfont, Resolve(fontColor));
        left = right;
    }

    // The notes preview band, in the background of the last cell.
    if (look.Preview) {
        Fill(painter, rl, rt + itemHeight, rr, rb, Resolve(brush));
        const QRect band = EdgeRect(rl, rt + itemHeight + 1, rr, rb);
        if (!band.isEmpty() && !item.Notes().IsEmpty()) {
            QString text = LocalString(item.Notes().Text());
            text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            painter.save();
            painter.setClipRect(band);
            painter.setFont(previewFont_);
            painter.setPen(Resolve(look.PreviewFont.Color));
            painter.drawText(band, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
            painter.restore();
        }
    }

    // Right of the last column.
    Fill(painter, left, rt, rr, rt + itemHeight,
         Resolve(showSelected ? look.SelectionColor : look.Color));

    // Grid lines: the bottom line, and between columns only without the preview.
    if (look.GridLines) {
        const QColor gray = Resolve(clGray);
        painter.fillRect(EdgeRect(rl, rb - 1, rr, rb), gray);
        if (!look.Preview) {
            int x = rl;
            for (int c = 0; c + 1 < count; ++c) {
                x += s_.Columns.At(c)->Width();
                if (x >= rl && x < rr) {
                    painter.fillRect(EdgeRect(x, rt, x + 1, rb), gray);
                }
            }
        }
    }

    // The platform's focus rectangle around the focused row.
    if (selected && s_.HasFocus) {
        PaintFocusRect(painter, rect);
    }
}

void TRowPainter::PaintCell(QPainter& painter, const TTodoItem& item, const TTodoColumnItem& column,
                            const QRect& cell, const QFont& font, const QColor& fontColor) const {
    const TAlignment alignment = column.Alignment();
    const TTodoData kind = column.TodoData();
    switch (kind) {
        case tdCompletion:
            if (s_.CompletionGraphic) {
                PaintCompletionBar(painter, cell, item.Complete() ? 100 : item.Completion(), font);
                return;
            }
            break;
        case tdPriority:
            // Always at the cell's left edge, whatever the alignment.
            s_.PriorityImages.Draw(painter, cell.left(), cell.top(), 4 - int(item.Priority()));
            return;
        case tdImage:
            if (s_.Images && item.ImageIndex() >= 0) {
                s_.Images->Draw(painter, cell.left(), cell.top(), item.ImageIndex(), true);
            }
            return;
        case tdComplete:
            PaintCheck(painter, cell, alignment, item.Complete(), false);
            return;
        case tdHandle:
            PaintCheck(painter, cell, alignment, true, true);
            return;
        default:
            // An unknown kind has no text and shows only the cell background.
            break;
    }
    PaintText(painter, cell, CellText(item, kind, s_.Texts), alignment, font, fontColor);
}

void TRowPainter::PaintText(QPainter& painter, const QRect& cell, const QString& text,
                            TAlignment alignment, const QFont& font, const QColor& color) const {
    if (text.isEmpty() || cell.width() <= 0 || cell.height() <= 0) {
        return;
    }
    const QFontMetrics metrics(font);
    // One line, cut with an ellipsis and clipped to the cell, so nothing spills over.
    const QString shown = metrics.elidedText(text, Qt::ElideRight, cell.width());
    painter.save();
    painter.setClipRect(cell);
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(cell, ToQAlignment(alignment) | Qt::AlignTop | Qt::TextSingleLine, shown);
    painter.restore();
}

void TRowPainter::PaintCompletionBar(QPainter& painter, const QRect& cell, int value,
                                     QFont font) const {
    // The bar is the cell shrunk by 2 pixels on every side; the cell background was
    // painted already and stays around it.
    const int bl = cell.left() + 2;
    const int bt = cell.top() + 2;
    const int br = cell.left() + cell.width() - 2;
    const int bb = cell.top() + cell.height() - 2;
    const int w = br - bl;
    const int h = bb - bt;
    if (w <= 0 || h <= 0) {
        return;
    }
    font.setBold(false);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    const QString text = QString::number(value) + QLatin1Char('%');
    // A value above 100 (possible in a foreign file) must not paint beyond the bar.
    const int split =
        std::clamp(bl + DivideRoundHalfEven(static_cast<long long>(w) * value, 100), bl, br);
    const QFontMetrics metrics(font);
    const int x = bl + (w - metrics.horizontalAdvance(text)) / 2;
    const int y = bt + (h - metrics.height()) / 2 + metrics.ascent();

    painter.save();
    painter.setFont(font);
    auto part = [&](int left, int right, TColor fill, TColor ink) {
        if (right <= left) {
            return;
        }
        const QRect r = EdgeRect(left, bt, right, bb);
        painter.setClipRect(r);
        painter.fillRect(r, Resolve(fill));
        painter.setPen(Resolve(ink));
        painter.drawText(QPoint(x, y), text);
    };
    part(bl, split, s_.Progress.CompleteColor(), s_.Progress.CompleteFontColor());
    part(split, br, s_.Progress.UnCompleteColor(), s_.Progress.UnCompleteFontColor());
    painter.restore();
}

void TRowPainter::PaintCheck(QPainter& painter, const QRect& cell, TAlignment alignment,
                             bool checked, bool handle) const {
    // A 14x14 box placed by the column's alignment.
    const int cl = cell.left();
    const int cr = cell.left() + cell.width();
    int boxLeft;
    switch (alignment) {
        case taRightJustify:
            boxLeft = cr - 15;
            break;
        case taCenter:
            boxLeft = cl + 1 + (cr - cl - 14) / 2;
            break;
        case taLeftJustify:
        default:
            boxLeft = cl + 1;
            break;
    }
    const int boxTop = cell.top() + 1;
    if (handle) {
        painter.drawPixmap(boxLeft, boxTop, s_.CheckedGlyph);
        return;
    }
    switch (s_.Check.CheckType()) {
        case ctCheckBox: {
            // A flat check box: a one-pixel frame, the window colour inside, and a tick.
            painter.fillRect(QRect(boxLeft, boxTop, 14, 14), Resolve(clBtnShadow));
            painter.fillRect(QRect(boxLeft + 1, boxTop + 1, 12, 12), Resolve(clWindow));
            if (checked) {
                const QColor ink = Resolve(clWindowText);
                // The classic 7-pixel tick, each column 3 pixels tall.
                static constexpr int kTick[7] = {5, 6, 7, 6, 5, 4, 3};
                for (int i = 0; i < 7; ++i) {
                    painter.fillRect(QRect(boxLeft + 3 + i, boxTop + kTick[i], 1, 3), ink);
                }
            }
            break;
        }
        case ctCheckMark:
            painter.drawPixmap(boxLeft, boxTop, checked ? s_.CheckedGlyph : s_.UncheckedGlyph);
            break;
        case ctGlyph: {
            const QPixmap& glyph =
                checked ? s_.Check.CompletedGlyph() : s_.Check.UnCompletedGlyph();
            if (!glyph.isNull()) {
                painter.drawPixmap(boxLeft, boxTop, glyph);
            }
            break;
        }
    }
}

void TRowPainter::PaintFocusRect(QPainter& painter, const QRect& rect) const {
    // Every other pixel of the outline, inverted, as the platform's focus rectangle.
    QPolygon points;
    const int l = rect.left();
    const int t = rect.top();
    const int r = rect.right();
    const int b = rect.bottom();
    for (int x = l; x <= r; x += 2) {
        points << QPoint(x, t) << QPoint(x, b);
    }
    for (int y = t + 2; y < b; y += 2) {
        points << QPoint(l, y) << QPoint(r, y);
    }
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    // Each dot a one-pixel square rather than a point: a point is a pen-wide square around
    // its coordinate, which at a device pixel ratio of 2 straddles four logical pixels.
    for (const QPoint& point : points) {
        painter.fillRect(QRect(point, QSize(1, 1)), Qt::white);
    }
    painter.restore();
}
