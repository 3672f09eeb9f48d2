#include "todolist/todo_list_box.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>
#include <QScrollBar>
#include <QStyleHints>
#include <algorithm>
#include <vector>

#include <QCoreApplication>
#include <QHelpEvent>

#include "model/cell_text.h"
#include "model/date_time.h"
#include "platform/clock.h"
#include "platform/format_settings.h"
#include "platform/qt_convert.h"
#include "todolist/todo_list.h"

namespace {

// Rectangles below are given by their edges, with right and bottom just outside, as the
// row painting steps describe them.
QRect Edges(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

void Fill(QPainter& painter, int left, int top, int right, int bottom, const QColor& color) {
    if (right > left && bottom > top) {
        painter.fillRect(Edges(left, top, right, bottom), color);
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

Qt::Alignment HorizontalFlags(TAlignment alignment) {
    switch (alignment) {
        case taRightJustify:
            return Qt::AlignRight;
        case taCenter:
            return Qt::AlignHCenter;
        case taLeftJustify:
        default:
            return Qt::AlignLeft;
    }
}

const char* const kRowMimeType = "application/x-pellmark-todo-row";

IClock& SystemClock() {
    static TQtClock clock;
    return clock;
}

// Blanks and control characters at both ends removed.
QString TrimControls(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first).unicode() <= ' ') {
        ++first;
    }
    while (last > first && text.at(last - 1).unicode() <= ' ') {
        --last;
    }
    return text.mid(first, last - first);
}

}  // namespace

// Fonts and metrics made once per paint event: painting costs the visible rows only, and a
// QFont built per cell would cost more than the cell.
struct TTodoListBox::TPaintCache {
    QPalette palette;
    QFont base;
    std::vector<QFont> columnFonts;
    QFont completionFont;
    QFont priorityFont;
    QFont previewFont;
    TCellTextContext cellTexts;
    int itemHeight = 0;
    bool completionGraphic = true;
    bool hasFocus = false;
};

TTodoListBox::TTodoListBox(TCustomTodoList* owner)
    : QAbstractScrollArea(owner),
      owner_(owner),
      items_(std::make_unique<TTodoItemCollection>(this)),
      columns_(std::make_unique<TTodoColumnCollection>(this)),
      priorityImages_(12, 12),
      clock_(&SystemClock()) {
    setFrameStyle(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::ClickFocus);
    // Every pixel of the view is painted by paintEvent, so Qt need not clear it first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    viewport()->setAcceptDrops(true);
    viewport()->setMouseTracking(true);
    verticalScrollBar()->setSingleStep(1);

    priorityImages_.AddStrip(PriorityStripBitmap(), qRgb(255, 255, 255));
    checkedGlyph_ = MakeTransparentByCorner(CheckedGlyphBitmap());
    uncheckedGlyph_ = MakeTransparentByCorner(UncheckedGlyphBitmap());

    previewFont_.Color = clBlue;
    completionFont_.Style = fsStrikeOut;
    completionFont_.Color = clGray;
    priorityFont_.Color = clRed;
    progressLook_.OnChange = [this](TProgressLook*) { RepaintAll(); };
    dateFormat_ = SystemFormatSettings().ShortDateFormat;

    editing_ = std::make_unique<TCellEditing>(*this);
    hintWindow_ = new TTodoHintWindow(this);
}

TTodoListBox::~TTodoListBox() {
    // An open edit is dropped, never written, and the editors go before the items.
    editing_.reset();
    // The members go first, while the view still exists but tells nobody about it.
    destroying_ = true;
    items_.reset();
    columns_.reset();
}

// Rows and selection ----------------------------------------------------------------------

void TTodoListBox::SetItemIndex(int value) {
    rememberedIndex_ = value;
    const int old = itemIndex_;
    itemIndex_ = (value >= 0 && value < rowCount_) ? value : -1;
    if (old != itemIndex_) {
        RepaintRow(old);
    }
    RepaintRow(itemIndex_);
    EnsureVisible(itemIndex_);
}

void TTodoListBox::SetRowHeight(int value) {
    if (value < 1 || value == rowHeight_) {
        return;
    }
    rowHeight_ = value;
    UpdateScrollRange();
    RepaintAll();
}

int TTodoListBox::TopIndex() const {
    return verticalScrollBar()->value();
}

void TTodoListBox::SetTopIndex(int row) {
    RowsSettled();
    verticalScrollBar()->setValue(row);
}

int TTodoListBox::VisibleRowCount() const {
    return std::max(1, viewport()->height() / rowHeight_);
}

void TTodoListBox::UpdateScrollRange() {
    rangeStale_ = false;
    const int visible = VisibleRowCount();
    verticalScrollBar()->setPageStep(visible);
    verticalScrollBar()->setRange(0, std::max(0, rowCount_ - visible));
}

void TTodoListBox::EnsureVisible(int row) {
    if (row < 0) {
        return;
    }
    RowsSettled();
    // Before the view has its size, the number of visible rows is not known yet.
    if (!isVisible()) {
        pendingVisibleRow_ = row;
        return;
    }
    const int top = TopIndex();
    if (row < top) {
        SetTopIndex(row);
    } else if (row >= top + VisibleRowCount()) {
        SetTopIndex(row - VisibleRowCount() + 1);
    }
}

void TTodoListBox::SyncRows() {
    if (loading_) {
        return;
    }
    const int count = items_ ? items_->Count() : 0;
    if (count == rowCount_) {
        return;
    }
    const int before = itemIndex_;
    const int old = rowCount_;
    rowCount_ = count;
    if (itemIndex_ >= rowCount_) {
        itemIndex_ = -1;
    }
    if (itemIndex_ < 0 && rowCount_ > 0 && before >= 0) {
        itemIndex_ = std::min(before, rowCount_ - 1);
    }
    // Inside an update bracket of the items (Clear takes the rows away one by one), the
    // scroll range is set once when the bracket closes: row by row it cost five times
    // the loading of a long list that replaced the old one.
    if (items_ && items_->Updating()) {
        rangeStale_ = true;
    } else {
        UpdateScrollRange();
    }
    // Rows from the old last row down change: the new rows, or the cleared space below.
    RepaintRows(std::max(0, std::min(old, count) - 1), std::max(old, count));
    // An edit whose item was just removed must never write into it.
    if (editing_) {
        editing_->RowsChanged();
    }
}

void TTodoListBox::NotesChanged() {
    const int remembered = itemIndex_;
    SyncRows();
    if (remembered == itemIndex_) {
        RepaintRow(itemIndex_);
    } else {
        SetItemIndex(remembered);
    }
}

void TTodoListBox::SetLoading(bool value) {
    // While loading, removed items are not reported; an open edit cannot follow them.
    if (value && editing_) {
        editing_->DropEdit();
    }
    loading_ = value;
}

void TTodoListBox::Loaded() {
    loading_ = false;
    SyncRows();
    SetItemIndex(rememberedIndex_);
}

void TTodoListBox::RowsSettled() {
    if (rangeStale_) {
        UpdateScrollRange();
        RepaintAll();
    }
}

void TTodoListBox::ResumeRepaint() {
    if (suspendCount_ > 0 && --suspendCount_ == 0) {
        RepaintAll();
    }
}

// Geometry --------------------------------------------------------------------------------

QRect TTodoListBox::RowRect(int row) const {
    return QRect(0, (row - TopIndex()) * rowHeight_, viewport()->width(), rowHeight_);
}

int TTodoListBox::RowAt(const QPoint& point) const {
    if (point.x() < 0 || point.y() < 0 || point.x() >= viewport()->width() ||
        point.y() >= viewport()->height()) {
        return -1;
    }
    const int row = TopIndex() + point.y() / rowHeight_;
    return row < rowCount_ ? row : -1;
}

QRect TTodoListBox::CellRect(int column, int row) const {
    const QRect r = RowRect(row);
    int left = r.left();
    const int count = columns_->Count();
    for (int c = 0; c < column && c < count; ++c) {
        left += columns_->At(c)->Width();
    }
    const int width = (column >= 0 && column < count) ? columns_->At(column)->Width() : 0;
    return QRect(left, r.top(), width, owner_->ItemHeight());
}

bool TTodoListBox::CellAtPoint(int x, int y, int& row, int& column, QRect& rect) const {
    row = RowAt(QPoint(x, y));
    column = -1;
    if (row < 0) {
        return false;
    }
    const QRect r = RowRect(row);
    const int bottom = r.top() + owner_->ItemHeight() - 1;
    if (y > bottom) {
        return false;
    }
    int left = r.left();
    for (int c = 0; c < columns_->Count(); ++c) {
        const int right = left + columns_->At(c)->Width();
        if (left <= x && x < right) {
            column = c;
            rect = CellRect(c, row);
            return true;
        }
        left = right;
    }
    return false;
}

// Settings --------------------------------------------------------------------------------

void TTodoListBox::SetColor(TColor value) {
    color_ = value;
    RepaintAll();
}

void TTodoListBox::SetFont(const TFont& value) {
    font_ = value;
    RepaintAll();
}

void TTodoListBox::SetImages(TImageList* value) {
    if (images_) {
        disconnect(images_, nullptr, this, nullptr);
    }
    images_ = value;
    if (value) {
        connect(value, &QObject::destroyed, this, [this] { RepaintAll(); });
    }
    RepaintAll();
}

void TTodoListBox::SetGridLines(bool value) {
    gridLines_ = value;
    RepaintAll();
}

void TTodoListBox::SetPreview(bool value) {
    preview_ = value;
    RepaintAll();
}

void TTodoListBox::SetPreviewFont(const TFont& value) {
    previewFont_ = value;
    RepaintAll();
}

void TTodoListBox::SetCompletionFont(const TFont& value) {
    completionFont_ = value;
    RepaintAll();
}

void TTodoListBox::SetPriorityFont(const TFont& value) {
    priorityFont_ = value;
    RepaintAll();
}

void TTodoListBox::SetShowSelection(bool value) {
    if (showSelection_ != value) {
        showSelection_ = value;
        RepaintAll();
    }
}

void TTodoListBox::SetSelectionColor(TColor value) {
    selectionColor_ = value;
    RepaintAll();
}

void TTodoListBox::SetSelectionFontColor(TColor value) {
    selectionFontColor_ = value;
    RepaintAll();
}

void TTodoListBox::SetDateFormat(const QString& value) {
    dateFormat_ = value;
    RepaintAll();
}

void TTodoListBox::SetTabStop(bool value) {
    setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus);
}

