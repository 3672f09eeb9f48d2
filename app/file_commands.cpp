// The File menu's Open, Save and Save As: the whole list between the control and a .2do
// file, the current file, and the texts of the message pane and the caption. None of them
// catches errors; the current file, texts and caption change only after the file
// operation has succeeded.

#include <QFileInfo>

#include "app/edit_history.h"
#include "app/main_window.h"
#include "model/list_lock.h"
#include "todolist/todo_list.h"

namespace {

QString NameOf(const QString& path) {
    return QFileInfo(path).fileName();
}

}  // namespace

void TForm1::Open() {
    // The list is about to be replaced; an edit still open belongs to the old one.
    todoList1_->EndEdit();
    if (!platform_.Dialogs.OpenFile(openDialog1_)) {
        return;
    }
    LoadList(openDialog1_.FileName);
}

void TForm1::LoadList(const QString& path) {
    auto lock = LockFor(path);
    todoList1_->LoadFromFile(path);
    history_->Clear();
    SetMessage(NameOf(path) + QStringLiteral(" loaded..."));
    setWindowTitle(CaptionFor(path));
    SetCurrentFile(path, std::move(lock));
}

void TForm1::Save() {
    if (!HasCurrentFile()) {
        SaveAs();
        return;
    }
    // A window that opened its list while someone else held the lock has none. pellmark-cli
    // may be changing the file this very moment; waiting for its lock puts this save after
    // that change instead of under it, where the change would replace it unseen. The lock
    // then stays with the window. (When it holds the lock already, nothing waits.)
    auto lock = LockFor(currentFile_);
    if (!MayOverwriteCurrentFile()) {
        return;
    }
    todoList1_->SaveToFile(currentFile_);
    history_->MarkSaved();
    SetCurrentFile(currentFile_, std::move(lock));
    const TFormatSettings& format = platform_.FormatSettings;
    SetMessage(NameOf(currentFile_) + QStringLiteral(" saved @") +
               FormatDateTime(format.LongTimeFormat, platform_.Clock.Now(), format));
}

bool TForm1::SaveAs() {
    if (!platform_.Dialogs.SaveFile(saveDialog1_)) {
        return false;
    }
    const QString path = saveDialog1_.FileName;
    auto lock = LockFor(path);
    todoList1_->SaveToFile(path);
    history_->MarkSaved();
    SetCurrentFile(path, std::move(lock));
    SetMessage(NameOf(path) + QStringLiteral(" saved..."));
    setWindowTitle(CaptionFor(path));
    return true;
}
