// The sync when things go wrong: servers that cannot be reached, refuse or answer
// nonsense, a full server, a server stopped in the middle, a sync killed at random points,
// and a list open in the window. Every failure says why and leaves the list as it was;
// the next sync completes with no duplicate and no lost item.

#include <signal.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

#include "../cli/cli_support.h"
#include "../reliability/tmpfs.h"
#include "caldav_server.h"
#include "sync/dav_xml.h"
#include "sync/list_file_store.h"
#include "sync/sync_engine.h"
#include "sync/sync_state.h"
#include "sync_support.h"

using namespace sync_test;

namespace {

// A stand-in for a broken server: answers each request with what `answer` makes of its
// body.
class TScriptedServer : public QTcpServer {
public:
    explicit TScriptedServer(std::function<QByteArray(const QByteArray& body)> answer)
        : answer_(std::move(answer)) {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* socket = nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                buffer_ += socket->readAll();
                const qsizetype end = buffer_.indexOf("\r\n\r\n");
                if (end < 0) {
                    return;
                }
                const QByteArray head = buffer_.left(end).toLower();
                const qsizetype at = head.indexOf("content-length:");
                const int length =
                    at < 0 ? 0
                           : head.mid(at + 15, head.indexOf('\r', at) - at - 15).trimmed().toInt();
                if (buffer_.size() < end + 4 + length) {
                    return;
                }
                const QByteArray body = answer_(buffer_.mid(end + 4, length));
                buffer_.clear();
                socket->write(
                    "HTTP/1.1 207 Multi-Status\r\nContent-Type: application/xml\r\n"
                    "Content-Length: " +
                    QByteArray::number(body.size()) + "\r\n\r\n" + body);
            });
        });
    }
    QUrl Url() const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/u/tasks/").arg(serverPort()));
    }

private:
    std::function<QByteArray(const QByteArray&)> answer_;
    QByteArray buffer_;
};

const QByteArray kCollection =
    "<multistatus xmlns='DAV:' xmlns:C='urn:ietf:params:xml:ns:caldav'><response>"
    "<href>/u/tasks/</href><propstat><prop><resourcetype><collection/><C:calendar/>"
    "</resourcetype></prop><status>HTTP/1.1 200 OK</status></propstat></response></multistatus>";

QByteArray CalendarWithBadTask(const QByteArray& request) {
    if (request.contains("propfind")) {
        return kCollection;
    }
    if (request.contains("calendar-multiget")) {
        return "<multistatus xmlns='DAV:' xmlns:C='urn:ietf:params:xml:ns:caldav'><response>"
               "<href>/u/tasks/bad.ics</href><propstat><prop><getetag>\"1\"</getetag>"
               "<C:calendar-data>BEGIN:VCALENDAR\r\nBEGIN:VTODO\r\nno colon here\r\nEND:VTODO\r\n"
               "END:VCALENDAR\r\n</C:calendar-data></prop><status>HTTP/1.1 200 OK</status>"
               "</propstat></response></multistatus>";
    }
    return "<multistatus xmlns='DAV:'><response><href>/u/tasks/bad.ics</href><propstat><prop>"
           "<getetag>\"1\"</getetag></prop><status>HTTP/1.1 200 OK</status></propstat>"
           "</response></multistatus>";
}

int CountTasks(const QUrl& collection) {
    TDavClient client(collection, {QStringLiteral("user"), QStringLiteral("x")}, false);
    TDavRequest request;
    request.Method = "REPORT";
    request.Depth = 1;
    request.ContentType = "application/xml";
    request.Body = TodoETagsQueryBody();
    const TDavResponse response = client.Send(request);
    return response.Status == 207 ? int(ParseMultiStatus(response.Body).Responses.size()) : -1;
}

}  // namespace

