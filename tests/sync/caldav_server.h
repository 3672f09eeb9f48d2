#pragma once

// Real CalDAV servers for the sync tests: Radicale or Xandikos from Debian, started on
// 127.0.0.1 with a free port and a storage folder of their own, waited for until they
// answer, and stopped by their process id. A test makes its collections with
// MakeCollection (MKCALENDAR) and drives a second client on them with SecondClient.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "sync/dav_client.h"

namespace sync_test {

enum class TServer { Radicale, Xandikos };

inline const char* ServerName(TServer server) {
    return server == TServer::Radicale ? "radicale" : "xandikos";
}

inline quint16 FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

class TCalDavServer {
public:
    // `storage` is the folder to keep the data in (a fresh temporary one when empty);
    // `password` makes Radicale ask for user "user" with that password.
    // `port` 0 takes a free one.
    explicit TCalDavServer(TServer kind, const QString& storage = {}, const QString& password = {},
                           quint16 port = 0)
        : kind_(kind) {
        // Tmpfs when there is one: a server's fsync of every task costs more than the sync.
        if (storage.isEmpty()) {
            dir_ = std::make_unique<QTemporaryDir>(
                QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                    ? QStringLiteral("/dev/shm/pellmark-XXXXXX")
                    : QDir::tempPath() + QStringLiteral("/pellmark-XXXXXX"));
            storage_ = dir_->path();
        } else {
            storage_ = storage;
        }
        port_ = port ? port : FreePort();
        QStringList args;
        QString program;
        if (kind == TServer::Radicale) {
            program = QStringLiteral("/usr/bin/python3");
            args = {QStringLiteral("-m"),
                    QStringLiteral("radicale"),
                    QStringLiteral("--server-hosts"),
                    QStringLiteral("127.0.0.1:%1").arg(port_),
                    QStringLiteral("--storage-filesystem-folder"),
                    storage_ + QStringLiteral("/data"),
                    QStringLiteral("--logging-level"),
                    QStringLiteral("error")};
            if (password.isEmpty()) {
                args << QStringLiteral("--auth-type") << QStringLiteral("none");
            } else {
                const QString users = storage_ + QStringLiteral("/users");
                QFile file(users);
                file.open(QIODevice::WriteOnly);
                file.write("user:" + password.toUtf8() + "\n");
                file.close();
                args << QStringLiteral("--auth-type") << QStringLiteral("htpasswd")
                     << QStringLiteral("--auth-htpasswd-filename") << users
                     << QStringLiteral("--auth-htpasswd-encryption") << QStringLiteral("plain");
            }
        } else {
            program = QStringLiteral("/usr/bin/xandikos");
            args = {QStringLiteral("--defaults"),
                    QStringLiteral("-d"),
                    storage_ + QStringLiteral("/data"),
                    QStringLiteral("-l"),
                    QStringLiteral("127.0.0.1"),
                    QStringLiteral("-p"),
                    QString::number(port_)};
        }
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(program, args);
        started_ = process_.waitForStarted(10000) &&
                   QTest::qWaitFor(
                       [&] {
                           QTcpSocket socket;
                           socket.connectToHost(QHostAddress::LocalHost, port_);
                           return socket.waitForConnected(200);
                       },
                       20000);
    }
    ~TCalDavServer() { Stop(); }
    TCalDavServer(const TCalDavServer&) = delete;
    TCalDavServer& operator=(const TCalDavServer&) = delete;

    bool Started() const { return started_; }
    qint64 Pid() const { return process_.processId(); }
    quint16 Port() const { return port_; }
    const QString& Storage() const { return storage_; }

    // The URL of a collection by that name, made or not.
    QUrl Collection(const QString& name = QStringLiteral("tasks")) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/%2%3/")
                        .arg(port_)
                        .arg(kind_ == TServer::Radicale ? QStringLiteral("user/")
                                                        : QStringLiteral("user/calendars/"),
                             name));
    }

    // MKCALENDAR for these components (Xandikos takes every kind whatever is asked).
    bool MakeCollection(const QString& name = QStringLiteral("tasks"),
                        const QString& components = QStringLiteral("VTODO"),
                        const QString& password = QStringLiteral("x")) const {
        TDavClient client(Collection(name), {QStringLiteral("user"), password}, false);
        QByteArray body =
            "<?xml version=\"1.0\"?><C:mkcalendar xmlns:D=\"DAV:\" "
            "xmlns:C=\"urn:ietf:params:xml:ns:caldav\">";
        body += "<D:set><D:prop><C:supported-calendar-component-set>";
        for (const QString& component : components.split(QLatin1Char(','))) {
            body += "<C:comp name=\"" + component.toLatin1() + "\"/>";
        }
        body += "</C:supported-calendar-component-set></D:prop></D:set></C:mkcalendar>";
        TDavRequest request;
        request.Method = "MKCALENDAR";
        request.Body = body;
        request.ContentType = "application/xml";
        return client.Send(request).Status == 201;
    }

    void Stop() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(10000)) {
                process_.kill();
                process_.waitForFinished(10000);
            }
        }
    }

private:
    TServer kind_;
    std::unique_ptr<QTemporaryDir> dir_;
    QString storage_;
    quint16 port_ = 0;
    QProcess process_;
    bool started_ = false;
};

#ifdef PELLMARK_SECOND_CLIENT
// Runs tests/sync/second_client.py: "list" gives its JSON, the others whether they worked.
inline QByteArray SecondClient(const QUrl& collection, const QStringList& args) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(
        QStringLiteral("/usr/bin/python3"),
        QStringList{QStringLiteral(PELLMARK_SECOND_CLIENT), collection.toString()} + args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        return "failed";
    }
    return process.readAllStandardOutput();
}

// The second client's tasks by UID.
inline QJsonObject TasksByUid(const QUrl& collection) {
    QJsonObject tasks;
    const QJsonArray list =
        QJsonDocument::fromJson(SecondClient(collection, {QStringLiteral("list")})).array();
    for (const QJsonValue& task : list) {
        tasks.insert(task.toObject().value(QStringLiteral("uid")).toString(), task);
    }
    return tasks;
}
#endif

}  // namespace sync_test
