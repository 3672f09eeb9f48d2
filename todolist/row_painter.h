#pragma once

// How one row of the to-do list is painted: the cells left to right by each column's data
// kind (texts, the completion bar, the done checks, the priority glyphs, images), the notes
// preview band, the selection and the cell cursor, grid lines and the focus rectangle.
//
// Like a Qt item delegate the painter is given a painter, the row's rectangle and state
// and the item. What stays the same for a whole paint event (the list's look, the palette,
// the fonts made from the model's fonts) it takes once, when it is made.

#include <QFont>
#include <QPalette>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <vector>

#include "model/cell_text.h"
#include "model/todo_collections.h"
#include "model/todo_types.h"
#include "todolist/todo_glyphs.h"
#include "todolist/todo_looks.h"

class QPainter;

// The row list box's own settings of the rows' look.
struct TRowLook {
    // The background of the list and of the cell under the cursor; the font's colour is
    // the cursor cell's text colour.
    TColor Color = clWindow;
    TFont Font;
    bool GridLines = false;
    bool Preview = false;
    TFont PreviewFont;
    // Every cell of a completed item, and of an item of high or highest priority.
    TFont CompletionFont;
    TFont PriorityFont;
    bool ShowSelection = true;
    TColor SelectionColor = clHighlight;
    TColor SelectionFontColor = clHighlightText;
    // The format of every date cell, in the program's pattern language.
    QString DateFormat;
};

// Everything a paint event of the rows reads besides the items.
struct TRowPaintSetup {
    const TRowLook& Look;
    const TTodoColumnCollection& Columns;
    const TProgressLook& Progress;
    const TCompleteCheck& Check;
    // The images of tdImage cells (may be null) and the built-in glyphs.
    const TImageList* Images;
    const TImageList& PriorityImages;
    const QPixmap& CheckedGlyph;
    const QPixmap& UncheckedGlyph;
    // The texts of the text cells.
    TCellTextContext Texts;
    QPalette Palette;
    // The font that model fonts with an empty face or size fall back to.
    QFont BaseFont;
    // The height of a row's cells; the rest of a row is the preview band.
    int ItemHeight = 18;
    bool CompletionGraphic = true;
    // The list has the keyboard focus: the selected row gets the focus rectangle.
    bool HasFocus = false;
    // The column of the cell cursor, -1 when the list shows none (not focused, not
    // editable).
    int CursorColumn = -1;
};

class TRowPainter {
public:
    explicit TRowPainter(TRowPaintSetup setup);

    // Paints the row of `item` into `rect`, which it covers completely; a selected row in
    // the selection colours (when the look shows the selection).
    void Paint(QPainter& painter, const TTodoItem& item, const QRect& rect, bool selected) const;

private:
    void PaintCell(QPainter& painter, const TTodoItem& item, const TTodoColumnItem& column,
                   const QRect& cell, const QFont& font, const QColor& fontColor) const;
    void PaintText(QPainter& painter, const QRect& cell, const QString& text, TAlignment alignment,
                   const QFont& font, const QColor& color) const;
    void PaintCompletionBar(QPainter& painter, const QRect& cell, int value, QFont font) const;
    void PaintCheck(QPainter& painter, const QRect& cell, TAlignment alignment, bool checked,
                    bool handle) const;
    void PaintFocusRect(QPainter& painter, const QRect& rect) const;
    QColor Resolve(TColor color) const;

    TRowPaintSetup s_;
    // Made once: a QFont built per cell would cost more than the cell.
    std::vector<QFont> columnFonts_;
    QFont completionFont_;
    QFont priorityFont_;
    QFont previewFont_;
};
