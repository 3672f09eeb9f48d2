#pragma once

// The sync's store for the list open in the main window (ISyncListStore,
// sync/sync_engine.h). The engine calls it from its worker thread; what touches the list is
// handed to the GUI thread, which the worker waits for. The sidecar is read and written on
// the worker thread: it is no part of the window.
//
// The list stays usable while the sync runs, so the merged list is applied only when the
// list is still what the snapshot took (every item's values, in order). When the user
// changed it meanwhile, WriteMerged changes nothing and raises; the sync then counts as
// cut off before its end, which the engine makes safe (the sidecar's journal lets the next
// sync finish its work), and the controller runs it again on the edited list, so the edits
// go to the server in the same command. The merged list is saved to the list file first
// and shown only when that worked, so a failing sync changes nothing here.

#include <QObject>
#include <QString>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "sync/sync_engine.h"

class TCustomTodoList;

// What the store needs of the window, each called on the GUI thread.
struct TSyncWindowSide {
    TCustomTodoList* List = nullptr;
    // The list file the window shows now.
    std::function<QString()> CurrentFile;
    // Saves these items to the current file crash-safely, as Save does; raises.
    std::function<void(const TTodoItemCollection& items)> Save;
    // Makes these items (taken over) the list, the file holding them already.
    std::function<void(TTodoItemCollection& items)> Replace;
};

class TWindowSyncStore : public ISyncListStore {
public:
    // Made on the GUI thread, for the sync of `listFile`.
    TWindowSyncStore(TSyncWindowSide window, QString listFile);
    ~TWindowSyncStore() override;

    // Worker thread.
    std::unique_ptr<TTodoItemCollection> Snapshot() override;
    void WriteMerged(const TTodoItemCollection& merged, const std::vector<int>& origins) override;
    TSyncState ReadState() override;
    void WriteState(const TSyncState& state) override;

    // GUI thread: every call waiting for the GUI thread, and every later one, raises.
    void Cancel();
    // Whether WriteMerged refused because the list changed after the snapshot.
    bool ListChanged() const;

private:
    struct TCall;
    // Runs `work` on the GUI thread and waits for it; its exception is raised here. With
    // `untilModalEnds`, it waits while a modal window runs its own loop: a command waiting
    // in a question box may hold an item of the list.
    void OnGuiThread(std::function<void()> work, bool untilModalEnds = false);
    void Serve(const std::shared_ptr<TCall>& call);
    // GUI thread: raises when the window shows another list than the one synchronized.
    void CheckSameList() const;
    void Apply(const TTodoItemCollection& merged, const std::vector<int>& origins);

    TSyncWindowSide window_;
    QString listFile_;
    QString stateFile_;
    QObject context_;  // lives in the GUI thread: the calls are delivered to it

    // GUI thread only.
    std::unique_ptr<TTodoItemCollection> snapshot_;
    int selected_ = -1;  // the item's position, not its row (a find may hide rows)
    int top_ = 0;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool cancelled_ = false;
    bool listChanged_ = false;
};
