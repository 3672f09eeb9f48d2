#pragma once

// The list's edit history: every change of the items as a command on an undo stack, so
// that Undo and Redo can take it back and do it again. A cell edit (any editor, the done
// check, a click on the completion bar), Create Item and the Insert key, Delete Item and
// the Delete key, and replacing the whole list (an import, a reload) are recorded; sorting
// only reorders the rows and is not. Opening another list starts a new history.
//
// The commands find their item by its values: a sort moves contents between positions
// after a command was recorded, and the values of the item a command changed are exactly
// what the command left behind. The position where it was is looked at first.
//
// The list is unmodified exactly when the stack stands where it stood at the last save (or
// at the last open); undoing back to that point makes it unmodified again.

#include <QObject>
#include <QString>
#include <QUndoStack>
#include <memory>

#include "model/todo_collections.h"

class TCustomTodoList;

class TEditHistory : public QObject {
    Q_OBJECT

public:
    // Records the changes of this list; it hooks the list's write, insert and delete
    // events. The list must outlive the history.
    explicit TEditHistory(TCustomTodoList& list, QObject* parent = nullptr);
    ~TEditHistory() override;

    QUndoStack& Stack() { return stack_; }
    bool CanUndo() const { return stack_.canUndo(); }
    bool CanRedo() const { return stack_.canRedo(); }
    // What Undo and Redo would do, e.g. "Edit Subject"; empty when nothing.
    QString UndoText() const { return stack_.undoText(); }
    QString RedoText() const { return stack_.redoText(); }
    // Takes back or does again one change; an open cell edit is ended (and recorded) first.
    void Undo();
    void Redo();

    // Changes made elsewhere, recorded after the fact -----------------------------------

    // The item, now at its position with its first values, was just added.
    void RecordAdded(const TTodoItem& item, const QString& text);

    // Changes made through the history -------------------------------------------------

    // Removes the item; Undo puts it back at its position with all its values.
    void Delete(TTodoItem& item, const QString& text);
    // Replaces all items by the given ones (taken over; the collection is left empty).
    void ReplaceItems(TTodoItemCollection& newItems, const QString& text);

    // Saved state ----------------------------------------------------------------------

    // Whether the items differ from the last save or open.
    bool Modified() const { return !stack_.isClean(); }
    // The items are what the file holds now.
    void MarkSaved() { stack_.setClean(); }
    // Another list was opened: nothing to undo, unmodified.
    void Clear() { stack_.clear(); }

    // The name of a field in the texts: "Subject", "Due Date".
    static QString FieldName(TTodoData kind);

private:
    void Watch();
    void Writing(TTodoData kind, const TTodoItem& item);
    void Written(TTodoData kind, const TTodoItem& item);

    TCustomTodoList& list_;
    QUndoStack stack_;
    // The values of the item a cell edit is writing into, until it has written.
    std::unique_ptr<TTodoItem> before_;
    const TTodoItem* writing_ = nullptr;
    // Set while a command changes the items, whose own writes are not recorded again.
    bool applying_ = false;
};
