// The window synchronizing its list with a real Radicale (started by the test on
// 127.0.0.1), a second client (python3-caldav) changing the collection beside it: the
// synchronization dialog, File -> "S&ynchronize" both ways, an edit made while the sync
// runs, and failing syncs that change nothing here.

#include <QAction>
#include <QCheckBox>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

#include "app/edit_history.h"
#include "app/sync_controller.h"
#include "app/sync_dialog.h"
#include "sync/sync_state.h"
#include "tests/sync/caldav_server.h"
#include "window_fixture.h"

using sync_test::TasksByUid;
using sync_test::TCalDavServer;
using sync_test::TServer;

namespace {

QStringList Summaries(const QUrl& collection) {
    QStringList summaries;
    for (const QJsonValue& task : TasksByUid(collection)) {
        summaries << task.toObject().value(QStringLiteral("summary")).toString();
    }
    summaries.sort();
    return summaries;
}

QByteArray BytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

}  // namespace

class TestWindowSync : public QObject {
    Q_OBJECT

    WindowFixture f;
    std::unique_ptr<TCalDavServer> server;

    void Trigger(const char* name) {
        auto* action = f.Main().findChild<QAction*>(QString::fromLatin1(name));
        QVERIFY2(action, name);
        action->trigger();
    }
    void UseServer(const QUrl& collection) {
        f.Store("syncurl", collection.toString());
        f.Store("syncuser", QStringLiteral("user"));
    }
    // File -> "S&ynchronize", waiting for its end; true when it succeeded.
    bool SyncByMenu() {
        TSyncController& sync = f.Main().SyncController();
        QSignalSpy finished(&sync, &TSyncController::finished);
        QSignalSpy failed(&sync, &TSyncController::failed);
        Trigger("mnuFileSync1");
        if (!QTest::qWaitFor([&] { return !sync.Running(); }, 60000)) {
            return false;
        }
        return finished.size() == 1 && failed.isEmpty();
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(WindowFixture::OwnConfigFolder(), "run through ctest");
        // No keyring: a typed password must not end up anywhere else.
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("PELLMARK_PASSWORD", "x");
        server = std::make_unique<TCalDavServer>(TServer::Radicale);
        QVERIFY(server->Started());
    }
    void cleanupTestCase() { server.reset(); }
    void init() {
        f.Reset();
        QVERIFY(f.Start());
    }
    void cleanup() { f.Destroy(); }

    void menuSyncsBothWays() {
        QVERIFY(server->MakeCollection(QStringLiteral("both")));
        const QUrl url = server->Collection(QStringLiteral("both"));
        QCOMPARE(sync_test::SecondClient(url, {QStringLiteral("create"), QStringLiteral("p1"),
                                               QStringLiteral("From phone")}),
                 QByteArray());
        const QString path = f.OpenList(QStringLiteral("work.2do"),
                                        {QStringLiteral("Write report"), QStringLiteral("Call")});

        // The server, through the dialog: a password without a keyring is refused and
        // stored nowhere; without it the choices are stored.
        Trigger("mnuFileSyncServer1");
        TfrmSync* dialog = f.Main().SyncDialog();
        QVERIFY(dialog && dialog->isVisible());
        dialog->findChild<QLineEdit*>(QStringLiteral("txtSyncUrl"))->setText(url.toString());
        dialog->findChild<QLineEdit*>(QStringLiteral("txtSyncUser"))
            ->setText(QStringLiteral("user"));
        auto* password = dialog->findChild<QLineEdit*>(QStringLiteral("txtSyncPassword"));
        password->setText(QStringLiteral("secret-word"));
        auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("btnSyncOk"));
        ok->click();
        QCOMPARE(f.fake->Messages.Texts(mkError).size(), 1);
        QVERIFY(f.fake->Messages.Texts(mkError)[0].startsWith(
            QStringLiteral("The password cannot be kept")));
        QVERIFY(dialog->isVisible());
        QCOMPARE(WindowFixture::Setting("syncurl"), QStringLiteral("n/a"));
        QVERIFY(!BytesOf(SettingsFileName()).contains("secret-word"));
        password->clear();
        ok->click();
        QVERIFY(!dialog->isVisible());
        QCOMPARE(WindowFixture::Setting("syncurl"), url.toString());
        QCOMPARE(WindowFixture::Setting("syncuser"), QStringLiteral("user"));
        f.fake->Messages.Calls.clear();

