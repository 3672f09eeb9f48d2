// Sorting through the control: the settings and their header mirrors, when a sort runs,
// the examples of the ordering, the selection that follows its content, and the error for
// a sort column that does not exist.

#include <QTest>

#include "todolist/list_test_support.h"

namespace {

struct Fixture {
    std::unique_ptr<TTodoList> list = std::make_unique<TTodoList>();
    int selections = 0;
    TTodoItem* selected = nullptr;

    Fixture() {
        list->OnItemSelect = [this](QObject*, TTodoItem* item) {
            ++selections;
            selected = item;
        };
    }

    // Items named by subject, with the given completion as the sort key.
    void AddKeyed(const std::vector<std::pair<const char*, int>>& items) {
        for (const auto& [subject, key] : items) {
            TTodoItem* item = list->Items().Add();
            item->SetSubject(subject);
            item->SetCompletion(static_cast<TCompletion>(key));
            item->SetProject(std::string("project of ") + subject);
        }
    }

    QStringList Subjects() const {
        QStringList result;
        for (const TTodoItem* item : list->Items()) {
            result << QString::fromStdString(item->Subject());
        }
        return result;
    }

    QList<int> Completions() const {
        QList<int> result;
        for (const TTodoItem* item : list->Items()) {
            result << item->Completion();
        }
        return result;
    }
};

}  // namespace

