#include <QRandomGenerator>
#include <QTest>
#include <algorithm>

#include "model/todo_sort.h"
#include "recording_owner.h"

namespace {

QCollator English() {
    QCollator collator{QLocale(QLocale::English, QLocale::UnitedStates)};
    collator.setCaseSensitivity(Qt::CaseSensitive);
    return collator;
}

// Items named by their subject, with the completion as the sort key.
void Fill(TTodoItemCollection& items, const QStringList& names, const QList<int>& keys) {
    for (int i = 0; i < names.size(); ++i) {
        TTodoItem* item = items.Add();
        item->SetSubject(names[i].toStdString());
        item->SetProject("project of " + names[i].toStdString());
        item->SetCompletion(TCompletion(keys[i]));
    }
}

// The partition sort written out plainly, exchanging the items themselves at every step:
// what the list's sort must give, however it gets there.
void ReferenceSort(TTodoItemCollection& items, int lo, int hi, TTodoData kind, bool descending,
                   const QCollator& collator, int& selected) {
    auto compare = [&](int a, int b) {
        const int result = CompareTodoItems(*items.At(a), *items.At(b), kind, collator);
        return descending ? -result : result;
    };
    auto follow = [](int& position, int i, int j) {
        if (position == i) {
            position = j;
        } else if (position == j) {
            position = i;
        }
    };
    int i = lo;
    int j = hi;
    int p = (lo + hi) / 2;
    do {
        while (compare(p, i) > 0 && i < hi) {
            ++i;
        }
        while (compare(p, j) < 0 && j > lo) {
            --j;
        }
        if (i <= j) {
            if (i != j && compare(i, j) != 0) {
                follow(selected, i, j);
                follow(p, i, j);
                items.At(i)->Exchange(*items.At(j));
            }
            ++i;
            --j;
        }
    } while (i <= j);
    if (lo < j) {
        ReferenceSort(items, lo, j, kind, descending, collator, selected);
    }
    if (i < hi) {
        ReferenceSort(items, i, hi, kind, descending, collator, selected);
    }
}

QStringList Subjects(const TTodoItemCollection& items) {
    QStringList out;
    for (const TTodoItem* item : items) {
        out << QString::fromStdString(item->Subject());
    }
    return out;
}

}  // namespace

