// The sync end to end against real servers (Radicale and Xandikos), with a second client
// (python3-caldav) on the same collection, as another device would be.

#include <QHash>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <memory>

#include "caldav_server.h"
#include "model/todo_file.h"
#include "sync/list_file_store.h"
#include "sync/sync_engine.h"
#include "sync/sync_state.h"
#include "sync_support.h"

using namespace sync_test;

Q_DECLARE_METATYPE(sync_test::TServer)

class TestSyncServers : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TCalDavServer> server_;
    std::unique_ptr<QTemporaryDir> dir_;
    QString list_;
    QUrl url_;

    // A fresh server and collection, and a list of three items synced to it.
    void Start() {
        QFETCH_GLOBAL(TServer, server);
        server_ = std::make_unique<TCalDavServer>(server);
        QVERIFY(server_->Started());
        QVERIFY(server_->MakeCollection());
        url_ = server_->Collection();
        dir_ = std::make_unique<QTemporaryDir>();
        list_ = dir_->filePath(QStringLiteral("todo.2do"));
        ChangeList(list_, [](TTodoItemCollection& items) {
            AddItem(items, "Alpha", 45000.25);
            AddItem(items, "Beta", 45000.5)->Notes().SetText("two\r\nlines");
            AddItem(items, "Gamma", 45000.75)->SetTag(7);
        });
    }

    void SyncOk(int localAdded = -1) {
        const TCliResult result = Sync(list_, url_);
        QVERIFY2(result.ExitCode == 0, qPrintable(result.Err));
        if (localAdded >= 0) {
            QVERIFY2(result.Out.contains(QStringLiteral("here %1 added").arg(localAdded)),
                     qPrintable(result.Out));
        }
    }

    QStringList ServerSubjects() {
        QStringList subjects;
        const QJsonObject tasks = TasksByUid(url_);
        for (const QJsonValue& task : tasks) {
            subjects.append(task.toObject().value(QStringLiteral("summary")).toString());
        }
        subjects.sort();
        return subjects;
    }

    // The UIDs of the server's tasks by subject.
    QHash<QString, QString> Uids() {
        QHash<QString, QString> uids;
        const QJsonObject tasks = TasksByUid(url_);
        for (auto it = tasks.begin(); it != tasks.end(); ++it) {
            uids.insert(it->toObject().value(QStringLiteral("summary")).toString(), it.key());
        }
        return uids;
    }

    static QStringList Sorted(QStringList list) {
        list.sort();
        return list;
    }

