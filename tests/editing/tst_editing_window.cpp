// Editing every data kind in a window that has a default and a cancel button, with the
// mouse and with the keyboard alone. Runs on the offscreen platform and, through
// tests/support/with-xvfb, in a real X window, where the popups are real popup windows.

#include <QDialog>
#include <QGuiApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "editing/edit_test_support.h"

namespace {

struct TEditWindow {
    QDialog dialog;
    TTodoList* list;  // owned by the dialog
    QPushButton* create;
    QPushButton* remove;

    TEditWindow()
        : list(new TTodoList(&dialog)),
          create(new QPushButton(QStringLiteral("Create"), &dialog)),
          remove(new QPushButton(QStringLiteral("Delete"), &dialog)) {
        auto* layout = new QVBoxLayout(&dialog);  // owned by the dialog
        layout->addWidget(list);
        layout->addWidget(create);
        layout->addWidget(remove);
        create->setDefault(true);
        QObject::connect(remove, &QPushButton::clicked, &dialog, &QDialog::reject);
        auto source = MakeEditList(6);
        list->SetDateFormat(source->DateFormat());
        list->SetColumns(source->Columns());
        list->SetItems(source->Items());
        list->SetBorderStyle(bsNone);
        dialog.resize(800, 320);
        dialog.show();
    }

    bool Ready() {
        if (!QTest::qWaitForWindowExposed(&dialog)) {
            return false;
        }
        dialog.activateWindow();
        if (!QTest::qWaitForWindowActive(&dialog)) {
            return false;
        }
        list->ListBox()->setFocus();
        return QTest::qWaitFor([this] { return list->ListBox()->hasFocus(); });
    }

    TTodoItem& Item(int row) { return *list->Items().At(row); }
};

}  // namespace

class TestEditingWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        UseCrispTestFont();
        qInfo("platform: %s", qPrintable(QGuiApplication::platformName()));
    }

    void everyKindByMouse() {
        TEditWindow w;
        QVERIFY(w.Ready());
        TTodoList& list = *w.list;
        QSignalSpy created(w.create, &QPushButton::clicked);
        QSignalSpy rejected(&w.dialog, &QDialog::rejected);
        TCellEditing& editing = Editing(list);

        // Subject: the one-line editor over the cell; Enter writes.
        ClickCell(list, ecSubject, 1);
        QVERIFY(editing.InplaceEdit().isVisible());
        QCOMPARE(ScreenRect(&editing.InplaceEdit()), CellScreenRect(list, ecSubject, 1));
        QTRY_VERIFY(editing.InplaceEdit().hasFocus());
        editing.InplaceEdit().selectAll();
        QTest::keyClicks(&editing.InplaceEdit(), QStringLiteral("Mouse"));
        QTest::keyClick(&editing.InplaceEdit(), Qt::Key_Return);
        QCOMPARE(w.Item(1).Subject(), std::string("Mouse"));

        // Priority: a 70-pixel list in the popup at the cell's screen position.
        ClickCell(list, ecPriority, 1);
        TInplaceODListBox& priorities = editing.InplaceODListBox();
        QTRY_VERIFY(priorities.isVisible());
        const QRect cell = CellScreenRect(list, ecPriority, 1);
        QCOMPARE(ScreenRect(&editing.EditorPopup()), QRect(cell.topLeft(), QSize(70, 80)));
        QTest::mouseClick(priorities.viewport(), Qt::LeftButton, {},
                          priorities.visualItemRect(priorities.item(tpHighest)).center());
        QCOMPARE(w.Item(1).Priority(), tpHighest);
        QTRY_VERIFY(!editing.EditorPopup().isVisible());

        // Status: Escape puts back the opening entry and stays away from Delete.
        ClickCell(list, ecStatus, 1);
        TInplaceListBox& statuses = editing.InplaceListBox();
        QTRY_VERIFY(statuses.hasFocus());
        QTest::keyClick(&statuses, Qt::Key_Down);
        QTest::keyClick(&statuses, Qt::Key_Escape);
        QCOMPARE(w.Item(1).Status(), tsInProgress);

        // Notes: the square popup; a click outside it ends the edit and keeps the text.
        ClickCell(list, ecNotes, 1);
        TInplaceMemo& memo = editing.InplaceMemo();
        QTRY_VERIFY(memo.hasFocus());
        QTest::keyClicks(&memo, QStringLiteral("noted"));
        QTest::mouseClick(w.create, Qt::LeftButton, {}, QPoint(5, 5));
        QTRY_VERIFY(!editing.EditorPopup().isVisible());
        QCOMPARE(w.Item(1).Notes().Lines(), std::vector<std::string>({"noted"}));

        // Completion bar: a click sets the value at once.
        const QRect bar = list.ListBox()->CellRect(ecCompletion, 2);
        QTest::mouseClick(Viewport(list), Qt::LeftButton, {},
                          QPoint(bar.right(), bar.center().y()));
        QCOMPARE(int(w.Item(2).Completion()), 100);
        QVERIFY(w.Item(2).Complete());

        // Done check, total time and due date.
        ClickCell(list, ecDone, 3);
        QVERIFY(w.Item(3).Complete());
        ClickCell(list, ecTotal, 3);
        TInplaceSpinEdit& spin = editing.InplaceSpinEdit();
        QCOMPARE(ScreenRect(&spin), CellScreenRect(list, ecTotal, 3));
        QTRY_VERIFY(spin.hasFocus());
        QTest::keyClicks(&spin, QStringLiteral("12"));
        QTest::keyClick(&spin, Qt::Key_Enter);
        QCOMPARE(w.Item(3).TotalTime(), 12);
        ClickCell(list, ecDue, 3);
        TTodoDateTimePicker& picker = editing.DateTimePicker();
        QCOMPARE(ScreenRect(&picker), CellScreenRect(list, ecDue, 3));
        QTRY_VERIFY(picker.hasFocus());
        picker.setDate(QDate(2030, 1, 2));
        QTest::keyClick(&picker, Qt::Key_Return);
        QCOMPARE(DateTimeToQDateTime(w.Item(3).DueDate()).date(), QDate(2030, 1, 2));

        QCOMPARE(created.count(), 1);  // only the click on the button itself
        QCOMPARE(rejected.count(), 0);
        QVERIFY(w.dialog.isVisible());
    }

    void everyKindByKeyboard() {
        TEditWindow w;
        QVERIFY(w.Ready());
        TTodoList& list = *w.list;
        list.SetAutoAdvanceEdit(true);
        list.SetCompletionGraphic(false);
        QSignalSpy created(w.create, &QPushButton::clicked);
        QSignalSpy rejected(&w.dialog, &QDialog::rejected);
        TCellEditing& editing = Editing(list);
        TTodoListBox* box = list.ListBox();
        QTest::keyClick(box, Qt::Key_Down);
        QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(box->ItemIndex(), 1);

        // Done: Space flips it; then Right to the subject and type over it.
        QTest::keyClick(box, Qt::Key_Space);
        QVERIFY(w.Item(1).Complete());
        QTest::keyClick(box, Qt::Key_Right);
        QTest::keyClick(box, Qt::Key_K);
        QCOMPARE(editing.InplaceEdit().Text(), QStringLiteral("k"));
        QTest::keyClicks(&editing.InplaceEdit(), QStringLiteral("eys"));
        QTest::keyClick(&editing.InplaceEdit(), Qt::Key_Return);
        QCOMPARE(w.Item(1).Subject(), std::string("keys"));

        // Completion, as text: Enter advances to the priority list.
        QTRY_VERIFY(editing.InplaceSpinEdit().hasFocus());
        QTest::keyClicks(&editing.InplaceSpinEdit(), QStringLiteral("150"));
        QTest::keyClick(&editing.InplaceSpinEdit(), Qt::Key_Return);
        QCOMPARE(int(w.Item(1).Completion()), 100);
        QTRY_VERIFY(editing.InplaceODListBox().hasFocus());
        QTest::keyClick(&editing.InplaceODListBox(), Qt::Key_Up);
        QTest::keyClick(&editing.InplaceODListBox(), Qt::Key_Return);
        QCOMPARE(w.Item(1).Priority(), tpLow);
        QTRY_VERIFY(editing.InplaceListBox().hasFocus());
        QTest::keyClick(&editing.InplaceListBox(), Qt::Key_Down);
        QTest::keyClick(&editing.InplaceListBox(), Qt::Key_Tab);
        QCOMPARE(w.Item(1).Status(), tsDeferred);

        // Due date: Enter writes without advancing; F2 on the notes opens the memo.
        QTRY_VERIFY(editing.DateTimePicker().hasFocus());
        QTest::keyClick(&editing.DateTimePicker(), Qt::Key_Up);
        QTest::keyClick(&editing.DateTimePicker(), Qt::Key_Return);
        QCOMPARE(DateTimeToQDateTime(w.Item(1).DueDate()).date(), QDate(2024, 4, 2));
        QTRY_VERIFY(box->hasFocus());
        QTest::keyClick(box, Qt::Key_Right);
        QTest::keyClick(box, Qt::Key_F2);
        QTRY_VERIFY(editing.InplaceMemo().hasFocus());
        QTest::keyClicks(&editing.InplaceMemo(), QStringLiteral("by keys"));
        QTest::keyClick(&editing.InplaceMemo(), Qt::Key_Escape);
        QCOMPARE(w.Item(1).Notes().Lines(), std::vector<std::string>({"by keys"}));
        QTRY_VERIFY(editing.InplaceSpinEdit().hasFocus());
        QTest::keyClicks(&editing.InplaceSpinEdit(), QStringLiteral("7"));
        QTest::keyClick(&editing.InplaceSpinEdit(), Qt::Key_Return);
        QCOMPARE(w.Item(1).TotalTime(), 7);
        QTRY_VERIFY(editing.InplaceEdit().hasFocus());
        QTest::keyClick(&editing.InplaceEdit(), Qt::Key_Escape);
        QCOMPARE(w.Item(1).Resource(), std::string("Anna"));

        QCOMPARE(created.count(), 0);
        QCOMPARE(rejected.count(), 0);
        QVERIFY(w.dialog.isVisible());
    }
};

QTEST_MAIN(TestEditingWindow)
#include "tst_editing_window.moc"