class TestSort : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The partition sort is not stable: these orders are what the exchanges produce.
    void knownOrders_data() {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("1 0 1 0") << QList<int>{1, 0, 1, 0}
                                 << QStringList{QStringLiteral("D"), QStringLiteral("B"),
                                                QStringLiteral("C"), QStringLiteral("A")};
        QTest::newRow("1 5 0 0") << QList<int>{1, 5, 0, 0}
                                 << QStringList{QStringLiteral("C"), QStringLiteral("D"),
                                                QStringLiteral("A"), QStringLiteral("B")};
    }
    void knownOrders() {
        QFETCH(QList<int>, keys);
        QFETCH(QStringList, expected);
        TTodoItemCollection items;
        Fill(items,
             {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")},
             keys);
        int selected = -1;
        const QCollator collator = English();
        SortTodoItems(items, tdCompletion, sdAscending, selected, &collator);
        QCOMPARE(Subjects(items), expected);
        QCOMPARE(selected, -1);
        for (const TTodoItem* item : items) {
            QCOMPARE(item->Project(), "project of " + item->Subject());
        }
    }

    void selectionFollowsItsContent() {
        const QCollator collator = English();
        for (int start = 0; start < 6; ++start) {
            TTodoItemCollection items;
            Fill(items,
                 {QStringLiteral("f"), QStringLiteral("e"), QStringLiteral("d"),
                  QStringLiteral("c"), QStringLiteral("b"), QStringLiteral("a")},
                 {6, 5, 4, 3, 2, 1});
            int selected = start;
            const std::string subject = items.GetItem(start)->Subject();
            SortTodoItems(items, tdSubject, sdAscending, selected, &collator);
            QCOMPARE(items.GetItem(selected)->Subject(), subject);
        }
    }

    void byKind_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("direction");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("subject is case-sensitive")
            << int(tdSubject) << int(sdAscending)
            << QStringList{QStringLiteral("apple"), QStringLiteral("Apple"),
                           QStringLiteral("banana")};
        QTest::newRow("complete: open first")
            << int(tdComplete) << int(sdAscending)
            << QStringList{QStringLiteral("banana"), QStringLiteral("apple"),
                           QStringLiteral("Apple")};
        QTest::newRow("priority: lowest first")
            << int(tdPriority) << int(sdAscending)
            << QStringList{QStringLiteral("Apple"), QStringLiteral("banana"),
                           QStringLiteral("apple")};
        QTest::newRow("due date: never set first")
            << int(tdDueDate) << int(sdAscending)
            << QStringList{QStringLiteral("banana"), QStringLiteral("Apple"),
                           QStringLiteral("apple")};
        QTest::newRow("completion descending: 100 first")
            << int(tdCompletion) << int(sdDescending)
            << QStringList{QStringLiteral("apple"), QStringLiteral("banana"),
                           QStringLiteral("Apple")};
        QTest::newRow("status by ordinal")
            << int(tdStatus) << int(sdAscending)
            << QStringList{QStringLiteral("Apple"), QStringLiteral("apple"),
                           QStringLiteral("banana")};
        QTest::newRow("total time numerically")
            << int(tdTotalTime) << int(sdAscending)
            << QStringList{QStringLiteral("banana"), QStringLiteral("apple"),
                           QStringLiteral("Apple")};
        QTest::newRow("notes text")
            << int(tdNotes) << int(sdAscending)
            << QStringList{QStringLiteral("banana"), QStringLiteral("Apple"),
                           QStringLiteral("apple")};
        QTest::newRow("handle leaves the order")
            << int(tdHandle) << int(sdAscending)
            << QStringList{QStringLiteral("banana"), QStringLiteral("apple"),
                           QStringLiteral("Apple")};
    }
    void byKind() {
        QFETCH(int, kind);
        QFETCH(int, direction);
        QFETCH(QStringList, expected);
        TTodoItemCollection items;
        struct Row {
            const char* subject;
            bool complete;
            TTodoPriority priority;
            double due;
            int completion;
            TTodoStatus status;
            int total;
            const char* notes;
        };
        const Row rows[] = {
            {"banana", false, tpNormal, 0.0, 50, tsDeferred, -3, "a"},
            {"apple", true, tpHighest, 45001.0, 100, tsCompleted, 10, "c"},
            {"Apple", true, tpLowest, 45000.0, 5, tsNotStarted, 200, "b"},
        };
        for (const Row& row : rows) {
            TTodoItem* item = items.Add();
            item->SetSubject(row.subject);
            item->SetComplete(row.complete);
            item->SetPriority(row.priority);
            item->SetDueDate(row.due);
            item->SetCompletion(TCompletion(row.completion));
            item->SetStatus(row.status);
            item->SetTotalTime(row.total);
            item->SetNotes(TStringList{row.notes});
        }
        int selected = 0;
        const QCollator collator = English();
        SortTodoItems(items, TTodoData(kind), TSortDirection(direction), selected, &collator);
        QCOMPARE(Subjects(items), expected);
    }

    // Large random lists come out ordered, with every item's fields still together.
    void randomListsAreOrdered() {
        const QCollator collator = English();
        QRandomGenerator random(1234);
        for (int round = 0; round < 20; ++round) {
            TTodoItemCollection items;
            const int count = int(random.bounded(2, 400));
            for (int i = 0; i < count; ++i) {
                TTodoItem* item = items.Add();
                const int key = int(random.bounded(0, round % 2 ? 5 : 1000));
                item->SetTotalTime(key);
                item->SetSubject(
                    QStringLiteral("s%1").arg(key, 4, 10, QLatin1Char('0')).toStdString());
                item->SetTag(key);
            }
            int selected = int(random.bounded(0, count));
            const int selectedTag = items.GetItem(selected)->Tag();
            const TTodoData kind = round % 3 ? tdTotalTime : tdSubject;
            const TSortDirection direction = round % 4 == 1 ? sdDescending : sdAscending;
            SortTodoItems(items, kind, direction, selected, &collator);
            for (int i = 1; i < count; ++i) {
                const int a = items.GetItem(i - 1)->Tag();
                const int b = items.GetItem(i)->Tag();
                QVERIFY(direction == sdAscending ? a <= b : a >= b);
                QCOMPARE(items.GetItem(i)->TotalTime(), b);
            }
            QCOMPARE(items.GetItem(selected)->Tag(), selectedTag);
        }
    }

    // Equal keys are where sorting methods differ: the list must put equal items in
    // exactly the order the exchanges of the partition sort leave them in.
    void sameOrderAsExchangingItems_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("distinct");
        QTest::addColumn<int>("length");  // 0 for ten lists of random lengths
        QTest::newRow("total time, 3 values") << int(tdTotalTime) << int(sdAscending) << 3 << 0;
        QTest::newRow("due date, 40 values") << int(tdDueDate) << int(sdAscending) << 40 << 0;
        QTest::newRow("priority, descending") << int(tdPriority) << int(sdDescending) << 5 << 0;
        QTest::newRow("subject, 7 texts") << int(tdSubject) << int(sdAscending) << 7 << 0;
        QTest::newRow("notes, descending") << int(tdNotes) << int(sdDescending) << 4 << 0;
        QTest::newRow("all different") << int(tdCreationDate) << int(sdAscending) << 100000 << 0;
        // Long enough to be sorted on several threads.
        QTest::newRow("long, due date, 300 values")
            << int(tdDueDate) << int(sdAscending) << 300 << 40000;
        QTest::newRow("long, subject, descending")
            << int(tdSubject) << int(sdDescending) << 50 << 40000;
    }
    void sameOrderAsExchangingItems() {
        QFETCH(int, kind);
        QFETCH(int, direction);
        QFETCH(int, distinct);
        QFETCH(int, length);
        const QCollator collator = English();
        QRandomGenerator random(quint32(kind * 31 + distinct));
        for (int round = 0; round < (length > 0 ? 4 : 10); ++round) {
            const int count = length > 0 ? length : int(random.bounded(2, 600));
            TTodoItemCollection sorted;
            TTodoItemCollection expected;
            for (int i = 0; i < count; ++i) {
                const int key = int(random.bounded(0, distinct));
                for (TTodoItemCollection* items : {&sorted, &expected}) {
                    TTodoItem* item = items->Add();
                    // A soft hyphen is ignored by collation: texts that differ, equal keys.
                    item->SetSubject((key % 2 ? "Key " : "key ") +
                                     std::string(i % 2 ? "\xC2\xAD" : "") + std::to_string(key));
                    item->SetNotes(TStringList{"note " + std::to_string(key % 4)});
                    item->SetTotalTime(key);
                    item->SetDueDate(45000.0 + key);
                    item->SetCreationDate(40000.0 + key * 0.5);
                    item->SetPriority(TTodoPriority(key % 5));
                    item->SetTag(i);  // which item this content is
                    // The rest of the content, different for each item, travels with it.
                    item->SetResource("r" + std::to_string(i));
                    item->SetProject(std::string(std::size_t(i % 40), 'p'));
                    item->SetCompletion(TCompletion(i % 101));
                    item->SetComplete(i % 3 == 0);
                    item->SetStatus(TTodoStatus(i % 4));
                    item->SetImageIndex(i);
                    item->SetCompletionDate(30000.0 + i);
                }
            }
            const int start = int(random.bounded(-1, count));
            int selected = start;
            const std::vector<int> order =
                SortedTodoOrder(sorted, TTodoData(kind), TSortDirection(direction), &collator);
            SortTodoItems(sorted, TTodoData(kind), TSortDirection(direction), selected, &collator);
            int reference = start;
            ReferenceSort(expected, 0, count - 1, TTodoData(kind), direction == sdDescending,
                          collator, reference);
            for (int i = 0; i < count; ++i) {
                QCOMPARE(sorted.At(i)->Tag(), expected.At(i)->Tag());
                QCOMPARE(sorted.At(i)->Subject(), expected.At(i)->Subject());
                QCOMPARE(sorted.At(i)->Notes().Text(), expected.At(i)->Notes().Text());
                QCOMPARE(sorted.At(i)->Resource(), expected.At(i)->Resource());
                QCOMPARE(sorted.At(i)->Project(), expected.At(i)->Project());
                QCOMPARE(sorted.At(i)->Completion(), expected.At(i)->Completion());
                QCOMPARE(sorted.At(i)->Complete(), expected.At(i)->Complete());
                QCOMPARE(sorted.At(i)->Status(), expected.At(i)->Status());
                QCOMPARE(sorted.At(i)->ImageIndex(), expected.At(i)->ImageIndex());
                QCOMPARE(sorted.At(i)->CompletionDate(), expected.At(i)->CompletionDate());
                QCOMPARE(sorted.At(i)->TotalTime(), expected.At(i)->TotalTime());
                QCOMPARE(sorted.At(i)->DueDate(), expected.At(i)->DueDate());
                QCOMPARE(sorted.At(i)->Index(), i);
                QCOMPARE(order[std::size_t(i)], sorted.At(i)->Tag());  // the order alone
            }
            QCOMPARE(selected, reference);
        }
    }

    void fewerThanTwoItemsMoveNothing() {
        RecordingOwner owner;
        TTodoItemCollection items(&owner);
        owner.items = &items;
        int selected = -1;
        SortTodoItems(items, tdSubject, sdAscending, selected);
        items.Add()->SetSubject("only");
        owner.take();
        selected = 0;
        SortTodoItems(items, tdSubject, sdDescending, selected);
        QCOMPARE(selected, 0);
        QCOMPARE(owner.take(), QStringList());
    }

    void compareByKind() {
        TTodoItemCollection items;
        TTodoItem* a = items.Add();
        TTodoItem* b = items.Add();
        const QCollator collator = English();
        a->SetImageIndex(-1);
        b->SetImageIndex(2);
        QVERIFY(CompareTodoItems(*a, *b, tdImage, collator) < 0);
        a->SetCreationDate(-1.5);  // before the epoch
        QVERIFY(CompareTodoItems(*a, *b, tdCreationDate, collator) < 0);
        QCOMPARE(CompareTodoItems(*a, *b, tdHandle, collator), 0);
        QCOMPARE(CompareTodoItems(*a, *b, TTodoData(99), collator), 0);
        a->SetResource("zeta");
        b->SetResource("Alpha");
        QVERIFY(CompareTodoItems(*a, *b, tdResource, collator) > 0);
        a->SetProject("x");
        b->SetProject("x");
        QCOMPARE(CompareTodoItems(*a, *b, tdProject, collator), 0);
    }
};

QTEST_GUILESS_MAIN(TestSort)
#include "tst_sort.moc"
