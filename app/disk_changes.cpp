// The window's current file changed by another program: a list without unsaved changes
// is read again at once; otherwise the user chooses between the file and the window's
// list. A save never replaces a file that changed since the window read it without
// asking first. The window's own saves are what it knows, so they reload nothing.

#include <QApplication>
#include <QFileInfo>
#include <QScopeGuard>
#include <algorithm>

#include "app/edit_history.h"
#include "app/file_watch.h"
#include "app/main_window.h"
#include "app/recent_lists.h"
#include "model/todo_file.h"
#include "todolist/todo_list.h"

namespace {

QString NameOf(const QString& path) {
    return QFileInfo(path).fileName();
}

// An item as the user knows it across a reload: subject and creation date, and which of
// the items with both of them it is (lists may hold copies of one item).
struct TItemKey {
    std::string Subject;
    TDateTime Created = 0;
    int Occurrence = 0;
    bool Valid = false;
};

TItemKey KeyAt(const TTodoItemCollection& items, int index) {
    TItemKey key;
    if (index < 0 || index >= items.Count()) {
        return key;
    }
    const TTodoItem* item = items.At(index);
    key.Subject = item->Subject();
    key.Created = item->CreationDate();
    key.Valid = true;
    for (int i = 0; i < index; ++i) {
        const TTodoItem* other = items.At(i);
        key.Occurrence += other->Subject() == key.Subject && other->CreationDate() == key.Created;
    }
    return key;
}

int Find(const TTodoItemCollection& items, const TItemKey& key) {
    if (!key.Valid) {
        return -1;
    }
    int seen = 0;
    for (int i = 0; i < items.Count(); ++i) {
        const TTodoItem* item = items.At(i);
        if (item->Subject() == key.Subject && item->CreationDate() == key.Created &&
            seen++ == key.Occurrence) {
            return i;
        }
    }
    return -1;
}

// Where the user was in the list: the selected row and the first visible one.
struct TListPlace {
    int Selected = -1;
    int Top = 0;
    TItemKey SelectedItem;
    TItemKey TopItem;
};

TListPlace PlaceIn(const TTodoListBox& box) {
    TListPlace place;
    place.Selected = box.ItemIndex();
    place.Top = box.TopIndex();
    place.SelectedItem = KeyAt(box.TodoItems(), place.Selected);
    place.TopItem = KeyAt(box.TodoItems(), place.Top);
    return place;
}

// An item that is gone leaves its row number: the selection then falls on the item that
// took its place (the last one when the list got shorter), as after a deletion.
void Restore(TTodoListBox& box, const TListPlace& place) {
    const int count = box.TodoItems().Count();
    int selected = Find(box.TodoItems(), place.SelectedItem);
    if (selected < 0 && place.Selected >= 0 && count > 0) {
        selected = std::min(place.Selected, count - 1);
    }
    box.SetItemIndex(selected);
    const int top = Find(box.TodoItems(), place.TopItem);
    box.SetTopIndex(top >= 0 ? top : place.Top);
}

}  // namespace

void TForm1::InSyncWithCurrentFile() {
    fileWatch_->Watch(currentFile_, StampOnDisk(currentFile_));
    cleanHash_ = ContentHash(todoList1_->Items());
    try {
        AddRecentList(currentFile_);
    } catch (const EPellmarkError&) {
        // The menu of recent lists is a convenience: settings that refuse it must not
        // turn a good load or save into an error.
    }
}

void TForm1::CurrentFileChangedOnDisk() {
    if (!HasCurrentFile() || askingAboutDisk_) {
        return;
    }
    // Not in the middle of an edit, a save or a dialog: look again once that is over.
    if (saving_ || QApplication::activeModalWidget() ||
        todoList1_->ListBox()->CellEditing().Editing()) {
        diskRetry_.start();
        return;
    }
    if (!fileWatch_->ChangedOnDisk()) {
        return;
    }
    const QString name = NameOf(currentFile_);
    if (!QFileInfo::exists(currentFile_)) {
        // Nothing to read; the next save writes the file again.
        SetMessage(name + QStringLiteral(" was removed by another program..."));
        return;
    }
    if (!HasUnsavedChanges()) {
        RunCommand([this] { ReloadCurrentFile(); });
        return;
    }
    askingAboutDisk_ = true;
    const auto done = qScopeGuard([this] { askingAboutDisk_ = false; });
    const int choice = platform_.Messages.Choose(
        name + QStringLiteral(" was changed by another program.\n\nReload it (the changes made "
                              "here are undone), save the list here under another name, or "
                              "keep the list here (the next save asks before it replaces "
                              "the file)?"),
        {QStringLiteral("&Reload"), QStringLiteral("Save &As..."), QStringLiteral("&Keep mine")});
    if (choice == 0) {
        RunCommand([this] { ReloadCurrentFile(); });
    } else if (choice == 1) {
        RunCommand([this] { SaveAs(); });
    } else {
        SetMessage(name + QStringLiteral(" changed on disk; the list here is kept..."));
    }
}

bool TForm1::MayOverwriteCurrentFile() {
    // Only a file that can be read can be told to have changed; a missing or unreadable
    // one is left to the save, which writes it or says why it cannot.
    const QFileInfo file(currentFile_);
    if (!file.isFile() || !file.isReadable() || !fileWatch_->ChangedOnDisk()) {
        return true;
    }
    const QString name = NameOf(currentFile_);
    if (platform_.Messages.Confirm(name + QStringLiteral(" was changed by another program since "
                                                         "Pellmark read it.\nReplace it with the "
                                                         "list in this window?"))) {
        return true;
    }
    SetMessage(name + QStringLiteral(" not saved..."));
    return false;
}

void TForm1::ReloadCurrentFile() {
    todoList1_->EndEdit();
    QByteArray bytes;
    const TFileStamp stamp = StampOnDisk(currentFile_, &bytes);
    if (!stamp.Exists) {
        ReadWholeFile(currentFile_);  // raises the reason
    }
    TTodoItemCollection fresh;
    ReadItems(bytes, currentFile_, fresh);

    TTodoListBox& box = *todoList1_->ListBox();
    const TListPlace place = PlaceIn(box);
    ReplaceWithReloaded(fresh);
    Restore(box, place);

    fileWatch_->Watch(currentFile_, stamp);
    cleanHash_ = ContentHash(todoList1_->Items());
    SetMessage(NameOf(currentFile_) + QStringLiteral(" reloaded..."));
}

// Every reload replaces the list here, and only here: as one change that Undo takes back,
// so the changes a reload dropped are not lost. The list then is what the file holds.
void TForm1::ReplaceWithReloaded(TTodoItemCollection& items) {
    ReplaceItemsUndoably(items, QStringLiteral("Reload"));
    history_->MarkSaved();
}
