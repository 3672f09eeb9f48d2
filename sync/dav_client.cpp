#include "sync/dav_client.h"

#include <QAuthenticator>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslError>
#include <deque>

#include "sync/sync_errors.h"

namespace {

constexpr int kTimeoutMs = 60000;

QString StatusLine(const TDavResponse& response) {
    return QString::number(response.Status) + QLatin1Char(' ') +
           QString::fromLatin1(response.Reason);
}

// The first line of a short plain answer, which servers use for their reason.
QString BodyHint(const TDavResponse& response) {
    const QByteArray first = response.Body.left(200).split('\n').value(0).trimmed();
    if (first.isEmpty() || first.startsWith('<')) {
        return {};
    }
    return QString::fromUtf8(first);
}

}  // namespace

TDavClient::TDavClient(const QUrl& collection, TDavCredentials credentials, bool insecure)
    : collection_(collection),
      credentials_(std::move(credentials)),
      insecure_(insecure),
      network_(std::make_unique<QNetworkAccessManager>()) {
    collectionPath_ = collection.path(QUrl::FullyDecoded);
    if (!collectionPath_.endsWith(QLatin1Char('/'))) {
        collectionPath_ += QLatin1Char('/');
    }
    collection_.setUserInfo({});
    network_->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    // Each request is asked for once: credentials that did not work the first time are
    // not offered again, so a wrong password ends as the server's 401.
    QObject::connect(
        network_.get(), &QNetworkAccessManager::authenticationRequired, network_.get(),
        [this](QNetworkReply* reply, QAuthenticator* authenticator) {
            if (reply->property("pellmarkAsked").toBool() || credentials_.User.isEmpty()) {
                return;
            }
            reply->setProperty("pellmarkAsked", true);
            authenticator->setUser(credentials_.User);
            authenticator->setPassword(credentials_.Password);
        });
    QObject::connect(network_.get(), &QNetworkAccessManager::sslErrors, network_.get(),
                     [this](QNetworkReply* reply, const QList<QSslError>& errors) {
                         if (insecure_) {
                             reply->ignoreSslErrors(errors);
                         } else {
                             QStringList texts;
                             for (const QSslError& error : errors) {
                                 texts.append(error.errorString());
                             }
                             reply->setProperty("pellmarkTls", texts.join(QStringLiteral("; ")));
                         }
                     });
}

TDavClient::~TDavClient() = default;

QString TDavClient::ServerName() const {
    const int port = collection_.port(collection_.scheme() == QLatin1String("https") ? 443 : 80);
    return collection_.host() + QLatin1Char(':') + QString::number(port);
}

QUrl TDavClient::UrlOf(const QString& path) const {
    QUrl url = collection_;
    url.setPath(path.isEmpty() ? collectionPath_ : path, QUrl::DecodedMode);
    return url;
}

TDavResponse TDavClient::Send(const TDavRequest& request) {
    return SendAll({request}, 1).front();
}

std::vector<TDavResponse> TDavClient::SendAll(const std::vector<TDavRequest>& requests,
                                              int inFlight,
                                              const std::function<void(int answered)>& done) {
    std::vector<TDavResponse> responses(requests.size());
    QEventLoop loop;
    std::size_t next = 0;
    int running = 0;
    int answered = 0;
    QString failure;

    const auto start = [&](std::size_t index) {
        const TDavRequest& r = requests[index];
        QNetworkRequest request(UrlOf(r.Path));
        request.setTransferTimeout(r.TimeoutMs > 0 ? r.TimeoutMs : kTimeoutMs);
        if (!r.ContentType.isEmpty()) {
            request.setHeader(QNetworkRequest::ContentTypeHeader, r.ContentType);
        }
        if (r.Depth >= 0) {
            request.setRawHeader("Depth", QByteArray::number(r.Depth));
        }
        if (!r.IfMatch.isEmpty()) {
            request.setRawHeader("If-Match", r.IfMatch);
        }
        if (r.IfNoneMatchAny) {
            request.setRawHeader("If-None-Match", "*");
        }
        QNetworkReply* reply = network_->sendCustomRequest(request, r.Method, r.Body);
        ++running;
        QObject::connect(reply, &QNetworkReply::finished, &loop, [&, reply, index] {
            reply->deleteLater();
            --running;
            ++answered;
            const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            if (!status.isValid()) {
                if (failure.isEmpty()) {
                    const QString tls = reply->property("pellmarkTls").toString();
                    failure =
                        QStringLiteral("cannot reach %1: %2")
                            .arg(ServerName(),
                                 tls.isEmpty()
                                     ? reply->errorString()
                                     : QStringLiteral("the server's certificate is not trusted "
                                                      "(%1); --insecure connects all the same")
                                           .arg(tls));
                }
            } else {
                TDavResponse& response = responses[index];
                response.Status = status.toInt();
                response.Reason =
                    reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray();
                response.Body = reply->readAll();
                response.ETag = reply->rawHeader("ETag");
            }
            if (done) {
                done(answered);
            }
            loop.quit();
        });
    };

    while (answered < int(requests.size())) {
        while (failure.isEmpty() && running < inFlight && next < requests.size()) {
            start(next++);
        }
        if (running == 0) {
            break;
        }
        loop.exec();
    }
    if (!failure.isEmpty()) {
        throw ESyncError(failure);
    }
    return responses;
}

void TDavClient::Fail(const TDavResponse& response, const QString& what) const {
    if (response.Status == 507) {
        throw ESyncError(QStringLiteral("the server's storage is full (507 Insufficient Storage)"));
    }
    QString message = QStringLiteral("%1 answered %2").arg(ServerName(), StatusLine(response));
    if (response.Status == 401) {
        message += QStringLiteral(": the user name or password was not accepted");
    } else if (response.Status == 403) {
        message += QStringLiteral(": access to %1 is not allowed").arg(collectionPath_);
    } else {
        message += QStringLiteral(" to ") + what;
    }
    const QString hint = BodyHint(response);
    if (!hint.isEmpty()) {
        message += QStringLiteral(" (") + hint + QLatin1Char(')');
    }
    throw ESyncError(message);
}