// The model's notifications ---------------------------------------------------------------

void TTodoListBox::RepaintRow(int row) {
    if (suspendCount_ > 0 || row < 0 || row >= rowCount_) {
        return;
    }
    // Rows out of view cost nothing: Qt's dirty region only grows by visible rectangles.
    const QRect rect = RowRect(row).intersected(viewport()->rect());
    if (!rect.isEmpty()) {
        viewport()->update(rect);
    }
}

void TTodoListBox::RepaintRows(int first, int last) {
    if (suspendCount_ > 0) {
        return;
    }
    const int top = TopIndex();
    first = std::max(first, top);
    last = std::min(last, top + VisibleRowCount() + 1);
    if (first > last) {
        return;
    }
    // Down to the bottom of the view, which also clears the space below the last row.
    const QRect rect(0, (first - top) * rowHeight_, viewport()->width(),
                     viewport()->height() - (first - top) * rowHeight_);
    viewport()->update(rect);
}

void TTodoListBox::RepaintAll() {
    if (suspendCount_ == 0) {
        viewport()->update();
    }
}

void TTodoListBox::ColumnsChanged() {
    // The edited cell may have moved, changed its kind or gone.
    EndEdit();
    if (OnColumnsChanged) {
        OnColumnsChanged(this);
    }
}

