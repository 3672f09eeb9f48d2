// The exit flow: every branch of saving (or asking first) at a close request, what it
// stores, and the failures that keep the window open or let it close.

#include <QAction>
#include <QCloseEvent>
#include <QSignalSpy>

#include "model/list_lock.h"

#include "window_fixture.h"

class TestExitFlow : public QObject {
    Q_OBJECT

    WindowFixture f;

private Q_SLOTS:
    void initTestCase() { QVERIFY2(WindowFixture::OwnConfigFolder(), "run through ctest"); }
    void init() { f.Reset(); }
    void cleanup() { f.Destroy(); }

    void branches_data() {
        QTest::addColumn<QString>("asktosave");
        QTest::addColumn<bool>("currentFile");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("saveAsChooses");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<int>("questions");
        QTest::addColumn<int>("saveDialogs");
        // asktosave, current file, Yes?, Save As chooses, closes, saved, questions, dialogs
        QTest::newRow("no question, no file, Save As cancelled")
            << "" << false << false << false << true << false << 0 << 1;
        QTest::newRow("no question, no file, Save As chosen")
            << "" << false << false << true << true << true << 0 << 1;
        QTest::newRow("no question, current file")
            << "" << true << false << false << true << true << 0 << 0;
        QTest::newRow("upper-case Y asks nothing")
            << "Y" << true << false << false << true << true << 0 << 0;
        QTest::newRow("question answered No")
            << "y" << true << false << true << true << false << 1 << 0;
        QTest::newRow("Yes without a file, Save As chosen, stays open")
            << "y" << false << true << true << false << true << 1 << 1;
        QTest::newRow("Yes without a file, Save As cancelled, stays open")
            << "y" << false << true << false << false << false << 1 << 1;
        QTest::newRow("Yes with a current file")
            << "y" << true << true << false << true << true << 1 << 0;
    }
    void branches() {
        QFETCH(QString, asktosave);
        QFETCH(bool, currentFile);
        QFETCH(bool, answer);
        QFETCH(bool, saveAsChooses);
        QFETCH(bool, closes);
        QFETCH(bool, saved);
        QFETCH(int, questions);
        QFETCH(int, saveDialogs);
        if (!asktosave.isEmpty()) {
            WindowFixture::Store("asktosave", asktosave);
        }
        QVERIFY(f.Start());
        QString target = f.Path(QStringLiteral("chosen.2do"));
        if (currentFile) {
            target = f.OpenList(QStringLiteral("current.2do"), {QStringLiteral("Old")});
        }
        f.List().Items().Add()->SetSubject("Added");
        f.fake->Messages.ConfirmAnswers = {answer};
        f.fake->Dialogs.SaveAnswers = {saveAsChooses ? std::optional<QString>(target)
                                                     : std::nullopt};
        QSignalSpy closed(&f.Main(), &TForm1::Closed);

        QCOMPARE(f.Main().close(), closes);
        QCOMPARE(closed.size(), closes ? 1 : 0);
        QCOMPARE(f.fake->Messages.Texts(mkConfirm).size(), questions);
        if (questions) {
            QCOMPARE(f.fake->Messages.Texts(mkConfirm).at(0),
                     QStringLiteral("Do you want to save your Todolist?"));
        }
        QCOMPARE(int(f.fake->Dialogs.SaveCalls.size()), saveDialogs);
        const QStringList onDisk = WindowFixture::Subjects(target);
        QCOMPARE(onDisk.contains(QStringLiteral("Added")), saved);
        // The placement and the layout are stored exactly when the window closes.
        QCOMPARE(WindowFixture::Setting("left") != kSettingAbsent, closes);
        QCOMPARE(QFileInfo::exists(f.LayoutFile()), closes);
        if (saved) {
            QCOMPARE(f.Main().Message(),
                     QFileInfo(target).fileName() + QStringLiteral(" saved..."));
        }
        QVERIFY(f.fake->Messages.Texts(mkError).isEmpty());
        QCOMPARE(f.fake->Clock.Beeps, 0);
        QVERIFY(f.fake->Clock.Sleeps.empty());
    }

    void yesWithoutFileClosesOnTheSecondExit() {
        WindowFixture::Store("asktosave", QStringLiteral("y"));
        QVERIFY(f.Start());
        const QString target = f.Path(QStringLiteral("named.2do"));
        f.fake->Messages.ConfirmAnswers = {true, true};
        f.fake->Dialogs.SaveAnswers = {target};
        QVERIFY(!f.Main().close());
        QCOMPARE(f.Main().CurrentFile(), target);
        QVERIFY(f.Main().close());  // now it saves to the file chosen the first time
        QCOMPARE(f.fake->Dialogs.SaveCalls.size(), 1u);
    }

