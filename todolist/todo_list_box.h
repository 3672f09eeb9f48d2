#pragma once

// The row view of the to-do list control: a fixed-height, owner-drawn list of rows, one per
// to-do item, painted cell by cell from the item and the column definitions. Rows are only
// a count that follows the item collection; the list box owns both collections and tells
// the model's owner interface how to keep the view in step. TRowPainter paints the rows;
// the keys, the mouse and dragging rows are handled in todo_list_box_input.cpp.
//
// Coordinates are those of the list box's viewport: (0, 0) is the top-left corner of the
// first visible row, below the header. Rectangles are Qt rectangles (right() and bottom()
// are the last pixel inside).

#include <QAbstractScrollArea>
#include <QFont>
#include <QPoint>
#include <QPointer>
#include <memory>

#include "editing/cell_editing.h"
#include "editing/edit_host.h"
#include "model/cell_text.h"
#include "model/todo_collections.h"
#include "model/todo_owner.h"
#include "model/todo_types.h"
#include "todolist/row_filter.h"
#include "todolist/row_painter.h"
#include "todolist/todo_events.h"
#include "todolist/todo_glyphs.h"
#include "todolist/todo_hint.h"
#include "todolist/todo_looks.h"
#include "todolist/type_ahead.h"

class TCustomTodoList;
class IClock;