// Painting --------------------------------------------------------------------------------

void TTodoListBox::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const TPaintCache cache = MakePaintCache();
    const QRect dirty = event->rect();
    const int top = TopIndex();
    const int first = std::max(top, top + dirty.top() / rowHeight_);
    const int last = std::min(rowCount_ - 1, top + dirty.bottom() / rowHeight_);
    for (int row = first; row <= last; ++row) {
        PaintRow(painter, cache, row, RowRect(row), row == itemIndex_);
    }
    // The space below the last row (all of it without rows) shows the list's colour.
    const long long below = static_cast<long long>(rowCount_ - top) * rowHeight_;
    const int fillTop = static_cast<int>(std::max<long long>(below, dirty.top()));
    if (fillTop <= dirty.bottom()) {
        painter.fillRect(QRect(dirty.left(), fillTop, dirty.width(), dirty.bottom() - fillTop + 1),
                         ToQColor(color_, cache.palette));
    }
}

TTodoListBox::TPaintCache TTodoListBox::MakePaintCache() const {
    TPaintCache cache;
    cache.palette = palette();
    cache.base = QWidget::font();
    cache.itemHeight = owner_->ItemHeight();
    cache.completionGraphic = owner_->CompletionGraphic();
    cache.cellTexts = CellTexts();
    cache.hasFocus = hasFocus();
    cache.columnFonts.reserve(static_cast<std::size_t>(columns_->Count()));
    for (const TTodoColumnItem* column : *columns_) {
        cache.columnFonts.push_back(ToQFont(column->Font(), cache.base));
    }
    cache.completionFont = ToQFont(completionFont_, cache.base);
    cache.priorityFont = ToQFont(priorityFont_, cache.base);
    cache.previewFont = ToQFont(previewFont_, cache.base);
    return cache;
}

void TTodoListBox::PaintRow(QPainter& painter, int row, const QRect& rect, bool selected) {
    const TPaintCache cache = MakePaintCache();
    PaintRow(painter, cache, row, rect, selected);
}

