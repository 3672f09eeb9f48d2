#pragma once

// The sync state of one list: the sidecar ".NAME.2do.sync" beside the list (JSON). The
// .2do format has no room for an identity, so the sidecar keeps, per item, its UID, the
// path of its resource on the server, the ETag of the version last seen there and the
// values last synced (the item's .2do record, base64). Local items find their entries by
// those values (sync/item_matching.h); the values are also the base of the three-way
// merge.
//
// Two marks make the sidecar a journal of a sync under way (sync/sync_engine.h): it is
// written with them before the list and the server are changed, and without them once
// both are done, so a sync cut off anywhere leaves enough to finish the work next time.

#include <QByteArray>
#include <QString>
#include <vector>

struct TSyncEntry {
    QString Uid;
    QString Href;     // decoded path of the resource
    QByteArray ETag;  // of the server's version the base came from; empty when unknown
    QByteArray Base;  // the values last synced, as a .2do item record
    // The list may not hold the item yet (it came from the server, or is a conflict's
    // copy): missing from the list it is to be added, not deleted on the server.
    bool NotInList = false;
    // The server may not hold the item yet (new in the list): missing on the server it is
    // to be uploaded, not deleted in the list.
    bool NotOnServer = false;
};

// A resource of the collection that holds no task (an event in a shared calendar), kept
// so that it is not downloaded again while its ETag stays the same.
struct TIgnoredResource {
    QString Href;
    QByteArray ETag;
};

struct TSyncState {
    QString Collection;  // the URL the list was synced with
    QByteArray CTag;
    QByteArray SyncToken;
    std::vector<TSyncEntry> Entries;  // in the order of the list
    std::vector<TIgnoredResource> Ignored;
};

// ".NAME.2do.sync" in the folder of the list's real file (symbolic links followed).
QString SyncStateFileName(const QString& listFileName);

// An empty state when the file does not exist; ESyncError "the sync state FILE is damaged
// (...)" when it cannot be read as one.
TSyncState ReadSyncState(const QString& fileName);
// Replaces the file crash-safely (model/safe_file.h), unless it holds that state already.
void WriteSyncState(const QString& fileName, const TSyncState& state);
QByteArray SyncStateToJson(const TSyncState& state);
TSyncState SyncStateFromJson(const QByteArray& json, const QString& fileName);
