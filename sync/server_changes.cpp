#include "sync/server_changes.h"

#include "sync/dav_xml.h"
#include "sync/sync_errors.h"

namespace {

constexpr std::size_t kMultigetBatch = 100;

TDavResponse SendReport(TDavClient& client, const QByteArray& body) {
    return client.Send(XmlRequest("REPORT", body, 1));
}

}  // namespace

TDavRequest XmlRequest(const char* method, QByteArray body, int depth) {
    TDavRequest request;
    request.Method = method;
    request.Body = std::move(body);
    request.ContentType = "application/xml; charset=utf-8";
    request.Depth = depth;
    return request;
}

QString RequestText(const TDavClient& client, const char* method, const QString& path) {
    return QLatin1String(method) + QLatin1Char(' ') +
           (path.isEmpty() ? client.CollectionPath() : path);
}

TCollectionInfo ReadCollection(TDavClient& client, bool askChangeTag) {
    const TDavResponse response =
        client.Send(XmlRequest("PROPFIND", CollectionPropfindBody(askChangeTag), 0));
    if (response.Status == 404) {
        throw ESyncError(QStringLiteral("%1 has no collection %2 (404 Not Found)")
                             .arg(client.ServerName(), client.CollectionPath()));
    }
    if (response.Status != 207) {
        client.Fail(response, RequestText(client, "PROPFIND"));
    }
    const TMultiStatus status = ParseMultiStatus(response.Body);
    const TDavResource* self = nullptr;
    for (const TDavResource& resource : status.Responses) {
        if (self == nullptr || resource.Href == client.CollectionPath() ||
            resource.Href + QLatin1Char('/') == client.CollectionPath()) {
            self = &resource;
        }
    }
    if (self == nullptr || !self->IsCollection || !self->IsCalendar) {
        throw ESyncError(QStringLiteral("%1 is not a calendar collection on %2")
                             .arg(client.CollectionPath(), client.ServerName()));
    }
    if (self->Components && !self->Components->contains(QLatin1String("VTODO"))) {
        throw ESyncError(
            QStringLiteral("the calendar %1 on %2 does not take tasks (it allows only %3)")
                .arg(client.CollectionPath(), client.ServerName(),
                     self->Components->join(QStringLiteral(", "))));
    }
    TCollectionInfo collection;
    collection.CTag = self->CTag;
    collection.CanSyncCollection = self->Reports.contains(QLatin1String("sync-collection"));
    collection.Components = self->Components;
    return collection;
}

void ListChanges(TDavClient& client, const TCollectionInfo& collection, TSyncState& state,
                 TServerListing& listing) {
    listing.Token = state.SyncToken;
    if (!collection.CTag.isEmpty() && collection.CTag == state.CTag) {
        return;  // nothing changed there since the last sync
    }
    if (collection.CanSyncCollection) {
        TDavResponse response = SendReport(client, SyncCollectionBody(state.SyncToken));
        if ((response.Status == 403 || response.Status == 409) && !state.SyncToken.isEmpty()) {
            // The token expired: list everything.
            response = SendReport(client, SyncCollectionBody({}));
            state.SyncToken.clear();
        }
        if (response.Status != 207) {
            client.Fail(response, RequestText(client, "REPORT"));
        }
        TMultiStatus status = ParseMultiStatus(response.Body);
        listing.Full = state.SyncToken.isEmpty();
        for (TDavResource& resource : status.Responses) {
            if (resource.Status == 404) {
                listing.Removed.insert(resource.Href);
            } else if (resource.Href != client.CollectionPath()) {
                listing.Listed.insert(resource.Href, resource.ETag);
            }
        }
        listing.Token = status.SyncToken;
    } else {
        const TDavResponse response = SendReport(client, TodoETagsQueryBody());
        if (response.Status != 207) {
            client.Fail(response, RequestText(client, "REPORT"));
        }
        listing.Full = true;
        for (const TDavResource& resource : ParseMultiStatus(response.Body).Responses) {
            if (resource.Href != client.CollectionPath() && resource.Status != 404) {
                listing.Listed.insert(resource.Href, resource.ETag);
            }
        }
    }
}

std::map<QString, std::shared_ptr<TRemoteTodo>> FetchTodos(
    TDavClient& client, const std::vector<QString>& hrefs, QHash<QString, QByteArray>& etags,
    int& downloaded, const std::function<void(int done, int total)>& progress) {
    std::vector<TDavRequest> requests;
    for (std::size_t at = 0; at < hrefs.size(); at += kMultigetBatch) {
        const std::vector<QString> batch(
            hrefs.begin() + qsizetype(at),
            hrefs.begin() + qsizetype(std::min(hrefs.size(), at + kMultigetBatch)));
        requests.push_back(XmlRequest("REPORT", MultigetBody(batch), 1));
    }
    std::map<QString, std::shared_ptr<TRemoteTodo>> bodies;
    if (requests.empty()) {
        return bodies;
    }
    const int total = int(hrefs.size());
    progress(0, total);
    const auto responses = client.SendAll(requests, kInFlight, [&](int answered) {
        progress(std::min(total, answered * int(kMultigetBatch)), total);
    });
    for (const TDavResponse& response : responses) {
        if (response.Status != 207) {
            client.Fail(response, RequestText(client, "REPORT"));
        }
        for (const TDavResource& resource : ParseMultiStatus(response.Body).Responses) {
            if (resource.Status == 404 || resource.CalendarData.isEmpty()) {
                continue;
            }
            etags.insert(resource.Href, resource.ETag);
            ++downloaded;
            bodies[resource.Href] =
                std::make_shared<TRemoteTodo>(resource.CalendarData, resource.Href);
        }
    }
    return bodies;
}
