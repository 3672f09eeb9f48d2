#pragma once

// The WebDAV and CalDAV XML a sync exchanges (RFC 4918, 4791, 6578): the bodies of the
// requests it sends and the multistatus answers it reads. Reading is strict: an answer
// that is not well-formed XML, or not a multistatus, raises ESyncError "the server's answer
// is not valid WebDAV XML: line N: ...", so a damaged answer never passes for an empty one.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// One <response> of a multistatus, with the properties that came with status 200.
struct TDavResource {
    QString Href;     // the path, percent-decoded ("/u/tasks/a b.ics")
    int Status = 0;   // the response's own status (404 for a member removed since a
                      // sync token), 0 when it has propstats instead
    QByteArray ETag;  // as sent, quotes included
    QByteArray CalendarData;
    bool IsCollection = false;
    bool IsCalendar = false;
    // supported-calendar-component-set; unset when the server did not report it, which
    // means that every component is allowed.
    std::optional<QStringList> Components;
    QByteArray CTag;
    QByteArray SyncToken;
    QStringList Reports;  // supported-report-set, by local name ("sync-collection")
    QString DisplayName;
};

struct TMultiStatus {
    std::vector<TDavResource> Responses;
    QByteArray SyncToken;  // of a sync-collection report
};

// Raises ESyncError for anything but a well-formed DAV:multistatus.
TMultiStatus ParseMultiStatus(const QByteArray& xml);

// A path as a multistatus names it: percent-decoded, without scheme and host.
QString HrefPath(const QByteArray& href);

// Request bodies --------------------------------------------------------------------------

// PROPFIND Depth 0 on the collection: what it is, what it holds, and its change tag unless
// `withChangeTag` is false.
QByteArray CollectionPropfindBody(bool withChangeTag = true);
// PROPFIND Depth 0 for the collection's own ETag and its change tag (the ETag is costly on
// some servers: asked only when needed).
QByteArray CollectionETagPropfindBody();
// REPORT sync-collection (RFC 6578) with the ETags of the members changed since `token`;
// an empty token lists every member.
QByteArray SyncCollectionBody(const QByteArray& token);
// REPORT calendar-query: the ETag of every VTODO resource.
QByteArray TodoETagsQueryBody();
// REPORT calendar-multiget: ETag and calendar data of these paths.
QByteArray MultigetBody(const std::vector<QString>& paths);
// PROPPATCH: which components the collection allows.
QByteArray ComponentSetPatchBody(const QStringList& components);

// A decoded path percent-encoded for a request line or an href element.
QByteArray EncodedPath(const QString& path);
