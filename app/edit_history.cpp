#include "app/edit_history.h"

#include "app/undo_commands.h"
#include "todolist/todo_list.h"

TEditHistory::TEditHistory(TCustomTodoList& list, QObject* parent) : QObject(parent), list_(list) {
    // Unlimited within a run: the stack keeps every command until the next open.
    stack_.setUndoLimit(0);
    Watch();
}

TEditHistory::~TEditHistory() {
    // The list may outlive the history; its events must not call into it then.
    list_.OnItemWriting = nullptr;
    list_.OnItemWritten = nullptr;
    list_.OnItemInsert = nullptr;
    list_.OnItemDelete = nullptr;
}

QString TEditHistory::FieldName(TTodoData kind) {
    // The column captions, but for two: the texts name the creation date in full, and the
    // handle (or a kind out of range) is the item as a whole.
    if (kind == tdCreationDate) {
        return QStringLiteral("Creation Date");
    }
    if (kind == tdHandle || kind >= TodoDataCount) {
        return QStringLiteral("Item");
    }
    return QLatin1String(TodoDataCaption(kind));
}

void TEditHistory::Watch() {
    list_.OnItemWriting = [this](QObject*, TTodoData kind, TTodoItem* item) {
        Writing(kind, *item);
    };
    list_.OnItemWritten = [this](QObject*, TTodoData kind, TTodoItem* item) {
        Written(kind, *item);
    };
    // The Insert and Delete keys of the list; a handler set before keeps its say.
    list_.OnItemInsert = [this, before = std::move(list_.OnItemInsert)](
                             QObject* sender, TTodoItem* item, bool& allow) {
        if (before) {
            before(sender, item, allow);
        }
        if (allow && !applying_) {
            RecordAdded(*item, QStringLiteral("Insert Item"));
        }
    };
    list_.OnItemDelete = [this, before = std::move(list_.OnItemDelete)](
                             QObject* sender, TTodoItem* item, bool& allow) {
        if (before) {
            before(sender, item, allow);
        }
        if (allow && !applying_) {
            // The list removes the item right after this.
            stack_.push(new TRemoveItemCommand(list_, applying_, true, item->Index(),
                                               CopyOfItem(*item), QStringLiteral("Delete Item")));
        }
    };
}

void TEditHistory::Writing(TTodoData kind, const TTodoItem& item) {
    Q_UNUSED(kind);
    before_ = applying_ ? nullptr : CopyOfItem(item);
    writing_ = &item;
}

void TEditHistory::Written(TTodoData kind, const TTodoItem& item) {
    std::unique_ptr<TTodoItem> before = std::move(before_);
    // A write that failed half-way leaves the values of another item behind.
    const bool same = writing_ == &item;
    writing_ = nullptr;
    if (!before || !same || applying_ || SameValues(*before, item)) {
        return;  // Escape, or a value written unchanged
    }
    stack_.push(new TChangeItemCommand(list_, applying_, item.Index(), std::move(before),
                                       CopyOfItem(item),
                                       QStringLiteral("Edit ") + FieldName(kind)));
}

void TEditHistory::Undo() {
    // Ending an open edit records it first, so Undo takes back that edit.
    list_.EndEdit();
    stack_.undo();
}

void TEditHistory::Redo() {
    list_.EndEdit();
    stack_.redo();
}

void TEditHistory::RecordAdded(const TTodoItem& item, const QString& text) {
    stack_.push(new TAddItemCommand(list_, applying_, true, item.Index(), CopyOfItem(item), text));
}

void TEditHistory::Delete(TTodoItem& item, const QString& text) {
    stack_.push(
        new TRemoveItemCommand(list_, applying_, false, item.Index(), CopyOfItem(item), text));
}

void TEditHistory::ReplaceItems(TTodoItemCollection& newItems, const QString& text) {
    list_.EndEdit();
    stack_.push(new TReplaceItemsCommand(list_, applying_, newItems, text));
}
