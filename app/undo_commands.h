#pragma once

// The commands of the edit history (app/edit_history.h): one change of the items each,
// with what takes it back. A command finds its item by the values the change left (or,
// for one that puts an item back, by the position it had), so that a sort in between
// does not matter.

#include <QString>
#include <QUndoCommand>
#include <memory>

#include "model/todo_collections.h"

class TCustomTodoList;

// A free-standing copy of all of an item's values.
std::unique_ptr<TTodoItem> CopyOfItem(const TTodoItem& item);
// Whether two items hold the same values, every field compared.
bool SameValues(const TTodoItem& a, const TTodoItem& b);
// The item holding these values, looked for at the hint position first and then ever
// further from it; null when no item holds them.
TTodoItem* FindItem(const TTodoItemCollection& items, int hint, const TTodoItem& values);

// What all the commands share: the list, the first redo, and the flag that keeps the
// history from recording the writes a command makes.
class TListCommand : public QUndoCommand {
public:
    void redo() final;
    void undo() final;

protected:
    // `done`: the change is made already, and the first redo does nothing.
    TListCommand(TCustomTodoList& list, bool& applying, bool done, const QString& text);
    virtual void Apply() = 0;
    virtual void TakeBack() = 0;
    // Makes the item the selected row, when it has a row.
    void Show(TTodoItem* item);

    TCustomTodoList& list_;

private:
    void Run(void (TListCommand::*step)());

    bool& applying_;
    bool skip_;
};

// A change of one item's values.
class TChangeItemCommand : public TListCommand {
public:
    TChangeItemCommand(TCustomTodoList& list, bool& applying, int index,
                       std::unique_ptr<TTodoItem> before, std::unique_ptr<TTodoItem> after,
                       const QString& text);

private:
    void Apply() override;
    void TakeBack() override;
    void Put(const TTodoItem& from, const TTodoItem& to);

    int index_;
    std::unique_ptr<TTodoItem> before_;
    std::unique_ptr<TTodoItem> after_;
};

// An item added (redo) or removed (undo) at a position; TRemoveItemCommand the opposite.
class TAddItemCommand : public TListCommand {
public:
    TAddItemCommand(TCustomTodoList& list, bool& applying, bool done, int index,
                    std::unique_ptr<TTodoItem> values, const QString& text);

protected:
    void Apply() override { Add(); }
    void TakeBack() override { Remove(); }
    void Add();
    void Remove();

private:
    int index_;
    std::unique_ptr<TTodoItem> values_;
};

class TRemoveItemCommand : public TAddItemCommand {
public:
    using TAddItemCommand::TAddItemCommand;

private:
    void Apply() override { Remove(); }
    void TakeBack() override { Add(); }
};

// All items replaced by others.
class TReplaceItemsCommand : public TListCommand {
public:
    // Copies the list's items as they are now; takes the new ones over.
    TReplaceItemsCommand(TCustomTodoList& list, bool& applying, TTodoItemCollection& newItems,
                         const QString& text);

private:
    void Apply() override { Put(*after_); }
    void TakeBack() override { Put(*before_); }
    void Put(const TTodoItemCollection& items);

    std::unique_ptr<TTodoItemCollection> before_;
    std::unique_ptr<TTodoItemCollection> after_;
};
