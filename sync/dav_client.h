#pragma once

// HTTP for the sync, on Qt Network: one collection's server, Basic or Digest
// authentication through QAuthenticator, several requests in flight, certificate errors
// refused unless the user allows them. Calls block while they run a local event loop, so
// the engine reads as the sequence of steps it is and still runs in a worker thread of
// its own.
//
// A request that gets no HTTP answer at all (connection refused, host unknown, the server
// stopped, a timeout, a certificate refused) raises ESyncError "cannot reach SERVER:
// reason"; every answer, whatever its status, is returned, and Fail turns one that was
// not expected into the message the user sees.

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>
#include <vector>

#include "sync/collection_url.h"

class QNetworkAccessManager;

struct TDavRequest {
    QByteArray Method;
    QString Path;  // decoded; the collection's own path when empty
    QByteArray Body;
    QByteArray ContentType;
    int Depth = -1;  // no Depth header when negative
    QByteArray IfMatch;
    bool IfNoneMatchAny = false;
    // How long the request may go without any data, in milliseconds; 0 for the client's
    // default (a minute). A server may think long over a large upload before it answers.
    int TimeoutMs = 0;
};

struct TDavResponse {
    int Status = 0;
    QByteArray Reason;
    QByteArray Body;
    QByteArray ETag;
};

struct TDavCredentials {
    QString User;
    QString Password;
};

class TDavClient {
public:
    TDavClient(const QUrl& collection, TDavCredentials credentials, bool insecure);
    ~TDavClient();
    TDavClient(const TDavClient&) = delete;
    TDavClient& operator=(const TDavClient&) = delete;

    // "host:port", as messages name the server.
    QString ServerName() const;
    // The collection's path, ending in a slash.
    const QString& CollectionPath() const { return collectionPath_; }

    TDavResponse Send(const TDavRequest& request);
    // Sends all, at most `inFlight` at a time, and returns the answers in the requests'
    // order; `done` is told after each answer. The first request without an answer raises
    // after the others in flight have ended.
    std::vector<TDavResponse> SendAll(const std::vector<TDavRequest>& requests, int inFlight,
                                      const std::function<void(int answered)>& done = {});

    // The message for an answer that the step `what` did not expect ("PROPFIND /u/tasks/").
    [[noreturn]] void Fail(const TDavResponse& response, const QString& what) const;

private:
    QUrl UrlOf(const QString& path) const;

    QUrl collection_;
    QString collectionPath_;
    TDavCredentials credentials_;
    bool insecure_;
    std::unique_ptr<QNetworkAccessManager> network_;
};
