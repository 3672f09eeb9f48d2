// The current file changed by another program (a real process renames a new file over it,
// or writes into it): the window reads it again or asks, keeps its place in the list, and
// never replaces the other program's file without asking. Its own saves reload nothing.

#include <QProcess>

#include "app/edit_history.h"
#include "app/file_watch.h"
#include "window_fixture.h"

namespace {

enum TChange { chRename, chCopy };

QStringList Numbered(int count) {
    QStringList subjects;
    for (int i = 0; i < count; ++i) {
        subjects << QStringLiteral("Item %1").arg(i);
    }
    return subjects;
}

}  // namespace

class TestDiskChanges : public QObject {
    Q_OBJECT

    WindowFixture f;

    // Another program puts these items into the file: mv renames a new file over it, cp
    // writes into the existing one.
    void ChangeElsewhere(const QString& path, const QStringList& subjects, TChange how) {
        const QString incoming = f.WriteList(QStringLiteral("incoming.tmp"), subjects);
        const QString program = how == chRename ? QStringLiteral("mv") : QStringLiteral("cp");
        QCOMPARE(QProcess::execute(program, {incoming, path}), 0);
    }
    void WaitQuietly() { QTest::qWait(TFileWatch::kSettleMilliseconds * 3); }
    int Questions(TMessageKind kind) { return int(f.fake->Messages.Texts(kind).size()); }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(WindowFixture::OwnConfigFolder(), "run through ctest"); }
    void init() {
        f.Reset();
        QVERIFY(f.Start());
    }
    void cleanup() { f.Destroy(); }

    void changedElsewhere_data() {
        QTest::addColumn<int>("how");
        QTest::addColumn<bool>("edited");
        QTest::addColumn<int>("answer");  // of the question, when there is one
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<QString>("message");
        const QStringList theirs{QStringLiteral("Theirs")};
        const QStringList mine{QStringLiteral("Kept"), QStringLiteral("Mine")};
        const QString reloaded = QStringLiteral("list.2do reloaded...");
        QTest::newRow("no changes, renamed over")
            << int(chRename) << false << -1 << theirs << reloaded;
        QTest::newRow("no changes, written into")
            << int(chCopy) << false << -1 << theirs << reloaded;
        QTest::newRow("changes, Reload") << int(chRename) << true << 0 << theirs << reloaded;
        QTest::newRow("changes, Save As")
            << int(chRename) << true << 1 << mine << QStringLiteral("other.2do saved...");
        QTest::newRow("changes, Keep mine")
            << int(chCopy) << true << 2 << mine
            << QStringLiteral("list.2do changed on disk; the list here is kept...");
    }
    void changedElsewhere() {
        QFETCH(int, how);
        QFETCH(bool, edited);
        QFETCH(int, answer);
        QFETCH(QStringList, list);
        QFETCH(QString, message);
        const QString path = f.OpenList(QStringLiteral("list.2do"), {QStringLiteral("Kept")});
        if (edited) {
            f.List().Items().Add()->SetSubject("Mine");
        }
        f.fake->Messages.ChooseAnswers = {answer};
        const QString other = f.Path(QStringLiteral("other.2do"));
        f.fake->Dialogs.SaveAnswers = {other};

        ChangeElsewhere(path, {QStringLiteral("Theirs")}, TChange(how));
        QTRY_COMPARE(f.Main().Message(), message);
        QCOMPARE(f.ListSubjects(), list);
        QCOMPARE(Questions(mkChoose), edited ? 1 : 0);
        QCOMPARE(WindowFixture::Subjects(path), QStringList{QStringLiteral("Theirs")});
        if (answer == 1) {
            QCOMPARE(WindowFixture::Subjects(other), list);
            QCOMPARE(f.Main().CurrentFile(), other);
        }
        QCOMPARE(f.Main().HasUnsavedChanges(), answer == 2);
        QVERIFY(f.fake->Messages.Texts(mkError).isEmpty());
        if (edited && answer == 0) {
            // The changes a reload dropped come back with Undo.
            QCOMPARE(f.Main().History().UndoText(), QStringLiteral("Reload"));
            f.Main().History().Undo();
            QCOMPARE(f.ListSubjects(),
                     (QStringList{QStringLiteral("Kept"), QStringLiteral("Mine")}));
            QVERIFY(f.Main().HasUnsavedChanges());
        }
    }

    // The file's watch ends with a file renamed over it; the window keeps following the
    // file all the same. Its own saves and a write of the same bytes reload nothing.
    void followsReplacementAfterReplacement() {
        const QString path = f.OpenList(QStringLiteral("list.2do"), {QStringLiteral("First")});
        for (const QString& subject : {QStringLiteral("Second"), QStringLiteral("Third")}) {
            ChangeElsewhere(path, {subject}, chRename);
            QTRY_COMPARE(f.ListSubjects(), QStringList{subject});
        }
        f.List().Items().Add()->SetSubject("Own");
        f.Main().Save();
        const QString saved = f.Main().Message();
        ChangeElsewhere(path, WindowFixture::Subjects(path), chCopy);
        WaitQuietly();
        QCOMPARE(f.Main().Message(), saved);
        QVERIFY(f.fake->Messages.Calls.empty());
        QCOMPARE(f.ListSubjects(), (QStringList{QStringLiteral("Third"), QStringLiteral("Own")}));
    }

    // After "Keep mine", saving asks before it replaces the other program's file.
    void saveAsksBeforeReplacing_data() {
        QTest::addColumn<bool>("atExit");
        QTest::addColumn<bool>("replace");
        QTest::newRow("Save, yes") << false << true;
        QTest::newRow("Save, no") << false << false;
        QTest::newRow("exit, no") << true << false;
    }
    void saveAsksBeforeReplacing() {
        QFETCH(bool, atExit);
        QFETCH(bool, replace);
        const QString path = f.OpenList(QStringLiteral("list.2do"), {QStringLiteral("Kept")});
        f.List().Items().Add()->SetSubject("Mine");
        f.fake->Messages.ChooseAnswers = {2};
        ChangeElsewhere(path, {QStringLiteral("Theirs")}, chRename);
        QTRY_COMPARE(Questions(mkChoose), 1);

        f.fake->Messages.ConfirmAnswers = {replace};
        const bool closed = atExit ? f.Main().close() : false;
        if (!atExit) {
            f.Main().Save();
        }
        QCOMPARE(f.fake->Messages.Texts(mkConfirm),
                 QStringList{QStringLiteral("list.2do was changed by another program since "
                                            "Pellmark read it.\nReplace it with the list in "
                                            "this window?")});
        QCOMPARE(WindowFixture::Subjects(path),
                 replace ? f.ListSubjects() : QStringList{QStringLiteral("Theirs")});
        QCOMPARE(closed, false);  // a refused save at exit keeps the window and its list
        if (!replace) {
            QCOMPARE(f.Main().Message(), QStringLiteral("list.2do not saved..."));
        }
    }

    // A reload keeps the selected item selected and the first visible item at the top
    // where they are still in the list; otherwise their row numbers stay.
    void placeKept_data() {
        QTest::addColumn<QStringList>("theirs");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("top");
        const QStringList all = Numbered(40);
        QTest::newRow("items added before")
            << QStringList{QStringLiteral("A"), QStringLiteral("B")} + all << 22 << 12;
        QStringList removed = all;
        removed.removeAt(20);
        QTest::newRow("selected item removed") << removed << 20 << 10;
        QTest::newRow("list shorter") << all.mid(0, 5) << 4 << 0;
    }
    void placeKept() {
        QFETCH(QStringList, theirs);
        QFETCH(int, selected);
        QFETCH(int, top);
        const QString path = f.OpenList(QStringLiteral("list.2do"), Numbered(40));
        TTodoListBox& box = *f.List().ListBox();
        box.SetItemIndex(20);
        box.SetTopIndex(10);
        QCOMPARE(box.TopIndex(), 10);
        ChangeElsewhere(path, theirs, chRename);
        QTRY_COMPARE(f.ListSubjects(), theirs);
        QCOMPARE(box.ItemIndex(), selected);
        QCOMPARE(box.TopIndex(), top);
    }
};

QTEST_MAIN(TestDiskChanges)
#include "tst_disk_changes.moc"