void TTodoListBox::PaintRow(QPainter& painter, const TPaintCache& cache, int row, const QRect& rect,
                            bool selected) {
    if (row < 0 || row >= items_->Count()) {
        return;
    }
    const QPalette& pal = cache.palette;

    const TTodoItem& item = *items_->At(row);
    const int rl = rect.left();
    const int rt = rect.top();
    const int rr = rect.left() + rect.width();
    const int rb = rect.top() + rect.height();
    const int itemHeight = cache.itemHeight;

    // 1. Below the last row the list's colour shows.
    if (row == items_->Count() - 1) {
        Fill(painter, rl, rt, rr, viewport()->height(), ToQColor(color_, pal));
    }

    // What the platform hands an owner-drawn row: highlight for a selected one.
    TColor brush = selected ? clHighlight : color_;
    const bool showSelected = selected && showSelection_;
    const bool cursorRow = selected && cache.hasFocus && editable_;
    const bool highPriority = item.Priority() == tpHigh || item.Priority() == tpHighest;

    // 3. The cells, left to right.
    int left = rl;
    const int count = columns_->Count();
    for (int c = 0; c < count; ++c) {
        const TTodoColumnItem& column = *columns_->At(c);
        const int right = left + column.Width();
        const TFont& font = item.Complete() ? completionFont_
                            : highPriority  ? priorityFont_
                                            : column.Font();
        const QFont& qfont = item.Complete() ? cache.completionFont
                             : highPriority  ? cache.priorityFont
                                             : cache.columnFonts[static_cast<std::size_t>(c)];
        TColor fontColor = font.Color;
        if (showSelected) {
            brush = selectionColor_;
            fontColor = selectionFontColor_;
        } else {
            brush = column.Color();
        }
        if (cursorRow && c == focusColumn_) {
            brush = color_;
            fontColor = font_.Color;
        }
        const QColor background = ToQColor(brush, pal);
        Fill(painter, left, rt, c == count - 1 ? rr : right, rt + itemHeight, background);
        QRect cell = Edges(left, rt, right, rt + itemHeight);
        if (gridLines_) {
            cell.translate(1, 1);
        }
        PaintCell(painter, cache, item, column, cell, qfont, ToQColor(fontColor, pal));
        left = right;
    }

    // 4. The notes preview band, in the background of the last cell.
    if (preview_) {
        Fill(painter, rl, rt + itemHeight, rr, rb, ToQColor(brush, pal));
        const QRect band = Edges(rl, rt + itemHeight + 1, rr, rb);
        if (!band.isEmpty() && !item.Notes().IsEmpty()) {
            QString text = LocalString(item.Notes().Text());
            text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            painter.save();
            painter.setClipRect(band);
            painter.setFont(cache.previewFont);
            painter.setPen(ToQColor(previewFont_.Color, pal));
            painter.drawText(band, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
            painter.restore();
        }
    }

    // 5. Right of the last column.
    Fill(painter, left, rt, rr, rt + itemHeight,
         ToQColor(showSelected ? selectionColor_ : color_, pal));

    // 6. Grid lines: the bottom line, and between columns only without the preview.
    if (gridLines_) {
        const QColor gray = ToQColor(clGray, pal);
        painter.fillRect(Edges(rl, rb - 1, rr, rb), gray);
        if (!preview_) {
            int x = rl;
            for (int c = 0; c + 1 < count; ++c) {
                x += columns_->At(c)->Width();
                if (x >= rl && x < rr) {
                    painter.fillRect(Edges(x, rt, x + 1, rb), gray);
                }
            }
        }
    }

    // 7. The platform's focus rectangle around the focused row.
    if (selected && cache.hasFocus) {
        PaintFocusRect(painter, rect);
    }
}

void TTodoListBox::PaintCell(QPainter& painter, const TPaintCache& cache, const TTodoItem& item,
                             const TTodoColumnItem& column, const QRect& cell, const QFont& font,
                             const QColor& fontColor) {
    const TAlignment alignment = column.Alignment();
    const TTodoData kind = column.TodoData();
    switch (kind) {
        case tdCompletion:
            if (cache.completionGraphic) {
                PaintCompletionBar(painter, cell, item.Complete() ? 100 : item.Completion(), font,
                                   cache.palette);
                return;
            }
            break;
        case tdPriority:
            // Always at the cell's left edge, whatever the alignment.
            priorityImages_.Draw(painter, cell.left(), cell.top(), 4 - int(item.Priority()));
            return;
        case tdImage:
            if (images_ && item.ImageIndex() >= 0) {
                images_->Draw(painter, cell.left(), cell.top(), item.ImageIndex(), true);
            }
            return;
        case tdComplete:
            PaintCheck(painter, cell, alignment, item.Complete(), false, cache.palette);
            return;
        case tdHandle:
            PaintCheck(painter, cell, alignment, true, true, cache.palette);
            return;
        default:
            // An unknown kind has no text and shows only the cell background.
            break;
    }
    PaintText(painter, cell, CellText(item, kind, cache.cellTexts), alignment, font, fontColor);
}

void TTodoListBox::PaintText(QPainter& painter, const QRect& cell, const QString& text,
                             TAlignment alignment, const QFont& font, const QColor& color) {
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
    painter.drawText(cell, HorizontalFlags(alignment) | Qt::AlignTop | Qt::TextSingleLine, shown);
    painter.restore();
}

void TTodoListBox::PaintCompletionBar(QPainter& painter, const QRect& cell, int value, QFont font,
                                      const QPalette& palette) {
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
        const QRect r = Edges(left, bt, right, bb);
        painter.setClipRect(r);
        painter.fillRect(r, ToQColor(fill, palette));
        painter.setPen(ToQColor(ink, palette));
        painter.drawText(QPoint(x, y), text);
    };
    part(bl, split, progressLook_.CompleteColor(), progressLook_.CompleteFontColor());
    part(split, br, progressLook_.UnCompleteColor(), progressLook_.UnCompleteFontColor());
    painter.restore();
}

