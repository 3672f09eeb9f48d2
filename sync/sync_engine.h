#pragma once

// Two-way sync of one to-do list with one CalDAV task collection.
//
// One sync, in order:
//  1. PROPFIND the collection: a calendar collection that allows VTODO, its change tag
//     (getctag) and whether it offers sync-collection reports.
//  2. Take a snapshot of the list and read the sidecar state (sync/sync_state.h); match
//     the list's items to the sidecar's entries by their last synced values
//     (sync/item_matching.h).
//  3. Find what changed on the server: nothing when the change tag is the one of the last
//     sync; else a sync-collection report from the last sync token (RFC 6578) where
//     offered, else a calendar-query with every VTODO's ETag. Download (calendar-multiget,
//     in batches, several in flight) what changed there and what is to be changed there.
//  4. Merge each item three ways against its last synced values (sync/field_merge.h):
//     deleted on one side and unchanged on the other is deleted on both; deleted on one
//     side and changed on the other is kept; the same field changed differently on both
//     sides keeps the local value and adds the server's version as a second item whose
//     subject ends in " (conflict)", placed after the first and uploaded in the same sync
//     as a new task. Items new on the server are appended to the list.
//  5. Write the sidecar as a journal (below), then push: PUT new tasks with
//     If-None-Match: *, changed ones with If-Match (only the changed fields' properties
//     replaced), DELETE with If-Match. A 412 (changed on the server meanwhile) downloads
//     that task again and merges it once more, up to three rounds.
//  6. Hand the merged list to the store, which saves it crash-safely, and then write the
//     sidecar without the journal marks.
// A dry run stops after step 4 and reports what would change on each side.
//
// Invariants that make a sync cut off at any point (process killed, server stopped,
// network gone, disk full) leave both sides consistent and let the next sync finish the
// work without a duplicate or a lost item:
//  - The list is written only after every push, so a sync that fails before then has not
//    changed the list. The sidecar is written after the list; the journal before the
//    pushes only adds what the next sync needs to know.
//  - An entry's ETag and base change only together, to a version both sides hold. While
//    a push may or may not have happened, the journal keeps the old ETag: the next sync
//    then downloads the task, and a push that did happen merges as "changed the same on
//    both sides".
//  - A UID is written to the journal (marked NotOnServer) before its task is pushed: the
//    next sync recognises the item by its values, PUTs it again with If-None-Match and
//    takes a task that is already there as the earlier push. Hrefs are the UID + ".ics",
//    so the same task always goes to the same place.
//  - What the list does not hold yet (tasks from the server, a conflict's second item) is
//    in the journal marked NotInList, with its values: missing from the list it is added,
//    not deleted on the server, even when the server never got it.
//  - For a conflict the journal's base takes the server's values of the conflicting
//    fields, so the next sync does not see the same conflict again: the second item
//    already keeps the server's version.
//  - The sync token and change tag stored are the ones read before the pushes, so the
//    next sync lists the sync's own changes again (by ETag only, no bodies) rather than
//    miss a change someone else made meanwhile.
//
// Servers that treat a PUT on a collection as replacing it with the tasks of one
// VCALENDAR (Radicale does, and takes seconds for what would be an hour of single PUTs
// into a large collection, since each new task's PUT scans the collection) get the first
// upload into an empty collection that way, guarded by If-Match on the collection's ETag;
// any other answer falls back to single PUTs.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>
#include <vector>

#include "model/todo_collections.h"
#include "sync/dav_client.h"
#include "sync/sync_report.h"
#include "sync/sync_state.h"

struct TSyncOptions {
    QUrl Url;  // the collection
    TDavCredentials Credentials;
    bool Insecure = false;  // accept certificate errors
    bool DryRun = false;    // change nothing anywhere, report what would change
};

// Where the engine gets the list and keeps its state: the file and sidecar for
// pellmark-cli, the open list for the window. Called from the engine's thread; an
// implementation for the window hands the calls to the GUI thread and waits.
class ISyncListStore {
public:
    virtual ~ISyncListStore() = default;
    // A free-standing copy of the list's items as they are now.
    virtual std::unique_ptr<TTodoItemCollection> Snapshot() = 0;
    // Makes the merged items the list and saves it crash-safely before returning (raises
    // when it cannot). origins[i] is the index in the snapshot that merged item i came
    // from, or -1 for an item the sync added, so a list edited meanwhile can be matched.
    virtual void WriteMerged(const TTodoItemCollection& merged,
                             const std::vector<int>& origins) = 0;
    virtual TSyncState ReadState() = 0;
    virtual void WriteState(const TSyncState& state) = 0;
};

class TSyncEngine : public QObject {
    Q_OBJECT

public:
    TSyncEngine(ISyncListStore& store, TSyncOptions options, QObject* parent = nullptr);
    ~TSyncEngine() override;

    // The whole sync in the calling thread, which needs no running event loop of its own.
    // Raises ESyncError, or the model's errors for the list and sidecar files.
    TSyncReport Run();

    // Tests: called once after the downloads and before the first push, to change the
    // server in between.
    std::function<void()> BeforePushForTesting;

public Q_SLOTS:
    // Run for a worker thread: the outcome comes as finished or failed, never as an
    // exception.
    void Start();

Q_SIGNALS:
    // A step ("Downloading") and how far it is; total 0 when unknown.
    void progress(const QString& step, int done, int total);
    void finished(const TSyncReport& report);
    void failed(const QString& message);

private:
    class TRun;
    ISyncListStore& store_;
    TSyncOptions options_;
};
