// The Edit menu: Undo and Redo of every kind of change of the list, the modified state
// across saves and undos, and the find bar over the rows.

#include <QAction>
#include <QBuffer>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>

#include "app/edit_history.h"
#include "app/find_bar.h"
#include "window_fixture.h"

namespace {

enum TChange {
    chSubject,
    chNotes,
    chPriority,
    chDone,
    chCompletion,
    chCreate,
    chDelete,
    chReplace
};

}  // namespace

class TestEditMenu : public QObject {
    Q_OBJECT

    WindowFixture f;

    TTodoListBox* Box() { return f.List().ListBox(); }
    QAction* Action(const char* name) {
        return f.Main().findChild<QAction*>(QString::fromLatin1(name));
    }
    // All values of all items, in order, as the file would hold them.
    QByteArray Bytes() {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        f.List().SaveToStream(buffer);
        return buffer.data();
    }
    // The column of a kind, added when the window does not show it.
    int Column(TTodoData kind) {
        for (int c = 0; c < f.List().Columns().Count(); ++c) {
            if (f.List().Columns().At(c)->TodoData() == kind) {
                return c;
            }
        }
        return f.List().AddColumn(kind, "Added")->Index();
    }
    void ClickCell(TTodoData kind, int row) {
        const QPoint point = Box()->CellRect(Column(kind), row).center();
        QTest::mouseClick(Box()->viewport(), Qt::LeftButton, {}, point);
    }
    void EditText(int row, const QString& text) {
        Box()->StartEdit(row, Column(tdSubject), false, TEditClick(), 0, 0, QChar());
        Box()->CellEditing().InplaceEdit().setText(text);
        f.List().EndEdit();
    }
    void Change(TChange change) {
        TCellEditing& editing = Box()->CellEditing();
        switch (change) {
            case chSubject:
                EditText(1, QStringLiteral("Manual, second edition"));
                break;
            case chNotes:
                Box()->StartEdit(0, Column(tdNotes), false, TEditClick(), 0, 0, QChar());
                editing.InplaceMemo().setPlainText(QStringLiteral("one\ntwo"));
                f.List().EndEdit();
                break;
            case chPriority:
                Box()->StartEdit(0, Column(tdPriority), false, TEditClick(), 0, 0, QChar());
                editing.InplaceODListBox().SetItemIndex(0);
                f.List().EndEdit();
                break;
            case chDone:
                ClickCell(tdComplete, 1);
                break;
            case chCompletion:
                f.List().SetCompletionGraphic(true);
                ClickCell(tdCompletion, 0);
                break;
            case chCreate:
                f.Main().btnCreateItem()->click();
                break;
            case chDelete:
                Box()->SetItemIndex(0);
                f.fake->Messages.ConfirmAnswers = {true};
                f.Main().btnDeleteItem()->click();
                break;
            case chReplace: {
                TTodoItemCollection items;
                items.Add()->SetSubject("Reloaded");
                f.Main().ReplaceItemsUndoably(items, QStringLiteral("Reload"));
                break;
            }
        }
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(WindowFixture::OwnConfigFolder(), "run through ctest"); }
    void init() {
        f.Reset();
        QVERIFY(f.Start());
        f.Main().activateWindow();
    }
    void cleanup() { f.Destroy(); }

    void undoAndRedoEachChange_data() {
        QTest::addColumn<int>("change");
        QTest::addColumn<QString>("undoText");
        QTest::newRow("subject") << int(chSubject) << "&Undo Edit Subject";
        QTest::newRow("notes") << int(chNotes) << "&Undo Edit Notes";
        QTest::newRow("priority") << int(chPriority) << "&Undo Edit Priority";
        QTest::newRow("done check") << int(chDone) << "&Undo Edit Done";
        QTest::newRow("completion bar") << int(chCompletion) << "&Undo Edit Completion";
        QTest::newRow("create item") << int(chCreate) << "&Undo Create Item";
        QTest::newRow("delete item") << int(chDelete) << "&Undo Delete Item";
        QTest::newRow("replace all") << int(chReplace) << "&Undo Reload";
    }
    void undoAndRedoEachChange() {
        QFETCH(int, change);
        QFETCH(QString, undoText);
        QAction* undo = Action("mnuEditUndo");
        QAction* redo = Action("mnuEditRedo");
        QVERIFY(!undo->isEnabled());
        const QByteArray before = Bytes();
        Change(TChange(change));
        const QByteArray after = Bytes();
        QVERIFY(after != before);
        QCOMPARE(undo->text(), undoText);
        QVERIFY(f.Main().HasUnsavedChanges());

        undo->trigger();
        // Back in place with all values: a deleted item returns where it was.
        QCOMPARE(Bytes(), before);
        QVERIFY(!f.Main().HasUnsavedChanges());
        QCOMPARE(redo->text(),
                 QString(undoText).replace(QStringLiteral("&Undo"), QStringLiteral("&Redo")));
        redo->trigger();
        QCOMPARE(Bytes(), after);
        QCOMPARE(undo->text(), undoText);
    }