void TTodoListBox::PaintCheck(QPainter& painter, const QRect& cell, TAlignment alignment,
                              bool checked, bool handle, const QPalette& palette) {
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
        painter.drawPixmap(boxLeft, boxTop, checkedGlyph_);
        return;
    }
    switch (owner_->CompleteCheck().CheckType()) {
        case ctCheckBox: {
            // A flat check box: a one-pixel frame, the window colour inside, and a tick.
            painter.fillRect(QRect(boxLeft, boxTop, 14, 14), ToQColor(clBtnShadow, palette));
            painter.fillRect(QRect(boxLeft + 1, boxTop + 1, 12, 12), ToQColor(clWindow, palette));
            if (checked) {
                const QColor ink = ToQColor(clWindowText, palette);
                // The classic 7-pixel tick, each column 3 pixels tall.
                static constexpr int kTick[7] = {5, 6, 7, 6, 5, 4, 3};
                for (int i = 0; i < 7; ++i) {
                    painter.fillRect(QRect(boxLeft + 3 + i, boxTop + kTick[i], 1, 3), ink);
                }
            }
            break;
        }
        case ctCheckMark:
            painter.drawPixmap(boxLeft, boxTop, checked ? checkedGlyph_ : uncheckedGlyph_);
            break;
        case ctGlyph: {
            const TCompleteCheck& look = owner_->CompleteCheck();
            const QPixmap& glyph = checked ? look.CompletedGlyph() : look.UnCompletedGlyph();
            if (!glyph.isNull()) {
                painter.drawPixmap(boxLeft, boxTop, glyph);
            }
            break;
        }
    }
}

void TTodoListBox::PaintFocusRect(QPainter& painter, const QRect& rect) {
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

void TTodoListBox::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
    if (pendingVisibleRow_ >= 0 && isVisible()) {
        const int row = pendingVisibleRow_;
        pendingVisibleRow_ = -1;
        if (row == itemIndex_) {
            EnsureVisible(row);
        }
    }
}

void TTodoListBox::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    UpdateScrollRange();
    if (pendingVisibleRow_ >= 0) {
        const int row = pendingVisibleRow_;
        pendingVisibleRow_ = -1;
        if (row == itemIndex_) {
            EnsureVisible(row);
        }
    }
}

void TTodoListBox::scrollContentsBy(int dx, int dy) {
    Q_UNUSED(dx);
    Q_UNUSED(dy);
    // An open editor would be left over the wrong row.
    EndEdit();
    hintWindow_->HideHint();
    viewport()->update();
}

// Keyboard --------------------------------------------------------------------------------

void TTodoListBox::keyPressEvent(QKeyEvent* event) {
    hintWindow_->HideHint();
    int key = event->key();
    const Qt::KeyboardModifiers shift = event->modifiers();
    // Left and Right move the cell cursor and never scroll sideways.
    if (key == Qt::Key_Left || key == Qt::Key_Right) {
        if (key == Qt::Key_Left && focusColumn_ > 0) {
            --focusColumn_;
        } else if (key == Qt::Key_Right && focusColumn_ < columns_->Count() - 1) {
            ++focusColumn_;
        }
        SetItemIndex(itemIndex_);
        key = 0;
    }
    if (OnKeyDown) {
        OnKeyDown(this, key, shift);
    }
    KeyDownActions(key, shift);
    bool handled = key == 0;
    switch (key) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
            NavigateKey(key);
            handled = true;
            break;
        default:
            break;
    }
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).isPrint()) {
        QChar ch = text.at(0);
        KeyPressActions(ch);
        if (OnKeyPress) {
            OnKeyPress(this, ch);
        }
        handled = true;
    }
    if (handled) {
        event->accept();
    } else {
        event->ignore();
    }
}

void TTodoListBox::keyReleaseEvent(QKeyEvent* event) {
    int key = event->key();
    if (OnKeyUp) {
        OnKeyUp(this, key, event->modifiers());
    }
    event->ignore();
}

void TTodoListBox::KeyDownActions(int& key, Qt::KeyboardModifiers shift) {
    Q_UNUSED(shift);
    if (key == Qt::Key_F2 || key == Qt::Key_Space) {
        StartEdit(itemIndex_, focusColumn_, false, TEditClick(), 0, 0, QChar());
    } else if (key == Qt::Key_Insert && owner_->AutoInsertItem()) {
        InsertItemByKey();
    } else if (key == Qt::Key_Delete && owner_->AutoDeleteItem() && itemIndex_ >= 0) {
        DeleteItemByKey();
    }
    Lookup(key);
}

void TTodoListBox::KeyPressActions(QChar& key) {
    const char16_t c = key.unicode();
    if (editable_ && ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'z'))) {
        StartEdit(itemIndex_, focusColumn_, false, TEditClick(), 0, 0, key);
    }
}

void TTodoListBox::InsertItemByKey() {
    TTodoItem* item = items_->Add();
    const TDateTime now = clock_->Now();
    item->SetCreationDate(now);
    item->SetDueDate(now + 1);
    item->SetCompletionDate(item->DueDate());
    const int index = item->Index();
    if (!owner_->DoItemInsert(item)) {
        // Refused: the item goes again, unless the handler removed it itself.
        if (index >= 0 && index < items_->Count() && items_->At(index) == item) {
            items_->Delete(index);
        }
        return;
    }
    if (index < 0 || index >= items_->Count() || items_->At(index) != item) {
        return;
    }
    item->Select();
    for (int c = columns_->Count() - 1; c >= 0; --c) {
        if (columns_->At(c)->TodoData() == tdSubject) {
            focusColumn_ = c;
            break;
        }
    }
    StartEdit(itemIndex_, focusColumn_, false, TEditClick(), 0, 0, QChar());
}