// The list box is also the host of the in-place editors (ITodoEditHost): it owns the
// cell-editing logic, which places the editors into its viewport and writes into its
// items. Its row events (TRowEvents) have it as Sender; the control forwards them.
class TTodoListBox : public QAbstractScrollArea,
                     public ITodoModelOwner,
                     public ITodoEditHost,
                     public TRowEvents {
    Q_OBJECT

public:
    // The owner is the to-do list control; painting reads its row settings (ItemHeight,
    // CompletionGraphic, CompleteCheck, the status texts).
    explicit TTodoListBox(TCustomTodoList* owner);
    ~TTodoListBox() override;

    TCustomTodoList* Owner() const { return owner_; }
    TTodoColumnCollection& TodoColumns() { return *columns_; }
    const TTodoColumnCollection& TodoColumns() const { return *columns_; }
    TTodoItemCollection& TodoItems() { return *items_; }
    const TTodoItemCollection& TodoItems() const { return *items_; }

    // Rows and selection ------------------------------------------------------------------

    // The item a row shows, null outside the rows; the row of an item position, -1 when
    // the item has none. Without a find text row n is item n.
    TTodoItem* RowItem(int row) const override { return filter_.RowItem(*items_, row); }
    int RowOfItem(int index) const { return filter_.RowOf(index); }
    // Shows only the items that contain the text (see TRowFilter); an empty text shows
    // all again. The selected item stays selected when it still has a row.
    void SetFindText(const QString& text);
    const QString& FindText() const { return filter_.Text(); }
    // The items' contents moved between positions (a sort) or were replaced: the rows
    // are chosen again.
    void ItemsRearranged();

    // The selected row, -1 for none. Setting it remembers the value, selects that row (none
    // for a value outside the rows), repaints it and scrolls it into view; it never raises
    // OnSelectItem. Setting the current value again repaints the row.
    int ItemIndex() const override { return itemIndex_; }
    void SetItemIndex(int value);
    // The last value given to SetItemIndex; Loaded applies it again.
    int RememberedIndex() const { return rememberedIndex_; }
    // The fixed height of every row; only heights of 1 or more are taken.
    int RowHeight() const { return rowHeight_; }
    void SetRowHeight(int value);
    // The first visible row (the vertical scroll position).
    int TopIndex() const;
    void SetTopIndex(int row);
    // Rows that fit completely into the view, at least 1.
    int VisibleRowCount() const;
    // The column of the cell cursor; the column count stands for the notes preview.
    int FocusColumn() const override { return focusColumn_; }
    void SetFocusColumn(int column) override { focusColumn_ = column; }

    // Geometry ----------------------------------------------------------------------------

    // The whole rectangle of a row, which may lie outside the view.
    QRect RowRect(int row) const override;
    // The row under a point of the view, or -1 (outside the view, below the last row).
    int RowAt(const QPoint& point) const override;
    // The cell line of a column in a row: ItemHeight high, the column's width wide, at the
    // sum of the widths of the columns before it.
    QRect CellRect(int column, int row) const override;
    // The cell under a point; false in the preview band, below the last row, right of the
    // last column and outside the view. CellRect(column, row) is the rectangle returned.
    bool CellAtPoint(int x, int y, int& row, int& column, QRect& rect) const;

    // Painting settings -------------------------------------------------------------------

    // The look of the rows (see TRowLook); every setter repaints.
    const TRowLook& Look() const { return look_; }
    TColor Color() const { return look_.Color; }
    void SetColor(TColor value) { SetLook(look_.Color, value); }
    // The list's own font; new columns start with a copy of it.
    const TFont& Font() const { return look_.Font; }
    void SetFont(const TFont& value) { SetLook(look_.Font, value); }
    bool GridLines() const { return look_.GridLines; }
    void SetGridLines(bool value) { SetLook(look_.GridLines, value); }
    bool Preview() const { return look_.Preview; }
    void SetPreview(bool value) { SetLook(look_.Preview, value); }
    const TFont& PreviewFont() const { return look_.PreviewFont; }
    void SetPreviewFont(const TFont& value) { SetLook(look_.PreviewFont, value); }
    const TFont& CompletionFont() const { return look_.CompletionFont; }
    void SetCompletionFont(const TFont& value) { SetLook(look_.CompletionFont, value); }
    const TFont& PriorityFont() const { return look_.PriorityFont; }
    void SetPriorityFont(const TFont& value) { SetLook(look_.PriorityFont, value); }
    // Repaints only when the value changes.
    bool ShowSelection() const { return look_.ShowSelection; }
    void SetShowSelection(bool value);
    TColor SelectionColor() const { return look_.SelectionColor; }
    void SetSelectionColor(TColor value) { SetLook(look_.SelectionColor, value); }
    TColor SelectionFontColor() const { return look_.SelectionFontColor; }
    void SetSelectionFontColor(TColor value) { SetLook(look_.SelectionFontColor, value); }
    const QString& DateFormat() const { return look_.DateFormat; }
    void SetDateFormat(const QString& value) { SetLook(look_.DateFormat, value); }
    // Images of tdImage cells; not owned, forgotten when destroyed.
    TImageList* Images() const { return images_; }
    void SetImages(TImageList* value);
    TProgressLook& ProgressLook() { return progressLook_; }
    const TProgressLook& ProgressLook() const { return progressLook_; }
    void SetProgressLook(const TProgressLook& value) { progressLook_.Assign(value); }

    // Behaviour settings, stored for the editing and keyboard code ------------------------

    bool Editable() const { return editable_; }
    void SetEditable(bool value) { editable_ = value; }
    bool EditSelectAll() const { return editSelectAll_; }
    void SetEditSelectAll(bool value) { editSelectAll_ = value; }
    // Type-ahead: LookupIncr gathers the typed characters; LookupTodo is the column whose
    // text is compared when it holds text (the subject otherwise).
    bool LookupIncr() const { return typeAhead_.Incremental(); }
    void SetLookupIncr(bool value) { typeAhead_.SetIncremental(value); }
    int LookupTodo() const { return lookupTodo_; }
    void SetLookupTodo(int value) { lookupTodo_ = value; }
    int SortTodo() const { return sortTodo_; }
    void SetSortTodo(int value) { sortTodo_ = value; }
    // The list box's own flag; it never reorders rows (the control sorts).
    bool Sorted() const { return sorted_; }
    void SetSorted(bool value) { sorted_ = value; }
    // Full-text hints (driven by the control's HintShowFullText).
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool value);
    // The type-ahead text typed so far; cleared when the list box gets the focus.
    const QString& LookupBuffer() const { return typeAhead_.Buffer(); }
    TDragMode DragMode() const { return dragMode_; }
    void SetDragMode(TDragMode value) { dragMode_ = value; }
    TDragKind DragKind() const { return dragKind_; }
    void SetDragKind(TDragKind value) { dragKind_ = value; }
    Qt::CursorShape DragCursor() const { return dragCursor_; }
    void SetDragCursor(Qt::CursorShape value) { dragCursor_ = value; }
    // Whether Tab reaches the list; a click always focuses it.
    bool TabStop() const { return focusPolicy() == Qt::StrongFocus; }
    void SetTabStop(bool value);

    // The built-in glyphs -----------------------------------------------------------------

    // Five 12x12 images; priority p shows image 4 - p.
    const TImageList& PriorityImages() const { return priorityImages_; }
    const QPixmap& CheckedGlyph() const { return checkedGlyph_; }
    const QPixmap& UncheckedGlyph() const { return uncheckedGlyph_; }

    // Life cycle --------------------------------------------------------------------------

    // While loading, the rows do not follow the items and no columns-changed notice is
    // sent; Loaded synchronises the rows and selects the remembered row.
    void SetLoading(bool value);
    bool Loading() const { return loading_; }
    void Loaded();

    // Row repaints are ignored between these calls (nestable); the last resume repaints
    // the whole view once. A sort exchanges many rows and paints only at the end.
    void SuspendRepaint() { ++suspendCount_; }
    void ResumeRepaint();

    // In-place editing -------------------------------------------------------------------

    // Ends an open in-place edit, writing its value; harmless when none is open.
    virtual void EndEdit();
    // The editors and the edit state.
    TCellEditing& CellEditing() const { return *editing_; }
    // Starts editing a cell (see TCellEditing::StartEdit).
    void StartEdit(int row, int column, bool fromMouse, const TEditClick& click, int x, int y,
                   QChar key);
    // Where the current date and time of new items (Insert) and the refusal beep of the
    // integer editor come from; null restores the system clock. Not owned.
    void SetClock(IClock* clock);
    IClock& Clock() const { return *clock_; }

    // The texts the rows show (for the priority, the text its list editor offers): what
    // type-ahead reads, and what a find or a screen reader should read.
    TCellTextContext CellTexts() const;

    // Full-text hints ---------------------------------------------------------------------

    // Fills in the hint of the cell under a point of the view: false (info untouched) when
    // hints are off, there is no cell, the cell has no hint text, or its text fits.
    bool FullTextHint(const QPoint& point, TTodoHintInfo& info) const;
    // The hint window, hidden unless a hint shows.
    const TTodoHintWindow& HintWindow() const { return *hintWindow_; }

    // ITodoModelOwner ---------------------------------------------------------------------

    bool HasWindow() const override { return !loading_ && !destroying_; }
    // Also the edit host's row count.
    int RowCount() const override { return rowCount_; }
    void SyncRows() override;
    void NotesChanged() override;
    // Also the edit host's row repaint.
    void RepaintRow(int row) override;
    void RepaintAll() override;
    void SelectRow(int row) override { SetItemIndex(row); }
    // The model reports items by their positions; these map them to rows.
    void ItemChanged(int index) override;
    void SelectItem(int index) override { SetItemIndex(RowOfItem(index)); }
    void ItemRemoving(int index) override;
    void ColumnsChanged() override;
    void RowsSettled() override;
    TFont CurrentFont() const override { return look_.Font; }

    // Events (Sender is this list box) --------------------------------------------------

    // The user changed the selected row (keys, mouse).
    TNotifyEvent OnSelectItem;
    // Columns were added or removed, or a column's width or caption was set.
    TNotifyEvent OnColumnsChanged;

    // ITodoEditHost -----------------------------------------------------------------------

    QWidget* EditorParent() override { return viewport(); }
    QWidget* PreviewParent() override;
    TEditSettings EditSettings() const override;
    void SelectRowForEdit(int row) override { UserSelect(row); }
    void FocusHost() override;
    void PostAdvanceKey() override;
    void Beep() override;