private Q_SLOTS:
    void initTestCase_data() {
        QTest::addColumn<TServer>("server");
        QTest::newRow("radicale") << TServer::Radicale;
        QTest::newRow("xandikos") << TServer::Xandikos;
    }

    void cleanup() { server_.reset(); }

    void bothWaysWithASecondClient() {
        Start();
        QCOMPARE(SecondClient(url_, {QStringLiteral("create"), QStringLiteral("phone-1"),
                                     QStringLiteral("From the phone")}),
                 QByteArray());
        SyncOk(1);
        QCOMPARE(Sorted(Subjects(list_)),
                 (QStringList{QStringLiteral("Alpha"), QStringLiteral("Beta"),
                              QStringLiteral("From the phone"), QStringLiteral("Gamma")}));
        QCOMPARE(ServerSubjects(), Sorted(Subjects(list_)));

        // The other client edits, deletes and creates; Pellmark edits, deletes, creates and
        // reorders.
        const auto uids = Uids();
        QCOMPARE(
            SecondClient(
                url_, {QStringLiteral("edit"), uids[QStringLiteral("Alpha")],
                       QStringLiteral("summary"), QStringLiteral("Alpha on the phone"),
                       QStringLiteral("--"), QStringLiteral("delete"), uids[QStringLiteral("Beta")],
                       QStringLiteral("--"), QStringLiteral("edit"), QStringLiteral("phone-1"),
                       QStringLiteral("x-foo"), QStringLiteral("kept by Pellmark")}),
            QByteArray());
        ChangeList(list_, [](TTodoItemCollection& items) {
            Find(items, "Gamma")->SetPriority(tpHighest);
            Find(items, "From the phone")->SetResource("me");
            items.Remove(Find(items, "Alpha"));
            items.Add()->SetSubject("Delta");
            Find(items, "Delta")->SetIndex(0);
        });
        // Alpha: deleted here, changed there, so kept with the phone's change.
        SyncOk();
        const QStringList expected{QStringLiteral("Alpha on the phone"), QStringLiteral("Delta"),
                                   QStringLiteral("From the phone"), QStringLiteral("Gamma")};
        QCOMPARE(Sorted(Subjects(list_)), expected);
        QCOMPARE(ServerSubjects(), expected);
        const QJsonObject tasks = TasksByUid(url_);
        QCOMPARE(tasks.value(uids[QStringLiteral("Gamma")])
                     .toObject()
                     .value(QStringLiteral("priority"))
                     .toString(),
                 QStringLiteral("1"));
        // A property Pellmark has no field for stays as the other client wrote it.
        const QJsonObject phone = tasks.value(QStringLiteral("phone-1")).toObject();
        QCOMPARE(phone.value(QStringLiteral("x-foo")).toString(),
                 QStringLiteral("kept by Pellmark"));
        QVERIFY(!phone.value(QStringLiteral("x-pellmark-resource")).toString().isEmpty() ||
                phone.value(QStringLiteral("resources")).toString() == QStringLiteral("me"));

        // Nothing changed: the list keeps its bytes, nothing is uploaded.
        const QByteArray before = ReadWholeFile(list_);
        const TCliResult again = Sync(list_, url_);
        QCOMPARE(again.ExitCode, 0);
        QVERIFY2(again.Out.startsWith(QStringLiteral("Synchronized")), qPrintable(again.Out));
        QCOMPARE(ReadWholeFile(list_), before);
    }

    void conflictsAndDeletions() {
        Start();
        ChangeList(list_, [](TTodoItemCollection& items) {
            AddItem(items, "Delta", 45001.25);
            AddItem(items, "Epsilon", 45001.5);
        });
        SyncOk();
        // Alpha: the subject changed on both sides. Beta: deleted here, changed there.
        // Gamma: changed here, deleted there. Delta: deleted on both sides. Epsilon: other
        // fields changed on each side.
        const auto uids = Uids();
        const QString next = QStringLiteral("--");
        QCOMPARE(SecondClient(url_, {QStringLiteral("edit"),
                                     uids[QStringLiteral("Alpha")],
                                     QStringLiteral("summary"),
                                     QStringLiteral("Alpha there"),
                                     next,
                                     QStringLiteral("edit"),
                                     uids[QStringLiteral("Beta")],
                                     QStringLiteral("priority"),
                                     QStringLiteral("1"),
                                     next,
                                     QStringLiteral("delete"),
                                     uids[QStringLiteral("Gamma")],
                                     next,
                                     QStringLiteral("delete"),
                                     uids[QStringLiteral("Delta")],
                                     next,
                                     QStringLiteral("edit"),
                                     uids[QStringLiteral("Epsilon")],
                                     QStringLiteral("priority"),
                                     QStringLiteral("9")}),
                 QByteArray());
        ChangeList(list_, [](TTodoItemCollection& items) {
            Find(items, "Alpha")->SetSubject("Alpha here");
            items.Remove(Find(items, "Beta"));
            Find(items, "Gamma")->SetResource("still wanted");
            items.Remove(Find(items, "Delta"));
            Find(items, "Epsilon")->SetResource("me");
        });
        const TCliResult result = Sync(list_, url_);
        QVERIFY2(result.ExitCode == 0, qPrintable(result.Err));
        QVERIFY2(result.Out.contains(QStringLiteral("1 conflict(s)")), qPrintable(result.Out));
        const QStringList expected{QStringLiteral("Alpha here"),
                                   QStringLiteral("Alpha there (conflict)"), QStringLiteral("Beta"),
                                   QStringLiteral("Epsilon"), QStringLiteral("Gamma")};
        QCOMPARE(Sorted(Subjects(list_)), expected);
        QCOMPARE(ServerSubjects(), expected);
        // The conflict's second item follows the first.
        const QStringList order = Subjects(list_);
        QCOMPARE(order.indexOf(QStringLiteral("Alpha there (conflict)")),
                 order.indexOf(QStringLiteral("Alpha here")) + 1);
        TTodoItemCollection items;
        LoadFromFile(items, list_);
        QCOMPARE(Find(items, "Beta")->Priority(), tpHighest);
        QCOMPARE(Find(items, "Epsilon")->Priority(), tpLowest);
        QCOMPARE(Find(items, "Epsilon")->Resource(), std::string("me"));
        // Settled: a second sync finds nothing to do on either side.
        const TCliResult again = Sync(list_, url_);
        QVERIFY2(again.Out.contains(QStringLiteral("here 0 added, 0 changed, 0 deleted; on the "
                                                   "server 0 added, 0 changed, 0 deleted")),
                 qPrintable(again.Out));
    }

    void changedOnTheServerDuringThePush() {
        Start();
        SyncOk();
        ChangeList(list_,
                   [](TTodoItemCollection& items) { Find(items, "Beta")->SetResource("me"); });
        const QString beta = Uids().value(QStringLiteral("Beta"));
        // Between Pellmark's download and its PUT the other client changes the same task:
        // the PUT's If-Match fails, the task is downloaded again and both changes kept.
        TListFileStore store(list_);
        TSyncOptions options;
        options.Url = url_;
        options.Credentials = {QStringLiteral("user"), QStringLiteral("x")};
        TSyncEngine engine(store, options);
        int hooks = 0;
        engine.BeforePushForTesting = [&] {
            ++hooks;
            SecondClient(url_, {QStringLiteral("edit"), beta, QStringLiteral("summary"),
                                QStringLiteral("Beta renamed")});
        };
        const TSyncReport report = engine.Run();
        QCOMPARE(hooks, 1);
        QCOMPARE(report.Conflicts, 0);
        TTodoItemCollection items;
        LoadFromFile(items, list_);
        QVERIFY(Find(items, "Beta renamed"));
        QCOMPARE(Find(items, "Beta renamed")->Resource(), std::string("me"));
        QCOMPARE(Sorted(Subjects(list_)), ServerSubjects());
    }

    void runsInAWorkerThread() {
        // As the window runs it: the engine in a thread of its own, reporting by signals.
        Start();
        TListFileStore store(list_);
        TSyncOptions options;
        options.Url = url_;
        options.Credentials = {QStringLiteral("user"), QStringLiteral("x")};
        TSyncEngine engine(store, options);
        QThread worker;
        engine.moveToThread(&worker);
        QSignalSpy progress(&engine, &TSyncEngine::progress);
        QSignalSpy finished(&engine, &TSyncEngine::finished);
        QSignalSpy failed(&engine, &TSyncEngine::failed);
        worker.start();
        QMetaObject::invokeMethod(&engine, &TSyncEngine::Start, Qt::QueuedConnection);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count() + failed.count(), 1, 30000);
        worker.quit();
        worker.wait();
        QCOMPARE(failed.count(), 0);
        QCOMPARE(finished.first().first().value<TSyncReport>().ServerAdded, 3);
        QVERIFY(progress.count() >= 3);
        QCOMPARE(progress.first().first().toString(), QStringLiteral("Connecting"));
        QCOMPARE(Sorted(Subjects(list_)), ServerSubjects());
    }

    void dryRunChangesNothing() {
        Start();
        SyncOk();
        SecondClient(url_, {QStringLiteral("create"), QStringLiteral("phone-2"),
                            QStringLiteral("New there")});
        ChangeList(list_, [](TTodoItemCollection& items) {
            Find(items, "Alpha")->SetPriority(tpHigh);
            items.Remove(Find(items, "Gamma"));
        });
        const QByteArray list = ReadWholeFile(list_);
        const QByteArray state = ReadWholeFile(SyncStateFileName(list_));
        const QStringList server = ServerSubjects();
        const TCliResult result = Sync(list_, url_, {QStringLiteral("--dry-run")});
        QCOMPARE(result.ExitCode, 0);
        QCOMPARE(result.Out, QStringLiteral("server: change 'Alpha' (Priority)\n"
                                            "server: delete 'Gamma'\n"
                                            "local: add 'New there'\n"
                                            "Dry run, nothing changed: would be here 1 added, 0 "
                                            "changed, 0 deleted; on the server 0 added, 1 "
                                            "changed, 1 deleted; 0 conflict(s)\n"));
        QCOMPARE(ReadWholeFile(list_), list);
        QCOMPARE(ReadWholeFile(SyncStateFileName(list_)), state);
        QCOMPARE(ServerSubjects(), server);
    }
};

QTEST_GUILESS_MAIN(TestSyncServers)
#include "tst_sync_servers.moc"