void TTodoListBox::DeleteItemByKey() {
    const int index = itemIndex_;
    if (index < 0 || index >= items_->Count()) {
        return;
    }
    TTodoItem* item = items_->At(index);
    if (owner_->DoItemDelete(item) && index < items_->Count() && items_->At(index) == item) {
        items_->Delete(index);
    }
}

void TTodoListBox::Lookup(int key) {
    if (key == 0) {
        return;
    }
    // Escape and the navigation keys start a new lookup.
    if (key == Qt::Key_Escape || (key >= Qt::Key_Home && key <= Qt::Key_PageDown)) {
        lookupBuffer_.clear();
        return;
    }
    if (key == Qt::Key_Backspace) {
        if (lookupBuffer_.isEmpty()) {
            return;
        }
        lookupBuffer_.chop(1);
    } else if (key < 32 || key > 255) {
        // Function and modifier keys are no characters.
        return;
    } else if (lookupIncr_) {
        lookupBuffer_ += QChar(key);
    } else {
        lookupBuffer_ = QChar(key);
    }
    // In an editable list the typed characters edit the current cell; moving to another
    // row first would put them into a cell the user did not choose.
    if (editable_ || lookupBuffer_.isEmpty()) {
        return;
    }
    // The rows are compared by the text of the column LookupTodo names when that column
    // holds text, else by their subjects.
    TTodoData kind = tdSubject;
    if (lookupTodo_ >= 0 && lookupTodo_ < columns_->Count() &&
        IsTextKind(columns_->At(lookupTodo_)->TodoData())) {
        kind = columns_->At(lookupTodo_)->TodoData();
    }
    const TCellTextContext texts = CellTexts();
    auto search = [&](int from) {
        for (int row = std::max(from, 0); row < rowCount_ && row < items_->Count(); ++row) {
            if (CellText(*items_->At(row), kind, texts)
                    .startsWith(lookupBuffer_, Qt::CaseInsensitive)) {
                return row;
            }
        }
        return -1;
    };
    int found = -1;
    if (itemIndex_ >= 0 || lookupIncr_) {
        found = search(itemIndex_);
    }
    if (found < 0) {
        found = search(0);
    }
    if (found < 0 && lookupIncr_ && key != Qt::Key_Backspace) {
        lookupBuffer_ = QChar(key);
        found = search(0);
    }
    if (found >= 0) {
        UserSelect(found);
    }
}

void TTodoListBox::NavigateKey(int key) {
    if (rowCount_ == 0) {
        return;
    }
    const int last = rowCount_ - 1;
    const int current = itemIndex_;
    const int page = VisibleRowCount();
    const int top = TopIndex();
    int row = current;
    switch (key) {
        case Qt::Key_Up:
            row = current < 0 ? 0 : current - 1;
            break;
        case Qt::Key_Down:
            row = current < 0 ? 0 : current + 1;
            break;
        case Qt::Key_Home:
            row = 0;
            break;
        case Qt::Key_End:
            row = last;
            break;
        case Qt::Key_PageDown:
            // First to the bottom of the page, then a page further.
            row = current < top + page - 1 ? top + page - 1 : current + page - 1;
            break;
        case Qt::Key_PageUp:
            row = current > top ? top : current - (page - 1);
            break;
        default:
            return;
    }
    UserSelect(std::clamp(row, 0, last));
}

void TTodoListBox::UserSelect(int row) {
    if (row == itemIndex_) {
        EnsureVisible(row);
        return;
    }
    SetItemIndex(row);
    if (OnSelectItem) {
        OnSelectItem(this);
    }
}

// Mouse -----------------------------------------------------------------------------------

void TTodoListBox::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
        leftPressed_ = true;
        pressPoint_ = p;
        const int row = RowAt(p);
        if (row >= 0) {
            UserSelect(row);
        }
    }
    if (OnMouseDown) {
        OnMouseDown(this, event->button(), event->modifiers(), p.x(), p.y());
    }
    event->accept();
}

void TTodoListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        leftPressed_ = true;
        pressPoint_ = p;
        const int row = RowAt(p);
        if (row >= 0) {
            UserSelect(row);
        }
    }
    if (OnMouseDown) {
        OnMouseDown(this, event->button(), event->modifiers(), p.x(), p.y());
    }
    if (event->button() == Qt::LeftButton && OnDblClick) {
        OnDblClick(this);
    }
    event->accept();
}

