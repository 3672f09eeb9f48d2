#pragma once

// The server's side of a sync: what the collection is, what changed in it since the last
// sync, and the download of task bodies.

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "sync/dav_client.h"
#include "sync/remote_todo.h"
#include "sync/sync_state.h"

// Requests sent at the same time.
constexpr int kInFlight = 4;

struct TCollectionInfo {
    QByteArray CTag;
    bool CanSyncCollection = false;         // offers sync-collection reports
    std::optional<QStringList> Components;  // the components it allows, when it says
};

// What the server listed: href -> ETag, and what it reported as removed.
struct TServerListing {
    QByteArray Token;   // the sync token to keep
    bool Full = false;  // Listed holds every task: what is not in it is gone
    QHash<QString, QByteArray> Listed;
    QSet<QString> Removed;
};

// A request with an XML body on the collection.
TDavRequest XmlRequest(const char* method, QByteArray body, int depth = -1);

// "PUT /cal/x.ics", for a failure's message; the collection without a path.
QString RequestText(const TDavClient& client, const char* method, const QString& path = {});

// PROPFIND of the collection; raises ESyncError when it is no collection that takes tasks.
// Without `askChangeTag` its CTag stays empty (see ListChanges).
TCollectionInfo ReadCollection(TDavClient& client, bool askChangeTag);

// Fills `listing` with what changed since the last sync that `state` records: nothing when
// the change tag is that sync's, else a sync-collection report where offered, else every
// task's ETag. A sync that has a token from the last one need not ask for the change tag:
// the report from that token answers the same question, and on Radicale computing the tag
// costs about as much as the report, so asking both when something changed costs twice.
// An expired sync token is cleared from `state` and everything listed.
void ListChanges(TDavClient& client, const TCollectionInfo& collection, TSyncState& state,
                 TServerListing& listing);

// Downloads the resources (calendar-multiget in batches): href -> body, nothing for a
// resource the server no longer has. Their ETags go to `etags`, the count of bodies to
// `downloaded`; `progress` hears how many of them are answered.
std::map<QString, std::shared_ptr<TRemoteTodo>> FetchTodos(
    TDavClient& client, const std::vector<QString>& hrefs, QHash<QString, QByteArray>& etags,
    int& downloaded, const std::function<void(int done, int total)>& progress);
