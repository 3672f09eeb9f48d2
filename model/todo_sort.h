#pragma once

// Ordering a to-do list by the data of one column. Sorting moves the items' contents, not
// the item objects, so item n is row n afterwards; the selected row follows its content.

#include <QCollator>
#include <vector>

#include "model/todo_collections.h"
#include "model/todo_types.h"

// Negative, zero or positive as a comes before, with or after b in ascending order of the
// given data kind. Texts compare case-sensitively with the collator; numbers, flags,
// priorities, states and dates by value (a date never set, 0.0, comes first); tdHandle
// and unknown kinds make all items equal.
int CompareTodoItems(const TTodoItem& a, const TTodoItem& b, TTodoData kind,
                     const QCollator& collator);

// The user's locale, case-sensitive: the collator the list sorts with by default.
QCollator DefaultTodoCollator();

// Sorts the whole list (when it holds two or more items) with a partition sort that keeps
// the pivot's content fixed while exchanges move it. `selected` is the selected row, or
// -1, and is updated to the row its content moved to. Equal items are never exchanged
// with each other, but the sort is not stable.
void SortTodoItems(TTodoItemCollection& items, TTodoData kind, TSortDirection direction,
                   int& selected, const QCollator* collator = nullptr);

// The order SortTodoItems would give, without moving anything: entry n is the row whose
// content would be at row n.
std::vector<int> SortedTodoOrder(const TTodoItemCollection& items, TTodoData kind,
                                 TSortDirection direction, const QCollator* collator = nullptr);
