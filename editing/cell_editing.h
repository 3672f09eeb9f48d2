#pragma once

// The cell-editing logic of the row view: one edit at a time. An edit starts from a click
// on a cell, from a key or from the automatic advance; the column's data kind decides
// which editor opens over the cell (or in the borderless popup), or whether the value
// changes at once (the done check, the completion bar). Ending the edit writes the
// editor's value into the item through its setters, hides the editor and raises
// OnEditDone. There is no cancel that leaves the item untouched: Escape puts back the
// starting value and writes that.
//
// The logic reaches the row view only through ITodoEditHost and the control around it
// through ITodoEditControl. It owns the six editors and the popup; they are Qt children of
// the host's widgets only while they are shown there.

#include <QRect>
#include <memory>
#include <string>
#include <vector>

#include "editing/edit_host.h"
#include "editing/inplace_editors.h"
#include "model/todo_collections.h"

// The mouse state of the click that started an edit; empty when not from the mouse.
struct TEditClick {
    Qt::MouseButtons Buttons = Qt::NoButton;
    Qt::KeyboardModifiers Modifiers = Qt::NoModifier;
};

class TCellEditing : public IInplaceEditorOwner {
public:
    // Edits the items in the rows of the host, whose columns are `columns`.
    TCellEditing(ITodoEditHost& host, ITodoEditControl& control, TTodoItemCollection& items,
                 TTodoColumnCollection& columns);
    ~TCellEditing() override;
    TCellEditing(const TCellEditing&) = delete;
    TCellEditing& operator=(const TCellEditing&) = delete;

    // The editors, hidden between edits.
    TInplaceEdit& InplaceEdit() const { return *edit_; }
    TInplaceMemo& InplaceMemo() const { return *memo_; }
    TInplaceSpinEdit& InplaceSpinEdit() const { return *spinEdit_; }
    TTodoDateTimePicker& DateTimePicker() const { return *datePicker_; }
    TInplaceListBox& InplaceListBox() const { return *statusList_; }
    TInplaceODListBox& InplaceODListBox() const { return *priorityList_; }
    TEditorPopup& EditorPopup() const { return *popup_; }

    // The edit state -------------------------------------------------------------------

    bool Editing() const { return active_ != nullptr; }
    // The editor now shown, or null while idle.
    QWidget* ActiveEditor() const { return active_; }
    TTodoItem* EditedItem() const { return item_; }
    // The edited column, -1 for the notes preview band.
    int EditedColumn() const { return column_; }
    // The edited column's data kind; tdNotes for the preview band.
    TTodoData EditedKind() const { return kind_; }

    // Entry points -----------------------------------------------------------------------

    // Starts editing a cell. Stops unless the list is editable and the row exists; selects
    // the row (raising OnItemSelect) when it is not selected; a column outside the columns
    // stands for the preview band. x and y are the click position (0 for keys); key is the
    // typed character that starts the edit, or a null character.
    void StartEdit(int row, int column, bool fromMouse, const TEditClick& click, int x, int y,
                   QChar key);
    // Opens the memo over a row's preview band (rect is the row's rectangle).
    void StartPreviewEdit(int row, const QRect& rect, const TEditClick& click, int x, int y);
    // Writes the value back, hides the editor, raises OnEditDone; harmless while idle.
    void EndEdit() override;
    // Moves the focus column one on and posts F2 to the row view, when the list advances
    // automatically and the focus column is not past the columns.
    void AdvanceEdit() override;
    void Beep() override { host_.Beep(); }
    // Hides the editor without writing anything and without OnEditDone: its item is
    // going away.
    void DropEdit();
    // The rows changed (items added or removed): an edit whose item is gone is dropped; one
    // whose row moved is ended, since its editor no longer sits over it.
    void RowsChanged();

    // Pieces of the edit, public for the row view and the tests -------------------------

    void ShowEditor(QWidget* editor, const QRect& rect, bool inPopup);
    // Sends the active editor a left press and release at (x, y) of the row view.
    void ForwardClick(const TEditClick& click, int x, int y);
    // Fills a list editor from a comma text (quoted texts separated by commas) when it is
    // empty or the texts changed, and makes it and the popup as tall as all entries.
    void FillChoiceList(TInplaceListBox& list, const std::string& commaText);
    // Whether the point lies in a row's preview band; rect becomes the row's rectangle.
    // With byPoint, row is the row under the point.
    bool PreviewHit(bool byPoint, const QPoint& point, QRect& rect, int& row) const;
    QRect CellRect(int column, int row) const { return host_.CellRect(column, row); }

    // The completion a click at x on a completion bar in cell sets: 0 at the leftmost
    // pixel, 100 at the rightmost; 0 for a cell one pixel wide.
    static int CompletionFromClick(int x, const QRect& cell);
    // The texts of a comma text, in order.
    static std::vector<std::string> SplitCommaText(const std::string& commaText);

private:
    void StartKind(TTodoData kind, TTodoItem& item, const TTodoColumnItem* column, int row,
                   QRect rect, bool fromMouse, const TEditClick& click, int x, int y, QChar key);
    void StartChoice(TInplaceListBox& list, const std::string& commaText,
                     const std::string& current, const TTodoColumnItem& column, QRect rect,
                     const QFont& base);
    void HideEditor(QWidget* editor);
    void WriteBack(QWidget* editor, TTodoItem& item, TTodoData kind);

    ITodoEditHost& host_;
    ITodoEditControl& control_;
    TTodoItemCollection& items_;
    TTodoColumnCollection& columns_;
    // Owned here; their Qt parents are only where they are shown, and live longer. The
    // popup goes last, after the editors it may hold.
    std::unique_ptr<TEditorPopup> popup_;
    std::unique_ptr<TInplaceEdit> edit_;
    std::unique_ptr<TInplaceMemo> memo_;
    std::unique_ptr<TInplaceSpinEdit> spinEdit_;
    std::unique_ptr<TTodoDateTimePicker> datePicker_;
    std::unique_ptr<TInplaceListBox> statusList_;
    std::unique_ptr<TInplaceODListBox> priorityList_;

    QWidget* active_ = nullptr;
    TTodoItem* item_ = nullptr;
    int row_ = -1;
    int column_ = -1;
    TTodoData kind_ = tdNotes;
};
