// Open, Save and Save As with their dialogs and texts, the current file with its hint and
// lock, and the autosave timer.

#include <QAction>

#include "model/list_lock.h"
#include "window_fixture.h"

class TestFileCommands : public QObject {
    Q_OBJECT

    WindowFixture f;

    void Trigger(const char* name) {
        auto* action = f.Main().findChild<QAction*>(QString::fromLatin1(name));
        QVERIFY2(action, name);
        action->trigger();
    }
    // Everything the commands may change, to see that a failure changes none of it.
    QStringList State() {
        return {f.Main().CurrentFile(), f.Main().Hint(), f.Main().Message(),
                f.Main().windowTitle()};
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(WindowFixture::OwnConfigFolder(), "run through ctest"); }
    void init() {
        f.Reset();
        QVERIFY(f.Start());
    }
    void cleanup() { f.Destroy(); }

    void dialogs() {
        Trigger("mnuFileOpen1");
        Trigger("mnuFileSaveAs1");
        QCOMPARE(f.fake->Dialogs.OpenCalls.size(), 1u);
        QCOMPARE(f.fake->Dialogs.SaveCalls.size(), 1u);
        const TFileDialogOptions& open = f.fake->Dialogs.OpenCalls[0];
        QCOMPARE(open.Title, QStringLiteral("Open Todolist"));
        QCOMPARE(open.DefaultExt, QStringLiteral(".2do"));
        QCOMPARE(open.Filter, QStringLiteral("Todolist files|*.2do|All files|*.*"));
        QCOMPARE(open.FilterIndex, 1);
        const TFileDialogOptions& save = f.fake->Dialogs.SaveCalls[0];
        QCOMPARE(save.Title, QStringLiteral("Save Todolist"));
        QCOMPARE(save.DefaultExt, QStringLiteral(".2do"));
        QCOMPARE(save.Filter, QStringLiteral("Todolist Files|*.2do|All Files|*.*"));
        QCOMPARE(save.FilterIndex, 1);
    }

    void openCancelledChangesNothing() {
        const QStringList before = State();
        Trigger("mnuFileOpen1");
        QCOMPARE(State(), before);
        QCOMPARE(f.ListSubjects(),
                 (QStringList{QStringLiteral("Using Pellmark"), QStringLiteral("Manual")}));
    }

    void open() {
        const QString path =
            f.WriteList(QStringLiteral("work.2do"),
                        {QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")});
        f.fake->Dialogs.OpenAnswers = {path};
        Trigger("mnuFileOpen1");
        QCOMPARE(f.ListSubjects(), (QStringList{QStringLiteral("One"), QStringLiteral("Two"),
                                                QStringLiteral("Three")}));
        QCOMPARE(f.Main().Message(), QStringLiteral("work.2do loaded..."));
        QCOMPARE(f.Main().windowTitle(), QStringLiteral("Pellmark - work.2do"));
        QCOMPARE(f.Main().CurrentFile(), path);
        QCOMPARE(f.Main().Hint(), path);
        QVERIFY(QFileInfo::exists(ListLockFileName(path)));
        QVERIFY(f.fake->Messages.Calls.empty());
    }

    void failedOpenKeepsEverything_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("exists");
        QTest::newRow("missing file") << QByteArray() << false;
        QTest::newRow("damaged file") << QByteArray("\x03\x00\x00\x00\x01\x40", 6) << true;
    }
    void failedOpenKeepsEverything() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, exists);
        const QString first = f.WriteList(QStringLiteral("first.2do"), {QStringLiteral("First")});
        f.fake->Dialogs.OpenAnswers = {first};
        Trigger("mnuFileOpen1");
        const QStringList before = State();

        const QString bad = f.Path(QStringLiteral("bad.2do"));
        if (exists) {
            QFile file(bad);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        f.fake->Dialogs.OpenAnswers = {bad};
        Trigger("mnuFileOpen1");
        QCOMPARE(f.fake->Messages.Texts(mkError).size(), 1);
        if (!exists) {
            QCOMPARE(f.fake->Messages.Texts(mkError).at(0),
                     QStringLiteral("Cannot open file ") + bad + QLatin1Char('.'));
        }
        QCOMPARE(State(), before);
        QCOMPARE(f.ListSubjects(), QStringList{QStringLiteral("First")});
        // The lock stays with the current file; the failed one holds none.
        QVERIFY(QFileInfo::exists(ListLockFileName(first)));
        QVERIFY(!QFileInfo::exists(ListLockFileName(bad)));
    }

