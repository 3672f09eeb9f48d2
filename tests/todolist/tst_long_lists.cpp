#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include "list_test_support.h"
#include "model/todo_file.h"

namespace {

void AddItems(TTodoList& list, int count, const std::string& prefix) {
    list.Items().BeginUpdate();
    for (int i = 0; i < count; ++i) {
        list.Items().Add()->SetSubject(prefix + std::to_string(i));
    }
    list.Items().EndUpdate();
}

int ScrollMaximum(const TTodoList& list) {
    return list.ListBox()->verticalScrollBar()->maximum();
}

}  // namespace

// Long lists change in update brackets (Clear, loading, a caller's own bracket), where the
// rows follow the items at once but the scroll range is set once at the bracket's end.
class TestLongLists : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { UseCrispTestFont(); }

    void bracketSetsTheRangeAtItsEnd() {
        auto list = MakeList();
        list->AddColumn(tdSubject, "Subject");
        const int visible = list->ListBox()->VisibleRowCount();
        AddItems(*list, 3000, "item ");
        QCOMPARE(list->ListBox()->RowCount(), 3000);
        QCOMPARE(ScrollMaximum(*list), 3000 - visible);

        list->ListBox()->SetTopIndex(2990);
        list->ListBox()->SetItemIndex(2995);
        list->Items().Clear();
        QCOMPARE(list->ListBox()->RowCount(), 0);
        QCOMPARE(list->ListBox()->ItemIndex(), -1);
        QCOMPARE(ScrollMaximum(*list), 0);
        QCOMPARE(list->ListBox()->TopIndex(), 0);
    }

    // A row selected inside a bracket is scrolled to with the rows as they are then.
    void selectingInsideABracket() {
        auto list = MakeList();
        list->AddColumn(tdSubject, "Subject");
        const int visible = list->ListBox()->VisibleRowCount();
        list->Items().BeginUpdate();
        for (int i = 0; i < 500; ++i) {
            list->Items().Add()->SetSubject("row " + std::to_string(i));
        }
        list->Items().GetItem(400)->Select();
        QCOMPARE(list->ListBox()->ItemIndex(), 400);
        QCOMPARE(list->ListBox()->TopIndex(), 400 - visible + 1);
        list->Items().EndUpdate();
        QCOMPARE(ScrollMaximum(*list), 500 - visible);
        QCOMPARE(list->ListBox()->TopIndex(), 400 - visible + 1);
    }

    // Opening a file over a long list, as File > Open does: the old rows go, the new ones
    // come, nothing is selected, and the scroll range fits the new list.
    void loadingOverALongList() {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("short.2do"));
        {
            TTodoItemCollection items;
            for (int i = 0; i < 50; ++i) {
                items.Add()->SetSubject("new " + std::to_string(i));
            }
            SaveToFile(items, path);
        }
        auto list = MakeList();
        list->AddColumn(tdSubject, "Subject");
        const int visible = list->ListBox()->VisibleRowCount();
        AddItems(*list, 5000, "old ");
        list->ListBox()->SetTopIndex(4000);
        list->ListBox()->SetItemIndex(4001);
        list->LoadFromFile(path);
        QCOMPARE(list->ListBox()->RowCount(), 50);
        QCOMPARE(list->ListBox()->ItemIndex(), -1);
        QCOMPARE(ScrollMaximum(*list), 50 - visible);
        QVERIFY(list->ListBox()->TopIndex() <= 50 - visible);
        QCOMPARE(list->Items().GetItem(0)->Subject(), std::string("new 0"));
    }
};

QTEST_MAIN(TestLongLists)
#include "tst_long_lists.moc"
