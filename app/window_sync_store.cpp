#include "app/window_sync_store.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <exception>

#include "sync/item_matching.h"
#include "sync/sync_errors.h"
#include "todolist/todo_list.h"

namespace {

// How often a call that waits for a modal window looks again.
constexpr int kModalPollMs = 100;

std::unique_ptr<TTodoItemCollection> CopyOf(const TTodoItemCollection& items) {
    auto copy = std::make_unique<TTodoItemCollection>();
    copy->Reserve(items.Count());
    for (const TTodoItem* item : items) {
        copy->Add()->Assign(*item);
    }
    return copy;
}

// The same items with the same values in the same order.
bool SameItems(const TTodoItemCollection& a, const TTodoItemCollection& b) {
    if (a.Count() != b.Count()) {
        return false;
    }
    for (int i = 0; i < a.Count(); ++i) {
        if (MatchKeyOf(*a.At(i)).Record != MatchKeyOf(*b.At(i)).Record) {
            return false;
        }
    }
    return true;
}

}  // namespace

struct TWindowSyncStore::TCall {
    std::function<void()> Work;
    bool UntilModalEnds = false;
    bool Done = false;
    std::exception_ptr Error;
};

TWindowSyncStore::TWindowSyncStore(TSyncWindowSide window, QString listFile)
    : window_(std::move(window)),
      listFile_(std::move(listFile)),
      stateFile_(SyncStateFileName(listFile_)) {}

TWindowSyncStore::~TWindowSyncStore() = default;

// Worker thread --------------------------------------------------------------------------

std::unique_ptr<TTodoItemCollection> TWindowSyncStore::Snapshot() {
    std::unique_ptr<TTodoItemCollection> copy;
    OnGuiThread([&] {
        CheckSameList();
        // An editor still open keeps its text: when it writes it, the list has changed
        // since this snapshot, and WriteMerged sees that.
        const TCustomTodoList& list = *window_.List;
        snapshot_ = CopyOf(list.Items());
        const TTodoItem* selected = list.SelectedItem();
        selected_ = selected ? selected->Index() : -1;
        top_ = list.ListBox()->TopIndex();
        copy = CopyOf(*snapshot_);
    });
    return copy;
}

void TWindowSyncStore::WriteMerged(const TTodoItemCollection& merged,
                                   const std::vector<int>& origins) {
    OnGuiThread(
        [&] {
            CheckSameList();
            TCustomTodoList& list = *window_.List;
            // As Save does: an edit still open belongs to the list.
            list.EndEdit();
            if (!SameItems(list.Items(), *snapshot_)) {
                {
                    const std::lock_guard lock(mutex_);
                    listChanged_ = true;
                }
                throw ESyncError(
                    QStringLiteral("the list kept changing during the sync; synchronize again"));
            }
            window_.Save(merged);
            Apply(merged, origins);
        },
        true);
}

TSyncState TWindowSyncStore::ReadState() {
    return ReadSyncState(stateFile_);
}

void TWindowSyncStore::WriteState(const TSyncState& state) {
    WriteSyncState(stateFile_, state);
}

// Between the threads ----------------------------------------------------------------------

void TWindowSyncStore::OnGuiThread(std::function<void()> work, bool untilModalEnds) {
    auto call = std::make_shared<TCall>();
    call->Work = std::move(work);
    call->UntilModalEnds = untilModalEnds;
    {
        const std::lock_guard lock(mutex_);
        if (cancelled_) {
            throw ESyncError(QStringLiteral("the sync was stopped"));
        }
    }
    QMetaObject::invokeMethod(
        &context_, [this, call] { Serve(call); }, Qt::QueuedConnection);
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [&] { return call->Done || cancelled_; });
    if (!call->Done) {
        throw ESyncError(QStringLiteral("the sync was stopped"));
    }
    if (call->Error) {
        std::rethrow_exception(call->Error);
    }
}

void TWindowSyncStore::Serve(const std::shared_ptr<TCall>& call) {
    {
        const std::lock_guard lock(mutex_);
        if (cancelled_) {
            return;  // the worker has given up on it
        }
    }
    if (call->UntilModalEnds && QApplication::activeModalWidget()) {
        QTimer::singleShot(kModalPollMs, &context_, [this, call] { Serve(call); });
        return;
    }
    try {
        call->Work();
    } catch (...) {
        call->Error = std::current_exception();
    }
    {
        const std::lock_guard lock(mutex_);
        call->Done = true;
    }
    wake_.notify_all();
}

void TWindowSyncStore::Cancel() {
    {
        const std::lock_guard lock(mutex_);
        cancelled_ = true;
    }
    wake_.notify_all();
}

bool TWindowSyncStore::ListChanged() const {
    const std::lock_guard lock(mutex_);
    return listChanged_;
}

// GUI thread -------------------------------------------------------------------------------

void TWindowSyncStore::CheckSameList() const {
    const QString current = window_.CurrentFile();
    if (current.isEmpty() || SyncStateFileName(current) != stateFile_) {
        throw ESyncError(QStringLiteral("another list was opened during the sync; %1 is unchanged")
                             .arg(QFileInfo(listFile_).fileName()));
    }
}

void TWindowSyncStore::Apply(const TTodoItemCollection& merged, const std::vector<int>& origins) {
    TCustomTodoList& list = *window_.List;
    auto items = CopyOf(merged);
    window_.Replace(*items);
    // The selected item stays selected where the sync kept it; the view stays where it was.
    int selected = -1;
    for (std::size_t i = 0; i < origins.size() && selected_ >= 0; ++i) {
        if (origins[i] == selected_) {
            selected = int(i);
            break;
        }
    }
    TTodoListBox& box = *list.ListBox();
    box.SetTopIndex(top_);
    box.SelectItem(selected);
    snapshot_.reset();
}
