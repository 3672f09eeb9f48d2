#include "todolist/todo_list_box.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "model/cell_text.h"
#include "platform/clock.h"
#include "platform/format_settings.h"
#include "platform/qt_convert.h"
#include "todolist/todo_list.h"

namespace {

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

    look_.PreviewFont.Color = clBlue;
    look_.CompletionFont.Style = fsStrikeOut;
    look_.CompletionFont.Color = clGray;
    look_.PriorityFont.Color = clRed;
    look_.DateFormat = SystemFormatSettings().ShortDateFormat;
    progressLook_.OnChange = [this](TProgressLook*) { RepaintAll(); };

    editing_ = std::make_unique<TCellEditing>(*this, *owner_, *items_, *columns_);
    editing_->InplaceODListBox().SetImageList(
        [this](int index) { return priorityImages_.Image(index); });
    hintWindow_ = new TTodoHintWindow(this);
}

TTodoListBox::~TTodoListBox() {
    // The members go first, while the view still exists but tells nobody about it: the
    // editing (an open edit is dropped, never written) before the items.
    destroying_ = true;
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
    if (items_) {
        filter_.ItemsAdded(*items_);
    }
    const int count = items_ ? filter_.RowCount(*items_) : 0;
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
    if (value) {
        filter_.Forget();
    }
    loading_ = value;
}

void TTodoListBox::Loaded() {
    loading_ = false;
    if (filter_.Active()) {
        filter_.Choose(*items_);
        RepaintAll();
    }
    SyncRows();
    SetItemIndex(rememberedIndex_);
}

void TTodoListBox::SetFindText(const QString& text) {
    if (text == filter_.Text()) {
        return;
    }
    EndEdit();
    const TTodoItem* selected = RowItem(itemIndex_);
    filter_.SetText(text, *items_);
    ApplyRows(selected);
}

void TTodoListBox::ItemsRearranged() {
    if (!filter_.Active()) {
        return;
    }
    const TTodoItem* selected = RowItem(itemIndex_);
    filter_.Forget();
    filter_.Choose(*items_);
    ApplyRows(selected);
}

void TTodoListBox::ApplyRows(const TTodoItem* selected) {
    rowCount_ = filter_.RowCount(*items_);
    const int row = selected ? RowOfItem(selected->Index()) : -1;
    itemIndex_ = row;
    rememberedIndex_ = row;
    UpdateScrollRange();
    RepaintAll();
    EnsureVisible(row);
    if (editing_) {
        editing_->RowsChanged();
    }
}

void TTodoListBox::ItemChanged(int index) {
    filter_.ItemChanged(index);
    const int row = RowOfItem(index);
    if (row >= 0 && row < rowCount_) {
        RepaintRow(row);
    }
}

void TTodoListBox::ItemRemoving(int index) {
    if (!loading_) {
        filter_.ItemRemoving(*items_, index);
    }
}

void TTodoListBox::RowsSettled() {
    filter_.ItemsMoved();
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

void TTodoListBox::SetShowSelection(bool value) {
    if (look_.ShowSelection != value) {
        SetLook(look_.ShowSelection, value);
    }
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
    const TRowPainter rows = RowPainter();
    const QRect dirty = event->rect();
    const int top = TopIndex();
    const int first = std::max(top, top + dirty.top() / rowHeight_);
    const int last = std::min(rowCount_, filter_.RowCount(*items_)) - 1;
    const int lastDirty = std::min(last, top + dirty.bottom() / rowHeight_);
    for (int row = first; row <= lastDirty; ++row) {
        rows.Paint(painter, *RowItem(row), RowRect(row), row == itemIndex_);
    }
    // The space below the last row (all of it without rows) shows the list's colour.
    const long long below = static_cast<long long>(last + 1 - top) * rowHeight_;
    const int fillTop = static_cast<int>(std::max<long long>(below, dirty.top()));
    if (fillTop <= dirty.bottom()) {
        painter.fillRect(QRect(dirty.left(), fillTop, dirty.width(), dirty.bottom() - fillTop + 1),
                         ToQColor(look_.Color, palette()));
    }
}

TRowPainter TTodoListBox::RowPainter() const {
    const bool focused = hasFocus();
    return TRowPainter({.Look = look_,
                        .Columns = *columns_,
                        .Progress = progressLook_,
                        .Check = owner_->CompleteCheck(),
                        .Images = images_.data(),
                        .PriorityImages = priorityImages_,
                        .CheckedGlyph = checkedGlyph_,
                        .UncheckedGlyph = uncheckedGlyph_,
                        .Texts = CellTexts(),
                        .Palette = palette(),
                        .BaseFont = QWidget::font(),
                        .ItemHeight = owner_->ItemHeight(),
                        .CompletionGraphic = owner_->CompletionGraphic(),
                        .HasFocus = focused,
                        .CursorColumn = focused && editable_ ? focusColumn_ : -1});
}

void TTodoListBox::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
    if (isVisible()) {
        ShowPendingRow();
    }
}

void TTodoListBox::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    UpdateScrollRange();
    ShowPendingRow();
}

void TTodoListBox::ShowPendingRow() {
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

TEditSettings TTodoListBox::EditSettings() const {
    TEditSettings settings;
    settings.Editable = editable_;
    settings.EditSelectAll = editSelectAll_;
    settings.AutoAdvanceEdit = owner_->AutoAdvanceEdit();
    settings.CompletionGraphic = owner_->CompletionGraphic();
    settings.Preview = look_.Preview;
    settings.PreviewFont = look_.PreviewFont;
    settings.ItemHeight = owner_->ItemHeight();
    settings.PreviewHeight = owner_->PreviewHeight();
    settings.DateFormat = look_.DateFormat;
    settings.BaseFont = QWidget::font();
    return settings;
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

// Full-text hints ------------------------------------------------------------------------

void TTodoListBox::SetShowHint(bool value) {
    showHint_ = value;
    if (!value) {
        hintWindow_->HideHint();
    }
}

TCellTextContext TTodoListBox::CellTexts() const {
    TCellTextContext context;
    context.DateFormat = look_.DateFormat;
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
    context.Notes = look_.Preview ? TNotesText::None : TNotesText::AllLines;
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
    const TTodoItem* item = nullptr;
    if (!CellAtPoint(point.x(), point.y(), row, column, cell) || !(item = RowItem(row))) {
        return false;
    }
    const TTodoColumnItem& col = *columns_->At(column);
    const QString text = CellText(*item, col.TodoData(), HintTexts());
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