class TestSortList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Texts sort by the user's locale; the tests fix it.
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void equalKeysAtTheEnds() {
        Fixture f;
        f.list->AddColumn(tdCompletion, "Completion");
        f.AddKeyed({{"A", 1}, {"B", 0}, {"C", 1}, {"D", 0}});
        f.list->SetSorted(true);
        QCOMPARE(f.Subjects(), QStringList({QStringLiteral("D"), QStringLiteral("B"),
                                            QStringLiteral("C"), QStringLiteral("A")}));
    }

    void pivotMovesDuringThePartition() {
        Fixture f;
        f.list->AddColumn(tdCompletion, "Completion");
        f.AddKeyed({{"a", 1}, {"b", 5}, {"c", 0}, {"d", 0}});
        f.list->SetSorted(true);
        QCOMPARE(f.Completions(), QList<int>({0, 0, 1, 5}));
    }

    void selectionFollowsItsContent() {
        Fixture f;
        f.list->AddColumn(tdSubject, "Subject");
        f.AddKeyed({{"delta", 0}, {"alpha", 0}, {"echo", 0}, {"charlie", 0}, {"bravo", 0}});
        f.list->ListBox()->SetItemIndex(2);  // echo
        f.list->SetSorted(true);
        QCOMPARE(f.Subjects(), QStringList({QStringLiteral("alpha"), QStringLiteral("bravo"),
                                            QStringLiteral("charlie"), QStringLiteral("delta"),
                                            QStringLiteral("echo")}));
        QCOMPARE(f.list->ListBox()->ItemIndex(), 4);
        QCOMPARE(f.selections, 1);
        QCOMPARE(f.selected, f.list->Items().At(4));
        QCOMPARE(f.list->SelectedItem()->Subject(), std::string("echo"));
    }

    void everyItemKeepsItsOwnContent() {
        Fixture f;
        f.list->AddColumn(tdProject, "Project");
        f.AddKeyed({{"x", 3}, {"y", 1}, {"z", 2}});
        f.list->Items().At(0)->SetProject("Pc");
        f.list->Items().At(1)->SetProject("Pa");
        f.list->Items().At(2)->SetProject("Pb");
        f.list->Items().At(1)->SetNotes(TStringList{"notes of y"});
        f.list->SetSorted(true);
        QCOMPARE(f.Subjects(),
                 QStringList({QStringLiteral("y"), QStringLiteral("z"), QStringLiteral("x")}));
        QCOMPARE(f.list->Items().At(0)->Project(), std::string("Pa"));
        QCOMPARE(f.list->Items().At(0)->Completion(), 1);
        QCOMPARE(f.list->Items().At(0)->NotesLine(), std::string("notes of y"));
        QCOMPARE(f.list->Items().At(2)->Project(), std::string("Pc"));
    }

    void orderByKind_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("direction");
        QTest::addColumn<QStringList>("expected");
        // American English collation: lower case before upper case, letters before others.
        QTest::newRow("subject is case-sensitive")
            << int(tdSubject) << int(sdAscending)
            << QStringList({QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("3"),
                            QStringLiteral("2")});
        QTest::newRow("complete: incomplete first")
            << int(tdComplete) << int(sdAscending)
            << QStringList({QStringLiteral("3"), QStringLiteral("1"), QStringLiteral("2"),
                            QStringLiteral("0")});
        QTest::newRow("priority: lowest first")
            << int(tdPriority) << int(sdAscending)
            << QStringList({QStringLiteral("2"), QStringLiteral("0"), QStringLiteral("3"),
                            QStringLiteral("1")});
        QTest::newRow("due date: never set first")
            << int(tdDueDate) << int(sdAscending)
            << QStringList({QStringLiteral("3"), QStringLiteral("1"), QStringLiteral("2"),
                            QStringLiteral("0")});
        QTest::newRow("completion descending: 100 first")
            << int(tdCompletion) << int(sdDescending)
            << QStringList({QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("3"),
                            QStringLiteral("2")});
        QTest::newRow("status by its order")
            << int(tdStatus) << int(sdAscending)
            << QStringList({QStringLiteral("2"), QStringLiteral("0"), QStringLiteral("3"),
                            QStringLiteral("1")});
        QTest::newRow("total time by value")
            << int(tdTotalTime) << int(sdAscending)
            << QStringList({QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("0"),
                            QStringLiteral("1")});
    }

    void orderByKind() {
        QFETCH(int, kind);
        QFETCH(int, direction);
        QFETCH(QStringList, expected);
        Fixture f;
        f.list->AddColumn(static_cast<TTodoData>(kind), "Key");
        struct Row {
            const char* resource;  // the row's name, kept in Resource
            const char* subject;
            bool complete;
            TTodoPriority priority;
            TDateTime due;
            int completion;
            TTodoStatus status;
            int totalTime;
        };
        const Row rows[] = {
            {"0", "apple", true, tpNormal, 45000.0, 60, tsCompleted, 5},
            {"1", "Apple", false, tpHighest, 40000.0, 100, tsDeferred, 9},
            {"2", "banana", true, tpLowest, 42000.0, 10, tsNotStarted, 3},
            {"3", "Apricot", false, tpHigh, 0.0, 30, tsInProgress, -1},
        };
        for (const Row& row : rows) {
            TTodoItem* item = f.list->Items().Add();
            item->SetResource(row.resource);
            item->SetSubject(row.subject);
            item->SetComplete(row.complete);
            item->SetPriority(row.priority);
            item->SetDueDate(row.due);
            item->SetCompletion(static_cast<TCompletion>(row.completion));
            item->SetStatus(row.status);
            item->SetTotalTime(row.totalTime);
        }
        f.list->SetSortDirection(static_cast<TSortDirection>(direction));
        f.list->SetSorted(true);
        QStringList order;
        for (const TTodoItem* item : f.list->Items()) {
            order << QString::fromStdString(item->Resource());
        }
        QCOMPARE(order, expected);
    }

    void whenASortRuns() {
        Fixture f;
        f.list->AddColumn(tdCompletion, "Completion");
        f.list->AddColumn(tdSubject, "Subject");
        f.AddKeyed({{"b", 2}, {"a", 1}});
        f.list->SetSortColumn(0);  // unchanged, and Sorted is off anyway
        QCOMPARE(f.Subjects(), QStringList({QStringLiteral("b"), QStringLiteral("a")}));
        f.list->SetSortColumn(1);
        f.list->SetSortDirection(sdDescending);
        QCOMPARE(f.Subjects(),
                 QStringList(
                     {QStringLiteral("b"), QStringLiteral("a")}));  // off: only the settings change
        QCOMPARE(f.selections, 0);
        QCOMPARE(f.list->Header()->SortedSection(), 1);
        QCOMPARE(f.list->Header()->SortDirection(), sdDescending);
        QVERIFY(!f.list->Header()->SortShow());

        f.list->SetSorted(true);
        QVERIFY(f.list->Header()->SortShow());
        QCOMPARE(f.Subjects(), QStringList({QStringLiteral("b"), QStringLiteral("a")}));
        QCOMPARE(f.selections, 1);
        f.list->SetSortDirection(sdAscending);
        QCOMPARE(f.Subjects(), QStringList({QStringLiteral("a"), QStringLiteral("b")}));
        QCOMPARE(f.selections, 2);

        // Items added later stay where they are: the same sort column does not sort again.
        f.AddKeyed({{"0", 9}});
        f.list->SetSortColumn(1);
        QCOMPARE(f.Subjects(),
                 QStringList({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("0")}));
        QCOMPARE(f.selections, 2);
        f.list->SetSorted(true);  // True again does
        QCOMPARE(f.Subjects(),
                 QStringList({QStringLiteral("0"), QStringLiteral("a"), QStringLiteral("b")}));
        QCOMPARE(f.selections, 3);
        f.list->SetSorted(false);
        QVERIFY(!f.list->Header()->SortShow());
        QCOMPARE(f.selections, 3);
    }

    void fewItemsStillReselectAndNotify() {
        Fixture f;
        f.list->SetSorted(true);  // no items, no columns: nothing to compare
        QCOMPARE(f.selections, 1);
        QCOMPARE(f.selected, nullptr);
        f.list->Items().Add()->SetSubject("only");
        f.list->ListBox()->SetItemIndex(0);
        f.list->Sort();
        QCOMPARE(f.selections, 2);
        QCOMPARE(f.selected, f.list->Items().At(0));
    }

    void missingSortColumnFailsBeforeAnythingMoves() {
        Fixture f;
        f.list->AddColumn(tdSubject, "Subject");
        f.AddKeyed({{"b", 0}, {"a", 0}});
        f.list->ListBox()->SetItemIndex(0);
        f.list->SetSortColumn(3);
        try {
            f.list->SetSorted(true);
            QFAIL("no exception");
        } catch (const EListError& e) {
            QCOMPARE(e.Message(), QStringLiteral("List index out of bounds (3)"));
        }
        QCOMPARE(f.Subjects(), QStringList({QStringLiteral("b"), QStringLiteral("a")}));
        QCOMPARE(f.list->ListBox()->ItemIndex(), 0);
        QCOMPARE(f.selections, 0);
        QCOMPARE(f.list->SortColumn(), 3);  // the invalid value stays
        QVERIFY(f.list->Sorted());
        QVERIFY_THROWS_EXCEPTION(EListError, f.list->SetSortDirection(sdDescending));
        f.list->SetSortColumn(0);
        QCOMPARE(f.Subjects(), QStringList({QStringLiteral("b"), QStringLiteral("a")}));
    }
};

QTEST_MAIN(TestSortList)
#include "tst_sort_list.moc"