        // Both ways, the selection staying with its item.
        f.List().ListBox()->SetItemIndex(1);
        QVERIFY(SyncByMenu());
        const QStringList all{QStringLiteral("Write report"), QStringLiteral("Call"),
                              QStringLiteral("From phone")};
        QCOMPARE(f.ListSubjects(), all);
        QCOMPARE(WindowFixture::Subjects(path), all);
        QCOMPARE(f.List().SelectedItem()->Subject(), std::string("Call"));
        QVERIFY(QFileInfo::exists(SyncStateFileName(path)));
        // One change that Undo takes back, and saved.
        QCOMPARE(f.Main().History().UndoText(), QStringLiteral("Synchronize"));
        QVERIFY(!f.Main().HasUnsavedChanges());
        QVERIFY(f.Main().Message().startsWith(QStringLiteral(
            "work.2do synchronized: here 1 added, 0 changed, 0 deleted; on the server 2 added")));
        QCOMPARE(Summaries(url), (QStringList{QStringLiteral("Call"), QStringLiteral("From phone"),
                                              QStringLiteral("Write report")}));

        // A local edit reaches the server.
        f.List().Items().At(0)->SetSubject("Write the report");
        QVERIFY(SyncByMenu());
        QCOMPARE(Summaries(url), (QStringList{QStringLiteral("Call"), QStringLiteral("From phone"),
                                              QStringLiteral("Write the report")}));

        // An autosave synchronizes too when the settings ask for it.
        f.Store("syncautosave", QStringLiteral("y"));
        f.List().Items().At(1)->SetSubject("Call back");
        QTimer* autosave = f.Main().AutoSaveTimer();
        connect(autosave, &QTimer::timeout, autosave, &QTimer::stop);
        autosave->start(1);
        QTRY_VERIFY(!autosave->isActive());
        QTRY_VERIFY_WITH_TIMEOUT(!f.Main().SyncController().Running(), 60000);
        QCOMPARE(Summaries(url),
                 (QStringList{QStringLiteral("Call back"), QStringLiteral("From phone"),
                              QStringLiteral("Write the report")}));
        QVERIFY(f.fake->Messages.Calls.empty());
    }

    void editWhileSyncingIsKept() {
        QVERIFY(server->MakeCollection(QStringLiteral("meanwhile")));
        const QUrl url = server->Collection(QStringLiteral("meanwhile"));
        QCOMPARE(sync_test::SecondClient(url, {QStringLiteral("create"), QStringLiteral("p2"),
                                               QStringLiteral("From phone")}),
                 QByteArray());
        const QString path = f.OpenList(QStringLiteral("meanwhile.2do"), {QStringLiteral("Mine")});
        f.List().Items().At(0)->SetCreationDate(45000.25);  // as a created item has one
        UseServer(url);
        // The user renames the item while the sync is between its downloads and its pushes.
        TSyncController& sync = f.Main().SyncController();
        sync.BeforePushForTesting = [this] {
            QMetaObject::invokeMethod(
                &f.Main(), [this] { f.List().Items().At(0)->SetSubject("Mine, renamed"); },
                Qt::BlockingQueuedConnection);
        };
        QVERIFY(SyncByMenu());
        QCOMPARE(sync.Runs(), 2);
        const QStringList all{QStringLiteral("Mine, renamed"), QStringLiteral("From phone")};
        QCOMPARE(f.ListSubjects(), all);
        QCOMPARE(WindowFixture::Subjects(path), all);
        // The first run's upload is the same task: no duplicate.
        QCOMPARE(Summaries(url),
                 (QStringList{QStringLiteral("From phone"), QStringLiteral("Mine, renamed")}));
    }

    void failingSyncChangesNothing_data() {
        QTest::addColumn<bool>("stopped");
        QTest::newRow("server stopped") << true;
        QTest::newRow("wrong URL") << false;
    }
    void failingSyncChangesNothing() {
        QFETCH(bool, stopped);
        TCalDavServer own(TServer::Radicale);
        QVERIFY(own.Started());
        QVERIFY(own.MakeCollection());
        const QString path = f.OpenList(QStringLiteral("fail.2do"), {QStringLiteral("Kept")});
        UseServer(own.Collection());
        QVERIFY(SyncByMenu());
        if (stopped) {
            own.Stop();
        } else {
            UseServer(own.Collection(QStringLiteral("missing")));
        }
        f.List().Items().At(0)->SetSubject("Kept, edited");
        const QByteArray list = BytesOf(path);
        const QByteArray state = BytesOf(SyncStateFileName(path));
        f.fake->Messages.Calls.clear();

        QVERIFY(!SyncByMenu());
        const QStringList errors = f.fake->Messages.Texts(mkError);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].startsWith(QStringLiteral("Cannot synchronize: ")),
                 qPrintable(errors[0]));
        QCOMPARE(f.Main().Message(), QStringLiteral("Synchronizing failed"));
        QCOMPARE(f.ListSubjects(), QStringList{QStringLiteral("Kept, edited")});
        QCOMPARE(BytesOf(path), list);
        QCOMPARE(BytesOf(SyncStateFileName(path)), state);
    }
};

QTEST_MAIN(TestWindowSync)
#include "tst_window_sync.moc"