protected:
    bool viewportEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

    // The key-down steps between OnKeyDown and the row navigation: F2 and Space edit the
    // current cell, Insert and Delete add and remove items when the control allows it,
    // then the type-ahead; `key` may be set to 0 to stop the navigation.
    virtual void KeyDownActions(int& key, Qt::KeyboardModifiers shift);
    // A typed character, before OnKeyPress: a digit or a character from 'A' to 'z' starts
    // editing the current cell with it.
    virtual void KeyPressActions(QChar& key);
    // A button release over the rows: moves the cell cursor to the clicked cell and opens
    // its editor around the ordinary release handling.
    virtual void CellMouseRelease(QMouseEvent* event);
    // The ordinary release handling: OnClick for a left click that began here, OnMouseUp.
    void OrdinaryMouseRelease(QMouseEvent* event);
    // A selection change by the user: selects the row and raises OnSelectItem when the
    // selection changed.
    void UserSelect(int row);

private:
    template <typename T>
    void SetLook(T& field, const T& value) {
        field = value;
        RepaintAll();
    }
    void UpdateScrollRange();
    // The rows were chosen anew: their count, the selection (the given item's row), the
    // scroll range and the paint follow.
    void ApplyRows(const TTodoItem* selected);
    void InsertItemByKey();
    void DeleteItemByKey();
    void Lookup(int key);
    // What the hints read: the cells' texts, with the hints' own rules.
    TCellTextContext HintTexts() const;
    void EnsureVisible(int row);
    void ShowPendingRow();
    void RepaintRows(int first, int last);
    void NavigateKey(int key);
    // A press or double click: a left one selects the row under the pointer and may start a
    // click or a row drag; every one raises OnMouseDown.
    void ButtonDown(QMouseEvent* event);
    void StartRowDrag(const QPoint& position);
    bool RaiseDragOver(QDropEvent* event, TDragState state);
    // The painter of the rows as they look now, for one paint event.
    TRowPainter RowPainter() const;

    TCustomTodoList* owner_;
    std::unique_ptr<TTodoItemCollection> items_;
    std::unique_ptr<TTodoColumnCollection> columns_;
    TRowFilter filter_;
    TImageList priorityImages_;
    QPixmap checkedGlyph_;
    QPixmap uncheckedGlyph_;

    int rowCount_ = 0;
    int itemIndex_ = -1;
    int rememberedIndex_ = 0;
    int rowHeight_ = 18;
    int focusColumn_ = 0;
    int suspendCount_ = 0;
    // The scroll range waits for the end of the items' update bracket.
    bool rangeStale_ = false;
    // A row to bring into view once the view is shown and has its size.
    int pendingVisibleRow_ = -1;
    bool loading_ = false;
    bool destroying_ = false;

    TRowLook look_;
    QPointer<TImageList> images_;
    TProgressLook progressLook_;

    bool editable_ = true;
    bool editSelectAll_ = false;
    TTypeAhead typeAhead_;
    int lookupTodo_ = 0;
    int sortTodo_ = 0;
    bool sorted_ = false;
    bool showHint_ = false;
    TDragMode dragMode_ = dmManual;
    TDragKind dragKind_ = dkDrag;
    Qt::CursorShape dragCursor_ = Qt::DragMoveCursor;

    IClock* clock_;
    // After the collections, so it goes before them.
    std::unique_ptr<TCellEditing> editing_;
    TTodoHintWindow* hintWindow_;  // owned by this list box (Qt parent)

    // Mouse state: a left press on this list box that may become a click or a row drag.
    bool leftPressed_ = false;
    QPoint pressPoint_;
};
