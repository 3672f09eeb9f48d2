#pragma once

// What the cell-editing logic needs from the row view it edits in (TTodoListBox implements
// it). The editors are placed into the host's widgets, the values go into the host's
// items, and the host raises the control's events. Coordinates are those of
// EditorParent(): (0, 0) is the top-left corner of the first visible row.

#include <QChar>
#include <QFont>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QString>
#include <string>

#include "model/todo_collections.h"
#include "model/todo_types.h"

class QWidget;

class ITodoEditHost {
public:
    virtual ~ITodoEditHost() = default;

    // Widgets -------------------------------------------------------------------------------

    // The widget the rows are painted in; cell editors are put into it.
    virtual QWidget* EditorParent() = 0;
    // The to-do list control around it; the notes preview editor is put there.
    virtual QWidget* PreviewParent() = 0;
    // Gives the row view the keyboard focus (after an edit).
    virtual void FocusHost() = 0;
    // Posts an F2 key to the row view, handled once the current event is done.
    virtual void PostAdvanceKey() = 0;
    // The refusal sound of the integer editor.
    virtual void Beep() = 0;

    // Rows and cells ------------------------------------------------------------------------

    virtual TTodoItemCollection& TodoItems() = 0;
    virtual TTodoColumnCollection& TodoColumns() = 0;
    virtual int RowCount() const = 0;
    virtual int ItemIndex() const = 0;
    // Selects a row for an edit and raises the control's OnItemSelect.
    virtual void SelectRowForEdit(int row) = 0;
    virtual int FocusColumn() const = 0;
    virtual void SetFocusColumn(int column) = 0;
    virtual void RepaintRow(int row) = 0;
    // The whole row (cells and preview band), and the cell line of a column in it.
    virtual QRect RowRect(int row) const = 0;
    virtual int RowAt(const QPoint& point) const = 0;
    virtual QRect CellRect(int column, int row) const = 0;

    // Settings ------------------------------------------------------------------------------

    virtual bool Editable() const = 0;
    virtual bool EditSelectAll() const = 0;
    virtual bool AutoAdvanceEdit() const = 0;
    virtual bool CompletionGraphic() const = 0;
    virtual bool Preview() const = 0;
    virtual const TFont& PreviewFont() const = 0;
    virtual int ItemHeight() const = 0;
    virtual int PreviewHeight() const = 0;
    // The format of date cells, in the program's pattern language ("MM/d/yyyy").
    virtual const QString& DateFormat() const = 0;
    // The font that model fonts with an empty face or size fall back to.
    virtual QFont BaseFont() const = 0;
    // The image of the priority strip (image 4 - priority), null outside the strip.
    virtual QPixmap PriorityImage(int index) const = 0;

    // Texts and events of the control -------------------------------------------------------

    virtual void TodoStatusToString(TTodoStatus status, std::string& text) = 0;
    virtual TTodoStatus TodoStatusFromString(const std::string& text) = 0;
    virtual void TodoPriorityToString(TTodoPriority priority, std::string& text) = 0;
    virtual TTodoPriority TodoPriorityFromString(const std::string& text) = 0;
    virtual std::string TodoStatusCommaText() = 0;
    virtual std::string TodoPriorityCommaText() = 0;
    virtual void DoEditStart() = 0;
    virtual void DoEditDone(TTodoData kind, TTodoItem* item) = 0;
};
