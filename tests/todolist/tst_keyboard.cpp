// The keys of the row list box that do not edit (the cell cursor, row navigation,
// type-ahead) and the full-text hints over truncated cells.

#include <QTest>

#include "todolist/list_test_support.h"

namespace {

std::unique_ptr<TTodoList> MakeKeyList() {
    auto list = MakeList(400, 200);
    list->AddColumn(tdSubject, "Subject")->SetWidth(80);
    list->AddColumn(tdCompletion, "Completion")->SetWidth(60);
    list->AddColumn(tdStatus, "Status")->SetWidth(30);
    list->AddColumn(tdResource, "Resource")->SetWidth(80);
    const char* subjects[] = {"Apples", "Bread", "Butter", "Cheese", "bananas"};
    const char* resources[] = {"Zed", "Yan", "Xia", "Wim", "Val"};
    for (int i = 0; i < 5; ++i) {
        TTodoItem* item = list->Items().Add();
        item->SetSubject(subjects[i]);
        item->SetResource(resources[i]);
        item->SetCompletion(50);
    }
    return list;
}

}  // namespace

class TestKeyboard : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { UseCrispTestFont(); }

    void leftAndRightMoveTheCellCursorAndAreSwallowed() {
        auto list = MakeKeyList();
        QVERIFY(ShowFocused(*list));
        TTodoListBox* box = list->ListBox();
        box->SetItemIndex(1);
        QList<int> seen;
        list->OnKeyDown = [&](QObject*, int& key, Qt::KeyboardModifiers) { seen << key; };
        QTest::keyClick(box, Qt::Key_Left);
        QCOMPARE(box->FocusColumn(), 0);
        QTest::keyClick(box, Qt::Key_Right);
        QTest::keyClick(box, Qt::Key_Right);
        QTest::keyClick(box, Qt::Key_Right);
        QTest::keyClick(box, Qt::Key_Right);
        QCOMPARE(box->FocusColumn(), 3);
        // The client's handler sees them swallowed, and the row stays.
        QCOMPARE(seen, QList<int>({0, 0, 0, 0, 0}));
        QCOMPARE(box->ItemIndex(), 1);
        QCOMPARE(box->TopIndex(), 0);
    }

    void navigationKeysRaiseOnItemSelect_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("selects");
        QTest::newRow("down") << int(Qt::Key_Down) << 1 << 2 << 1;
        QTest::newRow("up") << int(Qt::Key_Up) << 1 << 0 << 1;
        QTest::newRow("home") << int(Qt::Key_Home) << 3 << 0 << 1;
        QTest::newRow("end") << int(Qt::Key_End) << 0 << 4 << 1;
        QTest::newRow("page down") << int(Qt::Key_PageDown) << 0 << 4 << 1;
        QTest::newRow("up at the top") << int(Qt::Key_Up) << 0 << 0 << 0;
    }

    void navigationKeysRaiseOnItemSelect() {
        QFETCH(int, key);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, selects);
        auto list = MakeKeyList();
        list->SetEditable(false);
        QVERIFY(ShowFocused(*list));
        list->ListBox()->SetItemIndex(from);
        QList<TTodoItem*> selected;
        list->OnItemSelect = [&](QObject*, TTodoItem* item) { selected << item; };
        QTest::keyClick(list->ListBox(), Qt::Key(key));
        QCOMPARE(list->ListBox()->ItemIndex(), to);
        QCOMPARE(selected.size(), selects);
        if (selects > 0) {
            QCOMPARE(selected.first(), list->Items().At(to));
        }
    }

    void typeAhead_data() {
        QTest::addColumn<bool>("incremental");
        QTest::addColumn<int>("lookupColumn");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("selected");
        QTest::newRow("first letter") << false << 0 << 0 << "c" << 3;
        QTest::newRow("from the selected row") << false << 0 << 2 << "b" << 2;
        QTest::newRow("on from the selected row") << false << 0 << 3 << "b" << 4;
        QTest::newRow("case-insensitive, wrapping") << false << 0 << 4 << "a" << 0;
        QTest::newRow("last letter only") << false << 0 << 0 << "bu" << 1;
        QTest::newRow("incremental") << true << 0 << 0 << "bu" << 2;
        QTest::newRow("incremental restart") << true << 0 << 0 << "bc" << 3;
        QTest::newRow("no match stays") << false << 0 << 1 << "q" << 1;
        QTest::newRow("lookup column") << false << 3 << 0 << "x" << 2;
        QTest::newRow("not a text column") << false << 1 << 0 << "c" << 3;
    }

    void typeAhead() {
        QFETCH(bool, incremental);
        QFETCH(int, lookupColumn);
        QFETCH(int, start);
        QFETCH(QString, typed);
        QFETCH(int, selected);
        auto list = MakeKeyList();
        // In an editable list typed letters edit the current cell instead.
        list->SetEditable(false);
        QVERIFY(ShowFocused(*list));
        TTodoListBox* box = list->ListBox();
        box->SetLookupIncr(incremental);
        box->SetLookupTodo(lookupColumn);
        box->SetItemIndex(start);
        QTest::keyClicks(box, typed);
        QCOMPARE(box->ItemIndex(), selected);
    }

    void typeAheadBuffer() {
        auto list = MakeKeyList();
        QVERIFY(ShowFocused(*list));
        TTodoListBox* box = list->ListBox();
        box->SetLookupIncr(true);
        list->SetEditable(false);
        QTest::keyClicks(box, QStringLiteral("bu"));
        QCOMPARE(box->LookupBuffer(), QStringLiteral("BU"));
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->LookupBuffer(), QStringLiteral("B"));
        QTest::keyClick(box, Qt::Key_Down);
        QVERIFY(box->LookupBuffer().isEmpty());
        QTest::keyClicks(box, QStringLiteral("c"));
        QCOMPARE(box->LookupBuffer(), QStringLiteral("C"));
        // Typing in an editable list opens the editor of the current row instead.
        list->SetEditable(true);
        box->SetItemIndex(0);
        box->SetFocusColumn(0);
        QTest::keyClick(box, Qt::Key_B);
        QCOMPARE(box->ItemIndex(), 0);
        QVERIFY(box->CellEditing().Editing());
        list->EndEdit();
        // Getting the focus starts a new lookup.
        QVERIFY(box->hasFocus());
        box->clearFocus();
        box->setFocus();
        QVERIFY(box->LookupBuffer().isEmpty());
    }

    void hints_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<bool>("graphic");
        QTest::addColumn<QString>("hint");
        QTest::newRow("truncated subject") << 0 << "A subject much wider than its column" << true
                                           << "A subject much wider than its column";
        QTest::newRow("fitting subject") << 0 << "Tea" << true << "";
        QTest::newRow("blank subject") << 0 << "                              " << true << "";
        QTest::newRow("completion bar") << 1 << "x" << true << "";
        QTest::newRow("status text") << 2 << "x" << true << "Not started";
    }

    void hints() {
        QFETCH(int, column);
        QFETCH(QString, subject);
        QFETCH(bool, graphic);
        QFETCH(QString, hint);
        auto list = MakeKeyList();
        list->SetHintShowFullText(true);
        list->SetCompletionGraphic(graphic);
        list->Items().At(1)->SetSubject(subject.toStdString());
        TTodoListBox* box = list->ListBox();
        const QRect cell = box->CellRect(column, 1);
        TTodoHintInfo info;
        const bool shown = box->FullTextHint(cell.center(), info);
        QCOMPARE(shown, !hint.isEmpty());
        if (shown) {
            QCOMPARE(info.HintStr, hint);
            QCOMPARE(info.HintPos, box->viewport()->mapToGlobal(cell.topLeft()));
            QCOMPARE(info.CursorRect, QRect(info.HintPos, cell.size()));
            QCOMPARE(info.HintMaxWidth, list->width());
        }
    }

    void statusHintShowsThePlainText() {
        auto list = MakeKeyList();
        list->SetHintShowFullText(true);
        list->OnStatusToString = [](QObject*, TTodoStatus, std::string& text) {
            text.assign(1, '!');
        };
        TTodoHintInfo info;
        QVERIFY(list->ListBox()->FullTextHint(list->ListBox()->CellRect(2, 0).center(), info));
        QCOMPARE(info.HintStr, QStringLiteral("Not started"));
        // Off, nothing is filled in; nor outside the cells.
        TTodoHintInfo none;
        QVERIFY(!list->ListBox()->FullTextHint(QPoint(390, 5), none));
        list->SetHintShowFullText(false);
        QVERIFY(!list->ListBox()->FullTextHint(list->ListBox()->CellRect(2, 0).center(), none));
        QVERIFY(none.HintStr.isEmpty());
    }

    void hintWindowOpensOverTheCell() {
        auto list = MakeKeyList();
        list->SetHintShowFullText(true);
        list->Items().At(2)->SetSubject("A subject much wider than its column");
        TTodoListBox* box = list->ListBox();
        const QRect cell = box->CellRect(0, 2);
        QHelpEvent help(QEvent::ToolTip, cell.center(),
                        box->viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(box->viewport(), &help);
        const TTodoHintWindow& hint = box->HintWindow();
        QVERIFY(hint.isVisible());
        QCOMPARE(hint.text(), QStringLiteral("A subject much wider than its column"));
        QCOMPARE(hint.geometry().topLeft(), box->viewport()->mapToGlobal(cell.topLeft()));
        // Leaving the cell withdraws it.
        QTest::mouseMove(box->viewport(), box->CellRect(3, 0).center());
        QTRY_VERIFY(!hint.isVisible());
    }
};

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
