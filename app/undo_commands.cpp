#include "app/undo_commands.h"

#include <QScopeGuard>
#include <QScopedValueRollback>
#include <algorithm>

#include "todolist/todo_list.h"

std::unique_ptr<TTodoItem> CopyOfItem(const TTodoItem& item) {
    auto copy = std::make_unique<TTodoItem>(nullptr);
    copy->Assign(item);
    return copy;
}

bool SameValues(const TTodoItem& a, const TTodoItem& b) {
    return a.Complete() == b.Complete() && a.Completion() == b.Completion() &&
           a.CompletionDate() == b.CompletionDate() && a.CreationDate() == b.CreationDate() &&
           a.DueDate() == b.DueDate() && a.ImageIndex() == b.ImageIndex() &&
           a.Priority() == b.Priority() && a.Status() == b.Status() && a.Tag() == b.Tag() &&
           a.TotalTime() == b.TotalTime() && a.Subject() == b.Subject() &&
           a.Resource() == b.Resource() && a.Project() == b.Project() && a.Notes() == b.Notes();
}

TTodoItem* FindItem(const TTodoItemCollection& items, int hint, const TTodoItem& values) {
    const int count = items.Count();
    hint = std::clamp(hint, 0, std::max(0, count - 1));
    for (int distance = 0; distance < count; ++distance) {
        const int below = hint - distance;
        const int above = hint + distance;
        if (below < 0 && above >= count) {
            break;
        }
        if (below >= 0 && SameValues(*items.At(below), values)) {
            return items.At(below);
        }
        if (distance > 0 && above < count && SameValues(*items.At(above), values)) {
            return items.At(above);
        }
    }
    return nullptr;
}

// Base ------------------------------------------------------------------------------------

TListCommand::TListCommand(TCustomTodoList& list, bool& applying, bool done, const QString& text)
    : QUndoCommand(text), list_(list), applying_(applying), skip_(done) {}

void TListCommand::redo() {
    if (skip_) {
        skip_ = false;
        return;
    }
    Run(&TListCommand::Apply);
}

void TListCommand::undo() {
    Run(&TListCommand::TakeBack);
}

void TListCommand::Run(void (TListCommand::*step)()) {
    // The history ends an open edit (recording it) before it undoes or redoes; one still
    // open here is ended without a record of its own.
    const QScopedValueRollback<bool> applying(applying_, true);
    list_.EndEdit();
    (this->*step)();
}

void TListCommand::Show(TTodoItem* item) {
    if (item && list_.ListBox()->RowOfItem(item->Index()) >= 0) {
        item->Select();
    }
}

// One item's values -------------------------------------------------------------------------

TChangeItemCommand::TChangeItemCommand(TCustomTodoList& list, bool& applying, int index,
                                       std::unique_ptr<TTodoItem> before,
                                       std::unique_ptr<TTodoItem> after, const QString& text)
    : TListCommand(list, applying, true, text),
      index_(index),
      before_(std::move(before)),
      after_(std::move(after)) {}

void TChangeItemCommand::Apply() {
    Put(*before_, *after_);
}

void TChangeItemCommand::TakeBack() {
    Put(*after_, *before_);
}

void TChangeItemCommand::Put(const TTodoItem& from, const TTodoItem& to) {
    TTodoItem* item = FindItem(list_.Items(), index_, from);
    if (!item) {
        return;
    }
    item->Assign(to);
    index_ = item->Index();
    Show(item);
}

// Adding and removing -----------------------------------------------------------------------

TAddItemCommand::TAddItemCommand(TCustomTodoList& list, bool& applying, bool done, int index,
                                 std::unique_ptr<TTodoItem> values, const QString& text)
    : TListCommand(list, applying, done, text), index_(index), values_(std::move(values)) {}

void TAddItemCommand::Add() {
    TTodoItemCollection& items = list_.Items();
    TTodoItem* item = items.Add();
    item->Assign(*values_);
    item->SetIndex(std::clamp(index_, 0, items.Count() - 1));
    // Moving items repaints nothing by itself.
    list_.ListBox()->RepaintAll();
    Show(item);
}

void TAddItemCommand::Remove() {
    TTodoItemCollection& items = list_.Items();
    if (TTodoItem* item = FindItem(items, index_, *values_)) {
        index_ = item->Index();
        items.Delete(index_);
    }
}

// Replacing all -----------------------------------------------------------------------------

namespace {

std::unique_ptr<TTodoItemCollection> CopyOfItems(const TTodoItemCollection& items) {
    auto copy = std::make_unique<TTodoItemCollection>();
    copy->Reserve(items.Count());
    for (const TTodoItem* item : items) {
        copy->Add()->Assign(*item);
    }
    return copy;
}

}  // namespace

TReplaceItemsCommand::TReplaceItemsCommand(TCustomTodoList& list, bool& applying,
                                           TTodoItemCollection& newItems, const QString& text)
    : TListCommand(list, applying, false, text),
      before_(CopyOfItems(list.Items())),
      after_(std::make_unique<TTodoItemCollection>()) {
    after_->TakeAll(newItems);
}

void TReplaceItemsCommand::Put(const TTodoItemCollection& items) {
    auto copy = CopyOfItems(items);
    list_.BeginLoading();
    const auto loaded = qScopeGuard([this] { list_.Loaded(); });
    list_.Items().Clear();
    list_.Items().TakeAll(*copy);
}