class TestSyncFaults : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;

    QString MakeList(int items = 3) {
        const QString list = dir_.filePath(QStringLiteral("todo%1.2do").arg(++lists_));
        ChangeList(list, [items](TTodoItemCollection& all) {
            for (int i = 0; i < items; ++i) {
                AddItem(all, ("Item " + std::to_string(i)).c_str(), 45000.0 + i / 1000.0);
            }
        });
        return list;
    }
    int lists_ = 0;

private Q_SLOTS:
    void refusals_data() {
        QTest::addColumn<QString>("what");
        // %1 is the server, host:port; a message ending in "..." is the start of the message.
        QTest::addColumn<QString>("message");
        QTest::newRow("unreachable") << "unreachable"
                                     << "cannot reach %1: Connection refused";
        QTest::newRow("wrong password")
            << "401"
            << "%1 answered 401 Unauthorized: the user name or password was not accepted (...";
        QTest::newRow("no such collection")
            << "missing"
            << "%1 has no collection /user/nothing/ (404 Not Found)";
        QTest::newRow("not a calendar") << "principal"
                                        << "/user/ is not a calendar collection on %1";
        QTest::newRow("no tasks allowed")
            << "events"
            << "the calendar /user/events/ on %1 does not take tasks (it allows only VEVENT)";
        QTest::newRow("malformed XML")
            << "xml"
            << "the server's answer is not valid WebDAV XML: line 1: Premature end of document.";
        QTest::newRow("malformed iCalendar")
            << "ical"
            << "the server's iCalendar for /u/tasks/bad.ics is not valid: line 3: ...";
    }
    void refusals() {
        QFETCH(QString, what);
        QFETCH(QString, message);
        std::unique_ptr<TCalDavServer> server;
        std::unique_ptr<TScriptedServer> scripted;
        QUrl url;
        QByteArray password = "x";
        if (what == QLatin1String("xml")) {
            scripted = std::make_unique<TScriptedServer>([](const QByteArray&) {
                return QByteArray("<multistatus xmlns='DAV:'><response>");
            });
            url = scripted->Url();
        } else if (what == QLatin1String("ical")) {
            scripted = std::make_unique<TScriptedServer>(CalendarWithBadTask);
            url = scripted->Url();
        } else if (what == QLatin1String("unreachable")) {
            url = QUrl(QStringLiteral("http://127.0.0.1:%1/user/tasks/").arg(FreePort()));
        } else {
            server = std::make_unique<TCalDavServer>(
                TServer::Radicale, QString(),
                what == QLatin1String("401") ? QStringLiteral("right") : QString());
            QVERIFY(server->Started());
            if (what == QLatin1String("401")) {
                QVERIFY(server->MakeCollection(QStringLiteral("tasks"), QStringLiteral("VTODO"),
                                               QStringLiteral("right")));
                password = "wrong";
                url = server->Collection();
            } else if (what == QLatin1String("events")) {
                QVERIFY(server->MakeCollection(QStringLiteral("events"), QStringLiteral("VEVENT")));
                url = server->Collection(QStringLiteral("events"));
            } else {
                QVERIFY(server->MakeCollection());
                url = QUrl(server->Collection().toString().replace(QStringLiteral("/tasks/"),
                                                                   what == QLatin1String("missing")
                                                                       ? QStringLiteral("/nothing/")
                                                                       : QStringLiteral("/")));
            }
        }
        const QString list = MakeList();
        const QByteArray before = ReadWholeFile(list);
        const TCliResult result = Sync(list, url, {}, password);
        QCOMPARE(result.ExitCode, 1);
        QString expected = message.contains(QLatin1String("%1"))
                               ? message.arg(QStringLiteral("127.0.0.1:%1").arg(url.port()))
                               : message;
        if (expected.endsWith(QLatin1String("..."))) {
            expected.chop(3);
            QVERIFY2(result.Err.startsWith(expected), qPrintable(result.Err));
        } else {
            QCOMPARE(result.Err, expected + QLatin1Char('\n'));
        }
        QCOMPARE(ReadWholeFile(list), before);
        QVERIFY(!QFile::exists(SyncStateFileName(list)));
    }

    void listOpenInTheWindow() {
        const QString list = MakeList();
        cli_test::Holder holder(list);
        QCOMPARE(holder.Answer(), QByteArray("locked"));
        const TCliResult result =
            Sync(list, QUrl(QStringLiteral("http://127.0.0.1:%1/u/t/").arg(FreePort())));
        QCOMPARE(result.ExitCode, 1);
        QCOMPARE(result.Err,
                 list + QStringLiteral(" is open in Pellmark (process %1)\n").arg(holder.Pid()));
    }

    void serverStorageFull() {
        TTmpfs tmpfs;
        const QString folder = dir_.filePath(QStringLiteral("small"));
        if (!tmpfs.Mount(folder, "size=1200k")) {
            QSKIP("a small tmpfs cannot be mounted here (needs root)");
        }
        TCalDavServer server(TServer::Xandikos, folder);
        QVERIFY(server.Started());
        QVERIFY(server.MakeCollection());
        // More notes than the server has room for.
        const QString list = dir_.filePath(QStringLiteral("big.2do"));
        ChangeList(list, [](TTodoItemCollection& items) {
            for (int i = 0; i < 30; ++i) {
                TTodoItem* item = AddItem(items, ("Big " + std::to_string(i)).c_str(), 45000.0 + i);
                std::string notes;
                for (int n = 0; n < 6000; ++n) {
                    notes += std::to_string(QRandomGenerator::global()->generate());
                }
                item->Notes().SetText(notes.substr(0, 60000));
            }
        });
        const QByteArray before = ReadWholeFile(list);
        const TCliResult result = Sync(list, server.Collection());
        QCOMPARE(result.ExitCode, 1);
        QCOMPARE(result.Err,
                 QStringLiteral("the server's storage is full (507 Insufficient Storage)\n"));
        QCOMPARE(ReadWholeFile(list), before);
    }

    void serverStoppedInTheMiddle() {
        QTemporaryDir storage;
        auto server = std::make_unique<TCalDavServer>(TServer::Radicale, storage.path());
        QVERIFY(server->Started());
        QVERIFY(server->MakeCollection());
        const quint16 port = server->Port();
        const QUrl url = server->Collection();
        const QString list = MakeList(30);
        QCOMPARE(Sync(list, url).ExitCode, 0);
        ChangeList(list, [](TTodoItemCollection& items) {
            items.GetItem(0)->SetSubject("Changed");
            items.Delete(1);
            AddItem(items, "Added", 46000.5);
        });
        const QByteArray before = ReadWholeFile(list);
        {
            TListFileStore store(list);
            TSyncOptions options;
            options.Url = url;
            options.Credentials = {QStringLiteral("user"), QStringLiteral("x")};
            TSyncEngine engine(store, options);
            engine.BeforePushForTesting = [&] { server->Stop(); };
            QString error;
            try {
                engine.Run();
            } catch (const EPellmarkError& e) {
                error = e.Message();
            }
            QCOMPARE(error,
                     QStringLiteral("cannot reach 127.0.0.1:%1: Connection refused").arg(port));
        }
        QCOMPARE(ReadWholeFile(list), before);
        server =
            std::make_unique<TCalDavServer>(TServer::Radicale, storage.path(), QString(), port);
        QVERIFY(server->Started());
        QCOMPARE(Sync(list, url).ExitCode, 0);
        QCOMPARE(Subjects(list).size(), 30);
        QCOMPARE(CountTasks(url), 30);
        QVERIFY(Subjects(list).contains(QStringLiteral("Changed")));
        QVERIFY(
            Sync(list, url, {QStringLiteral("--dry-run")})
                .Out.startsWith(QStringLiteral("Dry run, nothing changed: would be here 0 added, 0 "
                                               "changed, 0 deleted; on the server 0 added, 0 "
                                               "changed, 0 deleted")));
    }

    void killedAtRandomPoints() {
        TCalDavServer server(TServer::Radicale);
        QVERIFY(server.Started());
        QVERIFY(server.MakeCollection());
        const QUrl url = server.Collection();
        const QString list = MakeList(300);
        QCOMPARE(Sync(list, url).ExitCode, 0);
        TDavClient other(url, {QStringLiteral("user"), QStringLiteral("x")}, false);
        const auto startSync = [&](QProcess& sync) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("PELLMARK_PASSWORD"), QStringLiteral("x"));
            sync.setProcessEnvironment(environment);
            sync.start(QStringLiteral(PELLMARK_CLI_PATH),
                       {QStringLiteral("sync"), list, QStringLiteral("--url"), url.toString(),
                        QStringLiteral("--user"), QStringLiteral("user")});
            return sync.waitForStarted();
        };
        // How long a whole sync process takes on this machine: the kills fall within it.
        QElapsedTimer clock;
        clock.start();
        {
            QProcess sync;
            QVERIFY(startSync(sync));
            QVERIFY(sync.waitForFinished());
        }
        const int syncMilliseconds = int(std::max<qint64>(clock.elapsed(), 20));
        QRandomGenerator random(15);
        QStringList expected = Subjects(list);
        int cut = 0;
        for (int run = 0; run < 20; ++run) {
            // Changes on both sides, then a sync that is killed somewhere.
            const std::string tag = std::to_string(run);
            ChangeList(list, [&](TTodoItemCollection& items) {
                for (int n = 0; n < 3; ++n) {
                    TTodoItem* item = items.GetItem(int(random.bounded(items.Count())));
                    expected.removeOne(QString::fromStdString(item->Subject()));
                    item->SetSubject(item->Subject() + " e" + tag);
                    expected.append(QString::fromStdString(item->Subject()));
                }
                const int gone = int(random.bounded(items.Count()));
                expected.removeOne(QString::fromStdString(items.GetItem(gone)->Subject()));
                items.Delete(gone);
                AddItem(items, ("New " + tag).c_str(), 46000.0 + run);
                expected.append(QStringLiteral("New %1").arg(run));
            });
            TDavRequest put;
            put.Method = "PUT";
            put.Path = url.path() + QStringLiteral("remote-%1.ics").arg(run);
            put.ContentType = "text/calendar";
            put.Body =
                "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//t//t//EN\r\nBEGIN:VTODO\r\n"
                "UID:remote-" +
                QByteArray::number(run) + "\r\nDTSTAMP:20240501T090000Z\r\nSUMMARY:Remote " +
                QByteArray::number(run) + "\r\nEND:VTODO\r\nEND:VCALENDAR\r\n";
            QCOMPARE(other.Send(put).Status, 201);
            expected.append(QStringLiteral("Remote %1").arg(run));

            QProcess sync;
            QVERIFY(startSync(sync));
            // The point of the kill is the point of this test: anywhere in the sync.
            QTest::qWait(int(random.bounded(syncMilliseconds)));
            if (sync.state() == QProcess::Running) {
                ::kill(pid_t(sync.processId()), SIGKILL);
                ++cut;
            }
            sync.waitForFinished();

            const TCliResult done = Sync(list, url);
            QVERIFY2(done.ExitCode == 0, qPrintable(done.Err));
            QStringList subjects = Subjects(list);
            subjects.sort();
            expected.sort();
            QCOMPARE(subjects, expected);
            QCOMPARE(CountTasks(url), int(expected.size()));
        }
        QVERIFY2(cut >= 5, "most syncs are to be cut off");
        // The server holds exactly the list, every task once.
        QStringList onServer;
        for (const QJsonValue& task : TasksByUid(url)) {
            onServer.append(task.toObject().value(QStringLiteral("summary")).toString());
        }
        onServer.sort();
        QCOMPARE(onServer, expected);
    }
};

QTEST_GUILESS_MAIN(TestSyncFaults)
#include "tst_sync_faults.moc"