    void modifiedAcrossSaveAndUndo() {
        const QString path = f.OpenList(QStringLiteral("a.2do"), {QStringLiteral("one")});
        QVERIFY(!f.Main().HasUnsavedChanges());
        EditText(0, QStringLiteral("two"));
        QVERIFY(f.Main().HasUnsavedChanges());
        f.Main().Save();
        QVERIFY(!f.Main().HasUnsavedChanges());
        QCOMPARE(WindowFixture::Subjects(path), QStringList{QStringLiteral("two")});
        f.Main().History().Undo();
        QVERIFY(f.Main().HasUnsavedChanges());
        f.Main().History().Redo();
        QVERIFY(!f.Main().HasUnsavedChanges());
        // A new change after an undo past the save leaves the saved state out of reach.
        f.Main().History().Undo();
        EditText(0, QStringLiteral("three"));
        f.Main().History().Undo();
        QCOMPARE(f.ListSubjects(), QStringList{QStringLiteral("one")});
        QVERIFY(f.Main().HasUnsavedChanges());
    }

    void sortingIsNotUndone() {
        EditText(0, QStringLiteral("Zebra"));
        QUndoStack& stack = f.Main().History().Stack();
        QCOMPARE(stack.count(), 1);
        f.List().SetSortColumn(Column(tdSubject));
        f.List().SetSorted(true);
        QCOMPARE(f.ListSubjects(),
                 (QStringList{QStringLiteral("Manual"), QStringLiteral("Zebra")}));
        QCOMPARE(stack.count(), 1);
        // Undo finds the edited item where the sort moved it, and leaves the order.
        f.Main().History().Undo();
        QCOMPARE(f.ListSubjects(),
                 (QStringList{QStringLiteral("Manual"), QStringLiteral("Using Pellmark")}));
        QVERIFY(!stack.canUndo());
    }

    void openStartsANewHistory() {
        EditText(0, QStringLiteral("changed"));
        f.OpenList(QStringLiteral("b.2do"), {QStringLiteral("b")});
        QVERIFY(!Action("mnuEditUndo")->isEnabled());
        QVERIFY(!f.Main().History().CanRedo());
        QVERIFY(!f.Main().HasUnsavedChanges());
    }

    void redoKeys() {
        QCOMPARE(Action("mnuEditRedo")->shortcuts(),
                 (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Shift+Z")),
                                      QKeySequence(QStringLiteral("Ctrl+Y"))}));
    }

    void findBarFiltersAndSaveWritesAll() {
        const QString path = f.OpenList(
            QStringLiteral("c.2do"),
            {QStringLiteral("Café"), QStringLiteral("Tea"), QStringLiteral("CAFE au lait")});
        TFindBar& bar = *f.Main().FindBar();
        QVERIFY(!bar.isVisible());
        QTest::keyClick(&f.Main(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(bar.isVisible());
        QVERIFY(bar.TextBox()->hasFocus());
        QTest::keyClicks(bar.TextBox(), QStringLiteral("cafe"));
        QCOMPARE(Box()->RowCount(), 2);
        QCOMPARE(Box()->RowItem(1)->Subject(), std::string("CAFE au lait"));
        f.Main().Save();
        QCOMPARE(WindowFixture::Subjects(path), f.ListSubjects());
        QCOMPARE(f.ListSubjects().size(), 3);
        // Escape is the bar's: it clears and hides it, and deletes nothing.
        QTest::keyClick(bar.TextBox(), Qt::Key_Escape);
        QVERIFY(!bar.isVisible());
        QVERIFY(bar.Text().isEmpty());
        QCOMPARE(Box()->RowCount(), 3);
        QVERIFY(f.fake->Messages.Texts(mkConfirm).isEmpty());
    }
};

QTEST_MAIN(TestEditMenu)
#include "tst_edit_menu.moc"