void TTodoListBox::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (hintWindow_->isVisible() && !hintWindow_->Area().contains(viewport()->mapToGlobal(p))) {
        hintWindow_->HideHint();
    }
    if (leftPressed_) {
        if (dragMode_ == dmAutomatic) {
            if ((p - pressPoint_).manhattanLength() >=
                QGuiApplication::styleHints()->startDragDistance()) {
                leftPressed_ = false;
                StartRowDrag(p);
                return;
            }
        } else {
            // The selection follows the pointer while the button is held.
            const int y = std::clamp(p.y(), 0, std::max(0, viewport()->height() - 1));
            const int row = RowAt(QPoint(std::clamp(p.x(), 0, viewport()->width() - 1), y));
            if (row >= 0) {
                UserSelect(row);
            }
        }
    }
    if (OnMouseMove) {
        OnMouseMove(this, event->modifiers(), p.x(), p.y());
    }
    event->accept();
}

void TTodoListBox::mouseReleaseEvent(QMouseEvent* event) {
    CellMouseRelease(event);
    event->accept();
}

void TTodoListBox::CellMouseRelease(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    // Only a left click that began in the rows edits; other buttons are for menus.
    const bool leftClick = event->button() == Qt::LeftButton && leftPressed_;
    if (!editable_ || !leftClick) {
        OrdinaryMouseRelease(event);
        return;
    }
    const TEditClick click{event->buttons() | Qt::LeftButton, event->modifiers()};
    int row = -1;
    int column = -1;
    QRect rect;
    if (CellAtPoint(p.x(), p.y(), row, column, rect) && row < items_->Count()) {
        if (column != focusColumn_) {
            focusColumn_ = column;
            RepaintRow(row);
        }
        if (!columns_->At(column)->Editable()) {
            OrdinaryMouseRelease(event);
            return;
        }
        // A pending automatic drag ends here without a drop: the release clears it.
        OrdinaryMouseRelease(event);
        StartEdit(row, column, true, click, p.x(), p.y(), QChar());
    } else {
        OrdinaryMouseRelease(event);
    }
    QRect previewRect;
    int previewRow = -1;
    if (preview_ && editing_->PreviewHit(true, p, previewRect, previewRow)) {
        editing_->StartPreviewEdit(previewRow, previewRect, click, p.x(), p.y());
    }
}

void TTodoListBox::OrdinaryMouseRelease(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    const bool click =
        event->button() == Qt::LeftButton && leftPressed_ && viewport()->rect().contains(p);
    if (event->button() == Qt::LeftButton) {
        leftPressed_ = false;
    }
    if (click && OnClick) {
        OnClick(this);
    }
    if (OnMouseUp) {
        OnMouseUp(this, event->button(), event->modifiers(), p.x(), p.y());
    }
}

void TTodoListBox::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    lookupBuffer_.clear();
    RepaintRow(itemIndex_);
    if (OnEnter) {
        OnEnter(this);
    }
}

void TTodoListBox::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    RepaintRow(itemIndex_);
    if (OnExit) {
        OnExit(this);
    }
}

// Drag and drop ---------------------------------------------------------------------------

void TTodoListBox::StartRowDrag(const QPoint& position) {
    Q_UNUSED(position);
    auto* drag = new QDrag(this);  // owned by this list box
    QMimeData* data = nullptr;
    if (OnStartDrag) {
        OnStartDrag(this, data);
    }
    if (!data) {
        data = new QMimeData;
        data->setData(QString::fromLatin1(kRowMimeType), QByteArray::number(itemIndex_));
    }
    drag->setMimeData(data);
    drag->setDragCursor(QCursor(dragCursor_).pixmap(), Qt::MoveAction);
    drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
    if (OnEndDrag) {
        const QPoint end = viewport()->mapFromGlobal(QCursor::pos());
        OnEndDrag(this, drag->target(), end.x(), end.y());
    }
}

bool TTodoListBox::RaiseDragOver(QDropEvent* event, TDragState state) {
    if (!OnDragOver) {
        return false;
    }
    bool accept = true;
    const QPoint p = event->position().toPoint();
    OnDragOver(this, event->source(), p.x(), p.y(), state, accept);
    return accept;
}

