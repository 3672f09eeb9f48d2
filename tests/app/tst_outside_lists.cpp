// Lists that come from outside the Open dialog: File > Recent Lists, a file dropped onto
// the window, the command line's file, and the question about unsaved changes that each
// of them asks before the list is replaced.

#include <QAction>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include "app/open_from_outside.h"
#include "app/recent_lists.h"
#include "window_fixture.h"

class TestOutsideLists : public QObject {
    Q_OBJECT

    WindowFixture f;

    QStringList MenuTexts(bool enabledOnly = false) {
        QMenu* menu = f.Main().RecentListsMenu();
        Q_EMIT menu->aboutToShow();
        QStringList texts;
        for (const QAction* action : menu->actions()) {
            if (!action->isSeparator() && (!enabledOnly || action->isEnabled())) {
                texts << action->text();
            }
        }
        return texts;
    }
    // Sends a drag of these files over the window and drops it; true when it was taken.
    bool Drop(const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths) {
            urls << QUrl::fromLocalFile(path);
        }
        data.setUrls(urls);
        const QPoint at(50, 50);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&f.Main(), &enter);
        if (!enter.isAccepted()) {
            return false;
        }
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&f.Main(), &drop);
        return drop.isAccepted();
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(WindowFixture::OwnConfigFolder(), "run through ctest"); }
    void init() {
        f.Reset();
        QVERIFY(f.Start());
    }
    void cleanup() { f.Destroy(); }

    // The last eight lists opened or saved, newest first, in the settings' own keys; a
    // list that is gone is greyed; an entry opens its list; Clear forgets them.
    void recentLists() {
        QStringList paths;
        for (int i = 0; i < 10; ++i) {
            paths.prepend(f.OpenList(QStringLiteral("list%1.2do").arg(i), {QStringLiteral("x")}));
        }
        f.fake->Dialogs.SaveAnswers = {f.Path(QStringLiteral("saved.2do"))};
        QVERIFY(f.Main().SaveAs());
        paths.prepend(f.Path(QStringLiteral("saved.2do")));
        QCOMPARE(RecentLists(), paths.mid(0, 8));
        QCOMPARE(WindowFixture::Setting("recent1"), paths[0]);
        QCOMPARE(WindowFixture::Setting("recent8"), paths[7]);
        QCOMPARE(WindowFixture::Setting("recent9"), kSettingAbsent);

        QVERIFY(QFile::remove(paths[2]));
        const QStringList texts = MenuTexts();
        QCOMPARE(texts.size(), 8 + 1);
        QCOMPARE(texts[0], RecentListEntryText(0, paths[0]));
        QCOMPARE(texts[0].section(QLatin1Char(' '), 0, 1), QStringLiteral("&1 saved.2do"));
        QCOMPARE(MenuTexts(true).size(), 8);  // one greyed, Clear added

        auto* third = f.Main().findChild<QAction*>(QStringLiteral("mnuRecentList4"));
        QVERIFY(third);
        third->trigger();
        QCOMPARE(f.Main().CurrentFile(), paths[3]);
        QCOMPARE(RecentLists().front(), paths[3]);

        MenuTexts();
        f.Main().findChild<QAction*>(QStringLiteral("mnuRecentListsClear"))->trigger();
        QVERIFY(RecentLists().isEmpty());
        QCOMPARE(MenuTexts(), QStringList{QStringLiteral("(none)")});
    }

    // With unsaved changes, opening another list asks first: Save writes them, Discard
    // drops them, Cancel keeps the window's list.
    void unsavedChangesFirst_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("opened");
        QTest::addColumn<QStringList>("file");
        const QStringList kept{QStringLiteral("Kept")};
        QTest::newRow("Save") << 0 << true
                              << QStringList{QStringLiteral("Kept"), QStringLiteral("Mine")};
        QTest::newRow("Discard") << 1 << true << kept;
        QTest::newRow("Cancel") << 2 << false << kept;
    }
    void unsavedChangesFirst() {
        QFETCH(int, answer);
        QFETCH(bool, opened);
        QFETCH(QStringList, file);
        const QString path = f.OpenList(QStringLiteral("list.2do"), {QStringLiteral("Kept")});
        const QString other = f.WriteList(QStringLiteral("other.2do"), {QStringLiteral("Other")});
        QVERIFY(f.Main().OpenList(other));  // nothing unsaved: no question
        QVERIFY(f.fake->Messages.Calls.empty());
        QVERIFY(f.Main().OpenList(path));
        f.List().Items().Add()->SetSubject("Mine");

        f.fake->Messages.ChooseAnswers = {answer};
        QCOMPARE(f.Main().OpenList(other), opened);
        QCOMPARE(
            f.fake->Messages.Texts(mkChoose),
            QStringList{QStringLiteral("Save the changes to list.2do before opening other.2do?")});
        QCOMPARE(f.Main().CurrentFile(), opened ? other : path);
        QCOMPARE(WindowFixture::Subjects(path), file);
    }

    // One .2do file dropped onto the window opens it; other drops are refused.
    void drop_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("taken");
        QTest::newRow("a list") << QStringList{QStringLiteral("dropped.2do")} << true;
        QTest::newRow("upper case") << QStringList{QStringLiteral("DROPPED.2DO")} << true;
        QTest::newRow("another kind") << QStringList{QStringLiteral("notes.txt")} << false;
        QTest::newRow("two lists")
            << QStringList{QStringLiteral("a.2do"), QStringLiteral("b.2do")} << false;
    }
    void drop() {
        QFETCH(QStringList, names);
        QFETCH(bool, taken);
        QStringList paths;
        for (const QString& name : names) {
            paths << f.WriteList(name, {QStringLiteral("Dropped")});
        }
        QCOMPARE(Drop(paths), taken);
        if (taken) {
            QTRY_COMPARE(f.Main().CurrentFile(), paths[0]);
            QCOMPARE(f.ListSubjects(), QStringList{QStringLiteral("Dropped")});
            QCOMPARE(f.Main().windowTitle(), CaptionFor(paths[0]));
        } else {
            QTest::qWait(50);
            QVERIFY(!f.Main().HasCurrentFile());
        }
    }

    // The command line's file is opened at start-up instead of the start-up file.
    void commandLineFile() {
        f.Destroy();
        WindowFixture::Store("startupfile",
                             f.WriteList(QStringLiteral("start.2do"), {QStringLiteral("Start")}));
        const QString given = f.WriteList(QStringLiteral("given.2do"), {QStringLiteral("Given")});
        QCOMPARE(ListFileArgument({QStringLiteral("pellmark"), QStringLiteral("-style=x"), given}),
                 given);
        QCOMPARE(ListFileArgument({QStringLiteral("pellmark")}), QString());
        f.Create();
        f.Main().SetFileToOpen(given);
        f.Main().show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.Main()));
        QCOMPARE(f.Main().CurrentFile(), given);
        QCOMPARE(f.ListSubjects(), QStringList{QStringLiteral("Given")});
        QCOMPARE(f.Main().Message(), QStringLiteral("given.2do loaded..."));
    }
};

QTEST_MAIN(TestOutsideLists)
#include "tst_outside_lists.moc"
