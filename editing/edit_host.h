#pragma once

// What the cell-editing logic needs from the row view it edits in (TTodoListBox implements
// ITodoEditHost) and from the to-do list control around it (TCustomTodoList implements
// ITodoEditControl). The editors are placed into the host's widgets, the values go into the
// items, and the control converts the texts of states and priorities and raises its
// events. Coordinates are those of EditorParent(): (0, 0) is the top-left corner of the
// first visible row.

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QString>
#include <string>

#include "model/todo_types.h"

class QWidget;
class TTodoItem;

// The settings an edit reads, as they stand when it asks.
struct TEditSettings {
    // Nothing is edited while the list is not editable.
    bool Editable = true;
    // A text edit opens with its whole text selected.
    bool EditSelectAll = false;
    // Enter moves on to the next column.
    bool AutoAdvanceEdit = false;
    // Completion cells are set by a click on the bar instead of an editor.
    bool CompletionGraphic = true;
    // Notes are edited in the rows' preview band.
    bool Preview = false;
    TFont PreviewFont;
    // The height of a row's cells, and of the preview band under them.
    int ItemHeight = 18;
    int PreviewHeight = 0;
    // The format of date cells, in the program's pattern language ("MM/d/yyyy").
    QString DateFormat;
    // The font that model fonts with an empty face or size fall back to.
    QFont BaseFont;
};

class ITodoEditHost {
public:
    virtual ~ITodoEditHost() = default;

    // The widget the rows are painted in; cell editors are put into it.
    virtual QWidget* EditorParent() = 0;
    // The to-do list control around it; the notes preview editor is put there.
    virtual QWidget* PreviewParent() = 0;
    virtual TEditSettings EditSettings() const = 0;

    // The rows: how many the view shows, the selected one, where they and their cells are.
    virtual int RowCount() const = 0;
    virtual int ItemIndex() const = 0;
    // The item a row shows (null outside the rows): the rows may show only some items.
    virtual TTodoItem* RowItem(int row) const = 0;
    virtual QRect RowRect(int row) const = 0;
    virtual int RowAt(const QPoint& point) const = 0;
    virtual QRect CellRect(int column, int row) const = 0;
    // The column of the cell cursor (the column count stands for the preview band).
    virtual int FocusColumn() const = 0;
    virtual void SetFocusColumn(int column) = 0;
    virtual void RepaintRow(int row) = 0;

    // Selects a row for an edit and raises the control's OnItemSelect.
    virtual void SelectRowForEdit(int row) = 0;
    // Gives the row view the keyboard focus (after an edit).
    virtual void FocusHost() = 0;
    // Posts an F2 key to the row view, handled once the current event is done.
    virtual void PostAdvanceKey() = 0;
    // The refusal sound of the integer editor.
    virtual void Beep() = 0;
};

class ITodoEditControl {
public:
    virtual ~ITodoEditControl() = default;

    // The display texts of states and priorities and back; the control's conversion events
    // apply, and an unknown text raises its conversion error.
    virtual void TodoStatusToString(TTodoStatus status, std::string& text) = 0;
    virtual TTodoStatus TodoStatusFromString(const std::string& text) = 0;
    virtual void TodoPriorityToString(TTodoPriority priority, std::string& text) = 0;
    virtual TTodoPriority TodoPriorityFromString(const std::string& text) = 0;
    // All texts in double quotes, separated by commas, for the list editors.
    virtual std::string TodoStatusCommaText() = 0;
    virtual std::string TodoPriorityCommaText() = 0;

    // OnEditStart, and OnEditDone once a value is written. DoEditWriting comes just
    // before a value is written, with the item as it still is.
    virtual void DoEditStart() = 0;
    virtual void DoEditWriting(TTodoData kind, TTodoItem* item) {
        static_cast<void>(kind);
        static_cast<void>(item);
    }
    virtual void DoEditDone(TTodoData kind, TTodoItem* item) = 0;
};