void TTodoListBox::dragEnterEvent(QDragEnterEvent* event) {
    if (RaiseDragOver(event, dsDragEnter)) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TTodoListBox::dragMoveEvent(QDragMoveEvent* event) {
    if (RaiseDragOver(event, dsDragMove)) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TTodoListBox::dragLeaveEvent(QDragLeaveEvent* event) {
    if (OnDragOver) {
        bool accept = false;
        const QPoint p = viewport()->mapFromGlobal(QCursor::pos());
        OnDragOver(this, nullptr, p.x(), p.y(), dsDragLeave, accept);
    }
    event->accept();
}

void TTodoListBox::dropEvent(QDropEvent* event) {
    if (OnDragDrop) {
        const QPoint p = event->position().toPoint();
        OnDragDrop(this, event->source(), p.x(), p.y());
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

// In-place editing -------------------------------------------------------------------------

void TTodoListBox::EndEdit() {
    if (editing_) {
        editing_->EndEdit();
    }
}

void TTodoListBox::StartEdit(int row, int column, bool fromMouse, const TEditClick& click, int x,
                             int y, QChar key) {
    editing_->StartEdit(row, column, fromMouse, click, x, y, key);
}

void TTodoListBox::SetClock(IClock* clock) {
    clock_ = clock ? clock : &SystemClock();
}

QWidget* TTodoListBox::PreviewParent() {
    return owner_;
}

void TTodoListBox::FocusHost() {
    setFocus(Qt::OtherFocusReason);
}

void TTodoListBox::PostAdvanceKey() {
    // Handled after the key that ended the edit, so the next editor opens afterwards.
    QCoreApplication::postEvent(this, new QKeyEvent(QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier));
}

void TTodoListBox::Beep() {
    clock_->Beep();
}

bool TTodoListBox::AutoAdvanceEdit() const {
    return owner_->AutoAdvanceEdit();
}

bool TTodoListBox::CompletionGraphic() const {
    return owner_->CompletionGraphic();
}

int TTodoListBox::ItemHeight() const {
    return owner_->ItemHeight();
}

int TTodoListBox::PreviewHeight() const {
    return owner_->PreviewHeight();
}

void TTodoListBox::TodoStatusToString(TTodoStatus status, std::string& text) {
    owner_->TodoStatusToString(status, text);
}

TTodoStatus TTodoListBox::TodoStatusFromString(const std::string& text) {
    return owner_->TodoStatusFromString(text);
}

void TTodoListBox::TodoPriorityToString(TTodoPriority priority, std::string& text) {
    owner_->TodoPriorityToString(priority, text);
}

TTodoPriority TTodoListBox::TodoPriorityFromString(const std::string& text) {
    return owner_->TodoPriorityFromString(text);
}

std::string TTodoListBox::TodoStatusCommaText() {
    return owner_->TodoStatusCommaText();
}

std::string TTodoListBox::TodoPriorityCommaText() {
    return owner_->TodoPriorityCommaText();
}

void TTodoListBox::DoEditStart() {
    owner_->DoEditStart();
}

void TTodoListBox::DoEditDone(TTodoData kind, TTodoItem* item) {
    owner_->DoEditDone(kind, item);
}

// Full-text hints ------------------------------------------------------------------------

void TTodoListBox::SetShowHint(bool value) {
    showHint_ = value;
    if (!value) {
        hintWindow_->HideHint();
    }
}

TCellTextContext TTodoListBox::CellTexts() const {
    TCellTextContext context;
    context.DateFormat = dateFormat_;
    context.FormatSettings = &SystemFormatSettings();
    context.StatusText = [owner = owner_](TTodoStatus status) {
        std::string text;
        owner->TodoStatusToString(status, text);
        return text;
    };
    context.PriorityText = [owner = owner_](TTodoPriority priority) {
        std::string text;
        owner->TodoPriorityToString(priority, text);
        return text;
    };
    return context;
}

TCellTextContext TTodoListBox::HintTexts() const {
    TCellTextContext context = CellTexts();
    context.Completion =
        owner_->CompletionGraphic() ? TCompletionText::None : TCompletionText::Number;
    context.Notes = preview_ ? TNotesText::None : TNotesText::AllLines;
    // The plain display text: OnStatusToString is not asked here.
    context.StatusText = [owner = owner_](TTodoStatus status) {
        return owner->StatusStrings().GetString(status);
    };
    return context;
}

bool TTodoListBox::FullTextHint(const QPoint& point, TTodoHintInfo& info) const {
    if (!owner_->HintShowFullText()) {
        return false;
    }
    int row = -1;
    int column = -1;
    QRect cell;
    if (!CellAtPoint(point.x(), point.y(), row, column, cell) || row >= items_->Count()) {
        return false;
    }
    const TTodoColumnItem& col = *columns_->At(column);
    const QString text = CellText(*items_->At(row), col.TodoData(), HintTexts());
    if (TrimControls(text).isEmpty()) {
        return false;
    }
    // Measured with the column's font over the whole column width, whatever font the row
    // is drawn in.
    const QFontMetrics metrics(ToQFont(col.Font(), QWidget::font()));
    if (metrics.horizontalAdvance(text) <= col.Width()) {
        return false;
    }
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (shown.endsWith(QLatin1Char('\n'))) {
        shown.chop(1);
    }
    info.HintStr = shown;
    info.HintPos = viewport()->mapToGlobal(cell.topLeft());
    info.CursorRect = QRect(info.HintPos, cell.size());
    info.HintMaxWidth = owner_->width();
    return true;
}

bool TTodoListBox::viewportEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::ToolTip: {
            const auto* help = static_cast<QHelpEvent*>(event);
            TTodoHintInfo info;
            if (showHint_ && FullTextHint(help->pos(), info)) {
                hintWindow_->ShowHint(info);
            } else {
                hintWindow_->HideHint();
            }
            return true;
        }
        case QEvent::Leave:
            if (hintWindow_->isVisible() && !hintWindow_->Area().contains(QCursor::pos())) {
                hintWindow_->HideHint();
            }
            break;
        default:
            break;
    }
    return QAbstractScrollArea::viewportEvent(event);
}