    void failedSaveKeepsTheWindowOpen() {
        QVERIFY(f.Start());
        const QString path = f.OpenList(QStringLiteral("list.2do"), {QStringLiteral("Kept")});
        f.List().Items().Add()->SetSubject("Unsaved");
        // A folder where the list was: the save cannot create the file.
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkdir(path));
        QVERIFY(!f.Main().close());
        QVERIFY(f.Main().isVisible());
        QCOMPARE(f.Main().Message(), QStringLiteral("Error saving as: list.2do"));
        const QStringList errors = f.fake->Messages.Texts(mkError);
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors.at(0), QStringLiteral("Error saving as: list.2do\nCannot create file ") +
                                   path + QLatin1Char('.'));
        QCOMPARE(f.fake->Clock.Beeps, 0);
        QVERIFY(f.fake->Clock.Sleeps.empty());
        QCOMPARE(WindowFixture::Setting("left"), kSettingAbsent);
        QCOMPARE(f.List().Items().Count(), 2);  // nothing lost

        // Once the cause is gone the next exit saves and closes.
        QVERIFY(QDir().rmdir(path));
        QVERIFY(f.Main().close());
        QCOMPARE(WindowFixture::Subjects(path),
                 (QStringList{QStringLiteral("Kept"), QStringLiteral("Unsaved")}));
    }

    void failedSaveAfterYesKeepsTheWindowOpen() {
        WindowFixture::Store("asktosave", QStringLiteral("y"));
        QVERIFY(f.Start());
        const QString path = f.OpenList(QStringLiteral("list.2do"), {QStringLiteral("Kept")});
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkdir(path));
        f.fake->Messages.ConfirmAnswers = {true};
        QVERIFY(!f.Main().close());
        QCOMPARE(f.fake->Messages.Texts(mkError).size(), 1);
        QCOMPARE(WindowFixture::Setting("left"), kSettingAbsent);
    }

    void saveAsErrorEndsTheFlow() {
        QVERIFY(f.Start());
        const QString impossible = f.Path(QStringLiteral("no/such/folder/x.2do"));
        f.fake->Dialogs.SaveAnswers = {impossible};
        QVERIFY(!f.Main().close());
        QCOMPARE(
            f.fake->Messages.Texts(mkError),
            QStringList{QStringLiteral("Cannot create file ") + impossible + QLatin1Char('.')});
        QCOMPARE(WindowFixture::Setting("left"), kSettingAbsent);
        QVERIFY(!QFileInfo::exists(f.LayoutFile()));
        QCOMPARE(f.Main().CurrentFile(), QString());
    }

    void unwritableLayoutFileStillCloses() {
        QVERIFY(f.Start());
        const QString path = f.OpenList(QStringLiteral("list.2do"), {QStringLiteral("Kept")});
        QFile blocker(f.Path(QStringLiteral("plain")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString layout = blocker.fileName() + QStringLiteral("/columninfo.txt");
        f.Main().SetLayoutFileName(layout);
        QVERIFY(f.Main().close());
        QCOMPARE(f.fake->Messages.Texts(mkError),
                 QStringList{QStringLiteral("Cannot create file ") + layout + QLatin1Char('.')});
        // The list and the placement were saved before.
        QCOMPARE(WindowFixture::Subjects(path), QStringList{QStringLiteral("Kept")});
        QVERIFY(WindowFixture::Setting("left") != kSettingAbsent);
    }

    void windowSettings() {
        QVERIFY(f.Start());
        f.Main().move(33, 44);
        f.Main().resize(640, 480);
        WindowFixture::Store("maximized", QStringLiteral("y"));
        f.Main().SaveWindowSettings();
        QCOMPARE(WindowFixture::Setting("maximized"), kSettingAbsent);  // deleted, not ""
        QCOMPARE(WindowFixture::Setting("left"), QStringLiteral("33"));
        QCOMPARE(WindowFixture::Setting("top"), QStringLiteral("44"));
        QCOMPARE(WindowFixture::Setting("width"), QStringLiteral("640"));
        QCOMPARE(WindowFixture::Setting("height"), QStringLiteral("480"));

        // Reopened: one pixel larger each way, as the start-up adds one.
        f.Destroy();
        QVERIFY(f.Start());
        QCOMPARE(QRect(f.Main().pos(), f.Main().size()), QRect(33, 44, 641, 481));
    }

    void maximizedWindowSettings() {
        QVERIFY(f.Start());
        f.Main().resize(500, 300);
        f.Main().showMaximized();
        QTRY_VERIFY(f.Main().isMaximized());
        f.Main().SaveWindowSettings();
        QCOMPARE(WindowFixture::Setting("maximized"), QStringLiteral("y"));
        QCOMPARE(WindowFixture::Setting("width"), QStringLiteral("500"));
        f.Destroy();
        QVERIFY(f.Start());
        QTRY_VERIFY(f.Main().isMaximized());
    }

    void layoutSurvivesARestart() {
        WindowFixture::Store("vSubj", QStringLiteral("1"));
        WindowFixture::Store("vReso", QStringLiteral("1"));
        f.fake->Dialogs.SaveAnswers = {std::nullopt};
        QVERIFY(f.Start());
        f.List().Columns().At(1)->SetWidth(222);
        f.List().Columns().At(1)->SetIndex(0);
        QVERIFY(f.Main().close());
        f.Destroy();
        QVERIFY(f.Start());
        QCOMPARE(f.List().Columns().Count(), 2);
        QCOMPARE(f.List().Columns().At(0)->Caption(), std::string("Resource"));
        QCOMPARE(f.List().Columns().At(0)->Width(), 222);
    }

    void exitMenuRunsTheFlow() {
        QVERIFY(f.Start());
        f.fake->Dialogs.SaveAnswers = {std::nullopt};
        QSignalSpy closed(&f.Main(), &TForm1::Closed);
        f.Main().findChild<QAction*>(QStringLiteral("mnuFileExit1"))->trigger();
        QCOMPARE(closed.size(), 1);
        QVERIFY(!f.Main().isVisible());
    }

    void exitReleasesTheLock() {
        QVERIFY(f.Start());
        const QString path = f.OpenList(QStringLiteral("locked.2do"), {QStringLiteral("A")});
        QVERIFY(QFileInfo::exists(ListLockFileName(path)));
        QVERIFY(f.Main().close());
        f.Destroy();
        QVERIFY(!QFileInfo::exists(ListLockFileName(path)));
    }
};

QTEST_MAIN(TestExitFlow)
#include "tst_exit_flow.moc"
