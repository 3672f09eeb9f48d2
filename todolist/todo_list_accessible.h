#pragma once

// What a screen reader sees of the row list box: a table whose columns are the list's
// columns and whose rows are its rows. The header's captions are the column headers; every
// cell is named "Caption: text" with the text the row shows (a done check reads "checked"
// or "unchecked"); the selected row is the selection and the cell cursor (row and focus
// column) the current cell; an open in-place editor is the focus child.
//
// The list box has no accessible interface of its own until a client asks for one; the
// notifications below do nothing until then.

class TTodoListBox;

// Registers the factory that gives every list box its table interface (once; the list box's
// constructor calls it).
void InstallTodoListAccessibility();

// The selected row or the focus column changed from (oldRow, oldColumn): the old and new
// row's selection, and the focus on the new current cell while the list box has the focus.
void AccessibleCurrentCellChanged(TTodoListBox& box, int oldRow, int oldColumn);
// Announces the current cell as focused, when the list box has the focus and no editor is
// open.
void AccessibleFocusCurrentCell(TTodoListBox& box);
// The number of rows went from oldCount to the box's RowCount(): rows added or taken away at
// the end (the rows are a count; their contents are read from the items).
void AccessibleRowCountChanged(TTodoListBox& box, int oldCount);
// The rows' contents moved (a sort) or the columns changed: every cell may read differently.
void AccessibleTableReset(TTodoListBox& box);
// A row was repainted: when it is the current row, a changed name of the current cell is
// announced.
void AccessibleRowChanged(TTodoListBox& box, int row);
