// The main window's side of the sync with a CalDAV server: File -> "S&ynchronize" and the
// synchronization dialog, the sync after an autosave, the status texts, and the close
// that waits for a sync under way. The sync runs in the background (sync_controller.h);
// the window's list is its store (window_sync_store.h) and the window saves the merged
// list as Save does, before the sync writes its sidecar.

#include <QFileInfo>
#include <QMenu>
#include <QTimer>

#include "app/edit_history.h"
#include "app/file_watch.h"
#include "app/main_window.h"
#include "app/sync_controller.h"
#include "app/sync_dialog.h"
#include "model/list_lock.h"
#include "model/todo_file.h"
#include "platform/application.h"
#include "settings/setting_keys.h"
#include "sync/sync_errors.h"
#include "todolist/todo_list.h"
#include "widgets/hover_button.h"

void TForm1::AddSyncCommands(QMenu* file) {
    file->addSeparator();
    QAction* sync = file->addAction(GlyphIcon(TGlyph::Save), QStringLiteral("S&ynchronize"));
    sync->setObjectName(QStringLiteral("mnuFileSync1"));
    connect(sync, &QAction::triggered, this, [this] { RunCommand([this] { Synchronize(); }); });
    QAction* server =
        file->addAction(GlyphIcon(TGlyph::Options), QStringLiteral("Synchronization Ser&ver..."));
    server->setObjectName(QStringLiteral("mnuFileSyncServer1"));
    connect(server, &QAction::triggered, this,
            [this] { RunCommand([this] { ShowSyncSettings(); }); });
}

TfrmSync* TForm1::SyncDialog() const {
    return syncDialog_;
}

void TForm1::ShowSyncSettings() {
    if (!syncDialog_) {
        syncDialog_ = new TfrmSync(platform_, this);
    }
    syncDialog_->ShowSync();
}

TSyncController& TForm1::SyncController() {
    if (!sync_) {
        TSyncWindowSide side;
        side.List = todoList1_;
        side.CurrentFile = [this] { return HasCurrentFile() ? currentFile_ : QString(); };
        side.Save = [this](const TTodoItemCollection& items) {
            // As Save does: after any change another process is making, with the lock.
            auto lock = LockFor(currentFile_);
            SaveToFile(items, currentFile_);
            SetCurrentFile(currentFile_, std::move(lock));
        };
        side.Replace = [this](TTodoItemCollection& items) {
            // One change that Edit -> Undo takes back (the next sync then sends that back).
            ReplaceItemsUndoably(items, QStringLiteral("Synchronize"));
            // The file already holds the merged list (Save came first).
            history_->MarkSaved();
            cleanHash_ = ContentHash(todoList1_->Items());
        };
        sync_ = std::make_unique<TSyncController>(side);
        connect(sync_.get(), &TSyncController::progress, this,
                [this](const QString& step, int done, int total) {
                    QString text = QStringLiteral("Synchronizing: ") + step;
                    if (total > 0) {
                        text += QStringLiteral(" %1/%2").arg(done).arg(total);
                    }
                    SetMessage(text + QStringLiteral("..."));
                });
        connect(sync_.get(), &TSyncController::finished, this, [this](const TSyncReport& report) {
            SetMessage(QFileInfo(currentFile_).fileName() + QStringLiteral(" synchronized: ") +
                       CountsText(report));
            SyncEnded();
        });
        connect(sync_.get(), &TSyncController::failed, this, [this](const QString& message) {
            SetMessage(QStringLiteral("Synchronizing failed"));
            platform_.Messages.ShowError(
                ErrorBoxText(QStringLiteral("Cannot synchronize: ") + message));
            SyncEnded();
        });
    }
    return *sync_;
}

void TForm1::Synchronize() {
    // The snapshot the sync takes holds what is being typed.
    todoList1_->EndEdit();
    if (sync_ && sync_->Running()) {
        SetMessage(QStringLiteral("Synchronizing already..."));
        return;
    }
    const QString text = ReadText(stSyncUrl).trimmed();
    if (text.isEmpty()) {
        ShowSyncSettings();
        return;
    }
    TSyncOptions options;
    options.Url = SyncUrlFrom(text);
    options.Insecure = FlagIsOn(stSyncInsecure);
    QString user = ReadText(stSyncUser).trimmed();
    if (user.isEmpty()) {
        user = options.Url.userName();
    }
    // The sync keeps its state beside the list file, so the list needs one.
    if (!HasCurrentFile() && !SaveAs()) {
        return;
    }
    // The window holds the list's lock while the sync runs, so that pellmark-cli does not
    // change the list or its sidecar meanwhile.
    SetCurrentFile(currentFile_, LockFor(currentFile_));
    if (ListIsLockedByOther(currentFile_)) {
        throw ESyncError(currentFile_ + QStringLiteral(" is in use by another program"));
    }
    SetMessage(QStringLiteral("Synchronizing..."));
    SyncController().Start(options, user, currentFile_);
}

void TForm1::SyncAfterAutoSave() {
    if (HasCurrentFile() && !(sync_ && sync_->Running()) && FlagIsOn(stSyncAutoSave) &&
        !ReadText(stSyncUrl).trimmed().isEmpty()) {
        RunCommand([this] { Synchronize(); });
    }
}

bool TForm1::CloseWaitsForSync() {
    if (!sync_ || !sync_->Running()) {
        return false;
    }
    // The exit flow runs once the merged list is in the window, so that it saves that.
    todoList1_->EndEdit();
    closeAfterSync_ = true;
    SetMessage(QStringLiteral("Closing when the sync has finished..."));
    return true;
}

void TForm1::SyncEnded() {
    if (closeAfterSync_) {
        closeAfterSync_ = false;
        QTimer::singleShot(0, this, [this] { close(); });
    }
}
