#pragma once

// What the item and column collections need from the view that shows them (the row list
// box of the to-do list control). The collections call it to keep the rows in step; a
// collection without an owner (a command-line tool, a file being read) notifies nobody.

#include "model/todo_types.h"

class ITodoModelOwner {
public:
    virtual ~ITodoModelOwner() = default;

    // False until the view exists as a window and while it is being loaded; while false,
    // adding or removing members touches no rows and sends no columns-changed notice.
    virtual bool HasWindow() const = 0;
    // The number of rows the view shows now.
    virtual int RowCount() const = 0;
    // Make the number of rows equal the number of items (an item was added or removed).
    virtual void SyncRows() = 0;
    // An item's notes changed: remember the selected row, SyncRows, select it again.
    virtual void NotesChanged() = 0;
    // Repaint one row (only called for rows below RowCount()).
    virtual void RepaintRow(int row) = 0;
    virtual void RepaintAll() = 0;
    // Make this row the selected one (an item's Select).
    virtual void SelectRow(int row) = 0;
    // The item at this position changed a value. A view whose rows are all the items, in
    // order, repaints that row; one that shows only some of them maps the position first.
    virtual void ItemChanged(int index) {
        if (index >= 0 && index < RowCount()) {
            RepaintRow(index);
        }
    }
    // An item's Select, by the item's position.
    virtual void SelectItem(int index) { SelectRow(index); }
    // The item at this position is about to leave the collection (it is still there).
    virtual void ItemRemoving(int index) { static_cast<void>(index); }
    // A column was created or destroyed, or its width or caption was set.
    virtual void ColumnsChanged() = 0;
    // The items changed outside an update bracket, or their bracket closed: what the view
    // put off while the bracket was open (SyncRows still comes for every row) can be done.
    virtual void RowsSettled() {}
    // The view's font at this moment; a new column starts with a copy of it.
    virtual TFont CurrentFont() const = 0;
};
