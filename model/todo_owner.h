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
    // A column was created or destroyed, or its width or caption was set.
    virtual void ColumnsChanged() = 0;
    // The items changed outside an update bracket, or their bracket closed: what the view
    // put off while the bracket was open (SyncRows still comes for every row) can be done.
    virtual void RowsSettled() {}
    // The view's font at this moment; a new column starts with a copy of it.
    virtual TFont CurrentFont() const = 0;
};
