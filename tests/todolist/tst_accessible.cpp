// The row list box as assistive technology sees it through QAccessible: a table of named
// cells under the column headers, the current cell and the selection announced as they
// change, row changes reported to the table, and the in-place editor as the focus child.

#include <QAccessible>
#include <QTest>

#include "model/date_time.h"
#include "todolist/list_test_support.h"

using namespace Qt::Literals::StringLiterals;

namespace {

struct TRecorded {
    QAccessible::Event Type;
    int Child;
    QString Name;  // the name of the object the event is about, when it has one
    int FirstRow;
    int LastRow;
};

QList<TRecorded>& Recorded() {
    static QList<TRecorded> recorded;
    return recorded;
}

void Record(QAccessibleEvent* event) {
    TRecorded entry{event->type(), event->child(), QString(), -1, -1};
    if (event->type() == QAccessible::TableModelChanged) {
        const auto* change = static_cast<QAccessibleTableModelChangeEvent*>(event);
        entry.FirstRow = change->firstRow();
        entry.LastRow = change->lastRow();
    } else if (QAccessibleInterface* iface = event->accessibleInterface()) {
        entry.Name = iface->text(QAccessible::Name);
    }
    Recorded().append(entry);
}

// The events of the list box of one kind, each as its object's name (or its rows).
QStringList Events(QAccessible::Event type) {
    QStringList names;
    for (const TRecorded& entry : Recorded()) {
        if (entry.Type != type) {
            continue;
        }
        names.append(type == QAccessible::TableModelChanged
                         ? QStringLiteral("%1-%2").arg(entry.FirstRow).arg(entry.LastRow)
                         : entry.Name);
    }
    return names;
}

// A list with one column of every kind the cells read differently.
std::unique_ptr<TTodoList> MakeTable() {
    auto list = MakeList(700, 200);
    list->SetDateFormat(QStringLiteral("MM/d/yyyy"));
    list->AddColumn(tdComplete, "Done")->SetWidth(40);
    list->AddColumn(tdSubject, "Subject")->SetWidth(90);
    list->AddColumn(tdDueDate, "Due Date")->SetWidth(80);
    list->AddColumn(tdCompletion, "Completion")->SetWidth(70);
    list->AddColumn(tdPriority, "Priority")->SetWidth(60);
    list->AddColumn(tdStatus, "Status")->SetWidth(80);
    list->AddColumn(tdNotes, "Notes")->SetWidth(80);
    list->AddColumn(tdResource, "Resource")->SetWidth(80);
    const char* subjects[] = {"Buy milk", "Call Ann", "Water plants"};
    for (int i = 0; i < 3; ++i) {
        TTodoItem* item = list->Items().Add();
        item->SetSubject(subjects[i]);
        item->SetDueDate(QDateToDateTime(QDate(2024, 5, 9 + i)));
        item->SetCompletion(40);
        item->SetPriority(tpHigh);
        item->SetStatus(tsInProgress);
        item->SetNotes(TStringList{"first line", "second line"});
        item->SetComplete(i == 1);
    }
    return list;
}

QAccessibleInterface* TableOf(const TTodoList& list) {
    return QAccessible::queryAccessibleInterface(list.ListBox());
}

}  // namespace