    void saveWithoutFileAsksForOne() {
        const QStringList before = State();
        Trigger("mnuFileSave1");
        QCOMPARE(f.fake->Dialogs.SaveCalls.size(), 1u);  // cancelled: nothing saved
        QCOMPARE(State(), before);

        const QString path = f.Path(QStringLiteral("new.2do"));
        f.fake->Dialogs.SaveAnswers = {path};
        Trigger("mnuFileSave1");
        QCOMPARE(f.Main().Message(), QStringLiteral("new.2do saved..."));
        QCOMPARE(WindowFixture::Subjects(path),
                 (QStringList{QStringLiteral("Using Pellmark"), QStringLiteral("Manual")}));
    }

    void saveTellsTheTime() {
        const QString path = f.WriteList(QStringLiteral("timed.2do"), {QStringLiteral("A")});
        f.fake->Dialogs.OpenAnswers = {path};
        Trigger("mnuFileOpen1");
        f.List().Items().Add()->SetSubject("B");
        f.fake->Clock.Current =
            QDateTimeToDateTime(QDateTime(QDate(2024, 5, 6), QTime(15, 45, 12)));
        Trigger("mnuFileSave1");
        QCOMPARE(f.Main().Message(), QStringLiteral("timed.2do saved @3:45:12 PM"));
        QCOMPARE(f.Main().windowTitle(), QStringLiteral("Pellmark - timed.2do"));
        QCOMPARE(WindowFixture::Subjects(path),
                 (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
        QVERIFY(f.fake->Dialogs.SaveCalls.empty());
    }

    void saveAs() {
        // Onto an existing file, which is replaced without a question.
        const QString path = f.WriteList(QStringLiteral("existing.2do"), {QStringLiteral("Old")});
        f.fake->Dialogs.SaveAnswers = {path};
        Trigger("mnuFileSaveAs1");
        QCOMPARE(WindowFixture::Subjects(path),
                 (QStringList{QStringLiteral("Using Pellmark"), QStringLiteral("Manual")}));
        QCOMPARE(f.Main().CurrentFile(), path);
        QCOMPARE(f.Main().Hint(), path);
        QCOMPARE(f.Main().Message(), QStringLiteral("existing.2do saved..."));
        QCOMPARE(f.Main().windowTitle(), QStringLiteral("Pellmark - existing.2do"));
        QVERIFY(f.fake->Messages.Calls.empty());
        QVERIFY(QFileInfo::exists(ListLockFileName(path)));
    }

    void failedSaveAsKeepsTheCurrentFile() {
        const QString first = f.Path(QStringLiteral("first.2do"));
        f.fake->Dialogs.SaveAnswers = {first};
        Trigger("mnuFileSaveAs1");
        const QStringList before = State();
        const QString impossible = f.Path(QStringLiteral("missing/x.2do"));
        f.fake->Dialogs.SaveAnswers = {impossible};
        Trigger("mnuFileSaveAs1");
        QCOMPARE(
            f.fake->Messages.Texts(mkError),
            QStringList{QStringLiteral("Cannot create file ") + impossible + QLatin1Char('.')});
        QCOMPARE(State(), before);
    }

    void laterOpenIsWhereSavesGo() {
        const QString a = f.WriteList(QStringLiteral("a.2do"), {QStringLiteral("A")});
        const QString b = f.WriteList(QStringLiteral("b.2do"), {QStringLiteral("B")});
        WindowFixture::Store("startupfile", a);
        f.Destroy();
        QVERIFY(f.Start());
        QCOMPARE(f.Main().CurrentFile(), a);
        f.fake->Dialogs.OpenAnswers = {b};
        Trigger("mnuFileOpen1");
        // Opening B released A's lock and took B's.
        QVERIFY(!QFileInfo::exists(ListLockFileName(a)));
        QVERIFY(QFileInfo::exists(ListLockFileName(b)));
        f.List().Items().Add()->SetSubject("more");
        Trigger("mnuFileSave1");
        QCOMPARE(WindowFixture::Subjects(b),
                 (QStringList{QStringLiteral("B"), QStringLiteral("more")}));
        QCOMPARE(WindowFixture::Subjects(a), QStringList{QStringLiteral("A")});
        QVERIFY(f.Main().close());
        QCOMPARE(WindowFixture::Subjects(b),
                 (QStringList{QStringLiteral("B"), QStringLiteral("more")}));
    }

    void shortCurrentFileCountsAsNone() {
        const QString oldFolder = QDir::currentPath();
        QDir::setCurrent(f.dir->path());
        const auto back = qScopeGuard([&] { QDir::setCurrent(oldFolder); });
        f.WriteList(QStringLiteral("a.2d"), {QStringLiteral("Short")});
        WindowFixture::Store("startupfile", QStringLiteral("a.2d"));
        f.Destroy();
        QVERIFY(f.Start());
        QCOMPARE(f.Main().CurrentFile(), QStringLiteral("a.2d"));
        QVERIFY(!f.Main().HasCurrentFile());
        Trigger("mnuFileSave1");
        QCOMPARE(f.fake->Dialogs.SaveCalls.size(), 1u);
    }

    void autosave() {
        const QString path = f.WriteList(QStringLiteral("auto.2do"), {QStringLiteral("A")});
        f.fake->Dialogs.OpenAnswers = {path};
        Trigger("mnuFileOpen1");
        f.Main().SetAutoSaveEnabled(true);
        QTimer* timer = f.Main().AutoSaveTimer();
        QCOMPARE(timer->interval(), 600000);
        QVERIFY(timer->isActive());
        timer->setInterval(30);  // the test's own pace
        f.List().Items().Add()->SetSubject("typed");
        QTRY_COMPARE(WindowFixture::Subjects(path),
                     (QStringList{QStringLiteral("A"), QStringLiteral("typed")}));
        QVERIFY(f.Main().Message().startsWith(QStringLiteral("auto.2do saved @")));
        f.Main().SetAutoSaveEnabled(false);
        QVERIFY(!timer->isActive());
    }

    void autosaveWithoutFileAsksForOne() {
        QTimer* timer = f.Main().AutoSaveTimer();
        f.Main().SetAutoSaveEnabled(true);
        timer->setInterval(30);
        QTRY_VERIFY(f.fake->Dialogs.SaveCalls.size() >= 2u);
        QCOMPARE(f.Main().CurrentFile(), QString());
    }

    void failingAutosaveReportsEveryTick() {
        const QString path = f.WriteList(QStringLiteral("gone.2do"), {QStringLiteral("A")});
        f.fake->Dialogs.OpenAnswers = {path};
        Trigger("mnuFileOpen1");
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkdir(path));
        f.Main().SetAutoSaveEnabled(true);
        f.Main().AutoSaveTimer()->setInterval(30);
        QTRY_VERIFY(f.fake->Messages.Texts(mkError).size() >= 2);
        f.Main().SetAutoSaveEnabled(false);
        QDir().rmdir(path);
    }

    void autosaveWaitsWhileAnotherBoxIsOpen() {
        // An error box still open when the next tick comes: no second save starts inside it.
        const QString path = f.WriteList(QStringLiteral("busy.2do"), {QStringLiteral("A")});
        f.fake->Dialogs.OpenAnswers = {path};
        Trigger("mnuFileOpen1");
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkdir(path));
        int depth = 0;
        int deepest = 0;
        f.fake->Messages.OnShow = [&](const TMessageCall&) {
            ++depth;
            deepest = std::max(deepest, depth);
            QTest::qWait(100);  // several ticks pass while the box is "open"
            --depth;
        };
        f.Main().SetAutoSaveEnabled(true);
        f.Main().AutoSaveTimer()->setInterval(20);
        QTRY_VERIFY(f.fake->Messages.Texts(mkError).size() >= 2);
        f.Main().SetAutoSaveEnabled(false);
        f.fake->Messages.OnShow = nullptr;
        QCOMPARE(deepest, 1);
        QDir().rmdir(path);
    }
};

QTEST_MAIN(TestFileCommands)
#include "tst_file_commands.moc"