class TestAccessible : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        UseCrispTestFont();
        // Events reach the handler only while QAccessible::isActive(), which takes a platform
        // bridge: offscreen it stays false whatever the test does (setActive only tells the
        // observers, a root object changes nothing), so the event tests run in the second
        // registration, under Xvfb with the accessibility bus (tests/support/with-atspi-bus).
        QAccessible::installUpdateHandler(Record);
        if (qEnvironmentVariableIsSet("QT_LINUX_ACCESSIBILITY_ALWAYS_ON")) {
            QTRY_VERIFY_WITH_TIMEOUT(QAccessible::isActive(), 10000);
        }
    }
    void init() { Recorded().clear(); }

    void cellsAreNamedByCaptionAndText_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("name");
        QTest::newRow("done, open") << 0 << 0 << "Done: unchecked";
        QTest::newRow("done, checked") << 1 << 0 << "Done: checked";
        QTest::newRow("subject") << 0 << 1 << "Subject: Buy milk";
        QTest::newRow("due date") << 0 << 2 << "Due Date: 05/9/2024";
        QTest::newRow("completion") << 0 << 3 << "Completion: 40%";
        QTest::newRow("completion of a done item") << 1 << 3 << "Completion: 100%";
        QTest::newRow("priority") << 2 << 4 << "Priority: High";
        QTest::newRow("status") << 2 << 5 << "Status: In progress";
        QTest::newRow("notes, first line") << 2 << 6 << "Notes: first line";
        QTest::newRow("empty cell: the caption alone") << 2 << 7 << "Resource";
    }
    void cellsAreNamedByCaptionAndText() {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, name);
        auto list = MakeTable();
        QAccessibleInterface* table = TableOf(*list);
        QVERIFY(table && table->tableInterface());
        QAccessibleInterface* cell = table->tableInterface()->cellAt(row, column);
        QVERIFY(cell);
        QCOMPARE(cell->role(), QAccessible::Cell);
        QCOMPARE(cell->text(QAccessible::Name), name);
        QVERIFY(name.endsWith(cell->text(QAccessible::Value)));
        QCOMPARE(cell->state().checkable, column == 0);
        QCOMPARE(cell->state().checked, column == 0 && row == 1);
        QAccessibleTableCellInterface* position = cell->tableCellInterface();
        QVERIFY(position);
        QCOMPARE(position->rowIndex(), row);
        QCOMPARE(position->columnIndex(), column);
        QCOMPARE(position->table(), table);
        // Its header is the column's caption.
        const QList<QAccessibleInterface*> headers = position->columnHeaderCells();
        QCOMPARE(headers.size(), 1);
        QCOMPARE(headers.first()->role(), QAccessible::ColumnHeader);
        QCOMPARE(name.startsWith(headers.first()->text(QAccessible::Name)), true);
    }

    void theTableHasHeadersThenCellsAndFindsThemByPosition() {
        auto list = MakeTable();
        QAccessibleInterface* table = TableOf(*list);
        QCOMPARE(table->role(), QAccessible::Table);
        QAccessibleTableInterface* grid = table->tableInterface();
        QCOMPARE(grid->rowCount(), 3);
        QCOMPARE(grid->columnCount(), 8);
        QCOMPARE(grid->columnDescription(2), QStringLiteral("Due Date"));
        QVERIFY(grid->rowDescription(0).startsWith(
            QStringLiteral("Done: unchecked, Subject: Buy milk, Due Date: 05/9/2024")));
        // Eight headers and 24 cells; every child knows its index and its parent.
        QCOMPARE(table->childCount(), 8 + 24);
        QCOMPARE(table->child(3)->text(QAccessible::Name), QStringLiteral("Completion"));
        for (int index = 0; index < table->childCount(); ++index) {
            QAccessibleInterface* child = table->child(index);
            QCOMPARE(table->indexOfChild(child), index);
            QCOMPARE(child->parent(), table);
        }
        // The cell under a point of its rectangle; the header over the rows.
        QAccessibleInterface* cell = grid->cellAt(2, 1);
        QCOMPARE(table->childAt(cell->rect().center().x(), cell->rect().center().y()), cell);
        QAccessibleInterface* header = table->child(1);
        QVERIFY(header->rect().bottom() < cell->rect().top());
        QCOMPARE(table->childAt(header->rect().center().x(), header->rect().center().y()), header);
        // The selection is the selected row.
        list->ListBox()->SetItemIndex(1);
        QCOMPARE(grid->selectedRows(), QList<int>{1});
        QCOMPARE(grid->selectedCellCount(), 8);
        QVERIFY(grid->cellAt(1, 4)->state().selected);
        QVERIFY(!grid->cellAt(0, 4)->state().selected);
        // Selecting a row is a user's selection.
        int selects = 0;
        list->OnItemSelect = [&](QObject*, TTodoItem*) { ++selects; };
        QVERIFY(grid->selectRow(2));
        QCOMPARE(list->ListBox()->ItemIndex(), 2);
        QCOMPARE(selects, 1);
    }

    void theCurrentCellIsAnnouncedWhenItMoves() {
        if (!QAccessible::isActive()) {
            QSKIP("no accessibility bridge on this platform");
        }
        auto list = MakeTable();
        TTodoListBox* box = list->ListBox();
        box->SetItemIndex(0);
        box->SetFocusColumn(1);
        QVERIFY(TableOf(*list));
        QVERIFY(ShowFocused(*list));
        // The focus arrives after the list box's own.
        QTRY_COMPARE(Events(QAccessible::Focus).value(Events(QAccessible::Focus).size() - 1),
                     QStringLiteral("Subject: Buy milk"));
        QCOMPARE(TableOf(*list)->focusChild()->text(QAccessible::Name),
                 QStringLiteral("Subject: Buy milk"));
        Recorded().clear();
        QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(Events(QAccessible::SelectionRemove), QStringList{u"Subject: Buy milk"_s});
        QCOMPARE(Events(QAccessible::Selection), QStringList{u"Subject: Call Ann"_s});
        QCOMPARE(Events(QAccessible::Focus), QStringList{u"Subject: Call Ann"_s});
        Recorded().clear();
        QTest::keyClick(box, Qt::Key_Right);
        QCOMPARE(Events(QAccessible::Selection), QStringList());
        QCOMPARE(Events(QAccessible::Focus), QStringList{u"Due Date: 05/10/2024"_s});
        // A changed text of the current cell is announced; a repaint that changes nothing
        // is not.
        Recorded().clear();
        box->RepaintRow(1);
        list->Items().At(1)->SetDueDate(QDateToDateTime(QDate(2024, 6, 1)));
        QCOMPARE(Events(QAccessible::NameChanged), QStringList{u"Due Date: 06/1/2024"_s});
    }

    void rowChangesReachTheTable() {
        if (!QAccessible::isActive()) {
            QSKIP("no accessibility bridge on this platform");
        }
        auto list = MakeTable();
        QAccessibleInterface* table = TableOf(*list);
        Recorded().clear();
        list->Items().Add()->SetSubject("Fourth");
        list->Items().Add()->SetSubject("Fifth");
        QCOMPARE(Events(QAccessible::TableModelChanged), QStringList({u"3-3"_s, u"4-4"_s}));
        QCOMPARE(table->tableInterface()->rowCount(), 5);
        // The cells of a row that goes are deleted.
        const QAccessible::Id gone = QAccessible::uniqueId(table->tableInterface()->cellAt(4, 1));
        Recorded().clear();
        list->Items().Delete(0);
        QCOMPARE(Events(QAccessible::TableModelChanged), QStringList{u"4-4"_s});
        QVERIFY(!QAccessible::accessibleInterface(gone));
        QCOMPARE(table->tableInterface()->cellAt(0, 1)->text(QAccessible::Name),
                 QStringLiteral("Subject: Call Ann"));
        // Sorting moves every row's content: the table starts over.
        Recorded().clear();
        list->SetSortColumn(1);
        list->SetSortDirection(sdDescending);
        list->SetSorted(true);
        QCOMPARE(Events(QAccessible::TableModelChanged), QStringList{u"-1--1"_s});
        QCOMPARE(table->tableInterface()->cellAt(0, 1)->text(QAccessible::Name),
                 QStringLiteral("Subject: Water plants"));
        QCOMPARE(table->childCount(), 8 + 4 * 8);
    }

    void anOpenEditorIsTheFocusChild() {
        auto list = MakeTable();
        TTodoListBox* box = list->ListBox();
        box->SetItemIndex(0);
        box->SetFocusColumn(1);
        QVERIFY(ShowFocused(*list));
        QAccessibleInterface* table = TableOf(*list);
        QTest::keyClick(box, Qt::Key_F2);
        QVERIFY(box->CellEditing().Editing());
        QAccessibleInterface* editor = table->focusChild();
        QVERIFY(editor);
        QCOMPARE(editor->object(), box->CellEditing().ActiveEditor());
        QCOMPARE(editor->role(), QAccessible::EditableText);
        QCOMPARE(editor->text(QAccessible::Name), QStringLiteral("Subject"));
        QCOMPARE(editor->text(QAccessible::Value), QStringLiteral("Buy milk"));
        QCOMPARE(table->child(table->childCount() - 1), editor);
        QCOMPARE(table->indexOfChild(editor), table->childCount() - 1);
        // The edit ends; the cell is current again.
        QTest::keyClick(box->CellEditing().ActiveEditor(), Qt::Key_Return);
        QTRY_VERIFY(!box->CellEditing().Editing());
        QCOMPARE(table->childCount(), 8 + 24);
        QCOMPARE(table->focusChild()->text(QAccessible::Name), QStringLiteral("Subject: Buy milk"));
    }

    void aCellsActionsMoveTheCursorAndEdit() {
        auto list = MakeTable();
        TTodoListBox* box = list->ListBox();
        QVERIFY(ShowFocused(*list));
        QAccessibleInterface* cell = TableOf(*list)->tableInterface()->cellAt(2, 2);
        QAccessibleActionInterface* actions = cell->actionInterface();
        QVERIFY(actions);
        QCOMPARE(actions->actionNames(), QStringList({QAccessibleActionInterface::setFocusAction(),
                                                      QAccessibleActionInterface::pressAction()}));
        actions->doAction(QAccessibleActionInterface::setFocusAction());
        QCOMPARE(box->ItemIndex(), 2);
        QCOMPARE(box->FocusColumn(), 2);
        QVERIFY(cell->state().focused);
        QVERIFY(!box->CellEditing().Editing());
        actions->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(box->CellEditing().Editing());
        QCOMPARE(box->CellEditing().EditedColumn(), 2);
    }

    // A column header's one action sorts by its column as a click does: first to it, then
    // the other way. A sort resets the table, headers too, so each press asks anew.
    void aColumnHeaderSortsWhenPressed() {
        auto list = MakeTable();
        QVERIFY(ShowFocused(*list));
        const auto header = [&list] {
            return TableOf(*list)
                ->tableInterface()
                ->cellAt(0, 1)
                ->tableCellInterface()
                ->columnHeaderCells()
                .first()
                ->actionInterface();
        };
        QVERIFY(header());
        QCOMPARE(header()->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
        const auto subjects = [&list] {
            std::vector<std::string> texts;
            for (int row = 0; row < list->ListBox()->RowCount(); ++row) {
                texts.push_back(list->ListBox()->RowItem(row)->Subject());
            }
            return texts;
        };
        list->SetSortColumn(2);
        list->SetSorted(true);
        header()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(list->SortColumn(), 1);
        const TSortDirection first = list->SortDirection();
        header()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(list->SortColumn(), 1);
        QVERIFY(list->SortDirection() != first);
        using Texts = std::vector<std::string>;
        QVERIFY(subjects() == (list->SortDirection() == sdAscending
                                   ? Texts{"Buy milk", "Call Ann", "Water plants"}
                                   : Texts{"Water plants", "Call Ann", "Buy milk"}));
    }
};

QTEST_MAIN(TestAccessible)
#include "tst_accessible.moc"
