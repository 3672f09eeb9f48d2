// A window with a few hundred items that shows, sorts, resizes and reorders through the
// mouse and keys. Runs on the offscreen platform and, through tests/support/with-xvfb, in a
// real X window; there the pixels on the screen are compared with the widget's own.

#include <QCollator>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

#include "manual/sample_list.h"
#include "model/todo_sort.h"
#include "todolist/list_test_support.h"

namespace {

constexpr int kItems = 300;

struct Window {
    QWidget window;
    TTodoList* list;  // owned by the window

    Window() : list(new TTodoList(&window)) {
        auto* layout = new QVBoxLayout(&window);  // owned by the window
        layout->setContentsMargins(4, 4, 4, 4);
        layout->addWidget(list);
        list->SetDateFormat(QStringLiteral("MM/d/yyyy"));
        AddSampleColumns(*list);
        AddSampleItems(*list, kItems);
        window.resize(900, 480);
        window.show();
    }

    int SectionMiddle(int section) const {
        const QRect r = list->Header()->SectionRect(section);
        return r.left() + r.width() / 2;
    }
};

bool InOrder(const TTodoItemCollection& items, TTodoData kind, TSortDirection direction) {
    const QCollator collator = DefaultTodoCollator();
    for (int i = 1; i < items.Count(); ++i) {
        int c = CompareTodoItems(*items.At(i - 1), *items.At(i), kind, collator);
        if (direction == sdDescending) {
            c = -c;
        }
        if (c > 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

class TestWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        UseCrispTestFont();
        qInfo("platform: %s", qPrintable(QGuiApplication::platformName()));
    }

    void showsTheRows() {
        Window w;
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        TTodoListBox* box = w.list->ListBox();
        QCOMPARE(box->RowCount(), kItems);
        QVERIFY(box->verticalScrollBar()->isVisible());
        const QImage rows = GrabRows(*w.list);
        const QColor window = Resolve(*w.list, clWindow);
        // Every visible row has content; the space below the rows has none (none is left).
        for (int row = 0; row < box->VisibleRowCount(); ++row) {
            QVERIFY(CountOther(rows, box->RowRect(row), window) > 0);
        }
        // The completion bars show the complete colour.
        const QRect bar = box->CellRect(3, 1);
        QVERIFY(CountColor(rows, bar, Resolve(*w.list, clRed)) > 0);

        if (QGuiApplication::platformName() == QLatin1String("xcb")) {
            // What the X server shows is what the list box painted.
            QTRY_VERIFY_WITH_TIMEOUT(
                [&] {
                    const QPoint origin = box->viewport()->mapTo(&w.window, QPoint(0, 0));
                    const QImage screen = w.window.screen()
                                              ->grabWindow(w.window.winId(), origin.x(), origin.y(),
                                                           rows.width(), rows.height())
                                              .toImage()
                                              .convertToFormat(QImage::Format_RGB32);
                    return screen == GrabRows(*w.list);
                }(),
                10000);
        }
    }

    void keysAndClicksSelect() {
        Window w;
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        w.window.activateWindow();
        TTodoListBox* box = w.list->ListBox();
        int selections = 0;
        w.list->OnItemSelect = [&](QObject*, TTodoItem*) { ++selections; };
        // Right of the last column: a click on a cell would open its editor.
        QTest::mouseClick(box->viewport(), Qt::LeftButton, {},
                          QPoint(box->RowRect(3).right() - 4, box->RowRect(3).center().y()));
        QCOMPARE(box->ItemIndex(), 3);
        QTRY_VERIFY(box->hasFocus());
        QTest::keyClick(box, Qt::Key_End);
        QCOMPARE(box->ItemIndex(), kItems - 1);
        QCOMPARE(box->TopIndex(), kItems - box->VisibleRowCount());
        QTest::keyClick(box, Qt::Key_PageUp);
        QCOMPARE(box->ItemIndex(), box->TopIndex());
        QTest::keyClick(box, Qt::Key_Home);
        QCOMPARE(box->ItemIndex(), 0);
        QCOMPARE(box->TopIndex(), 0);
        QCOMPARE(selections, 4);
    }

    void sortsByHeaderClicks() {
        Window w;
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        w.list->SetSorted(true);  // by the done column
        QVERIFY(InOrder(w.list->Items(), tdComplete, sdAscending));
        w.list->ListBox()->SetItemIndex(10);
        const std::string selected = w.list->SelectedItem()->Subject();

        TTodoHeader* header = w.list->Header();
        QTest::mouseClick(header, Qt::LeftButton, {}, QPoint(w.SectionMiddle(1), 9));
        QCOMPARE(w.list->SortColumn(), 1);
        QVERIFY(InOrder(w.list->Items(), tdSubject, sdAscending));
        QCOMPARE(w.list->SelectedItem()->Subject(), selected);
        // The indicator sits at the right end of the subject section.
        const QRect section = header->SectionRect(1);
        const QImage image = GrabHeader(*w.list);
        const QRect indicator(section.right() - 12, 2, 10, 14);
        QVERIFY(CountColor(image, indicator, Resolve(*w.list, clGray)) > 0);

        QTest::mouseClick(header, Qt::LeftButton, {}, QPoint(w.SectionMiddle(1), 9));
        QCOMPARE(w.list->SortDirection(), sdDescending);
        QVERIFY(InOrder(w.list->Items(), tdSubject, sdDescending));
        QTest::mouseClick(header, Qt::LeftButton, {}, QPoint(w.SectionMiddle(4), 9));
        QVERIFY(InOrder(w.list->Items(), tdDueDate, sdDescending));
        QCOMPARE(w.list->SelectedItem()->Subject(), selected);
    }

    void resizesAndReordersColumns() {
        Window w;
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        w.list->SetHeaderDragDrop(true);
        TTodoHeader* header = w.list->Header();
        TTodoListBox* box = w.list->ListBox();

        // Widen the subject column by 40 pixels.
        const int divider = header->SectionRect(1).left() + header->SectionWidth(1);
        // In a real X window a move warps the pointer and arrives later.
        QTest::mouseMove(header, QPoint(divider, 9));
        QTRY_COMPARE(header->cursor().shape(), Qt::SizeHorCursor);
        QTest::mousePress(header, Qt::LeftButton, {}, QPoint(divider, 9));
        QTest::mouseMove(header, QPoint(divider + 20, 9));
        QTRY_COMPARE(header->SectionWidth(1), 190);
        QTest::mouseMove(header, QPoint(divider + 40, 9));
        QTRY_COMPARE(header->SectionWidth(1), 210);
        QTest::mouseRelease(header, Qt::LeftButton, {}, QPoint(divider + 40, 9));
        QCOMPARE(w.list->Columns().At(1)->Width(), 210);
        QCOMPARE(box->CellRect(2, 0).left(), 36 + 210);

        // Move the priority column to the front.
        QTest::mousePress(header, Qt::LeftButton, {}, QPoint(w.SectionMiddle(2), 9));
        QTest::mouseMove(header, QPoint(w.SectionMiddle(0), 9));
        QTest::mouseRelease(header, Qt::LeftButton, {}, QPoint(w.SectionMiddle(0), 9));
        QCOMPARE(w.list->Columns().At(0)->TodoData(), tdPriority);
        QCOMPARE(w.list->Columns().At(1)->TodoData(), tdComplete);
        QCOMPARE(header->SectionText(0), QStringLiteral("Priority"));
        // The rows paint the priority glyph at the left edge now.
        const TTodoItem* first = w.list->Items().At(0);
        const QImage rows = GrabRows(*w.list);
        const QColor glyph = Resolve(*w.list, first->Priority() >= tpHigh     ? clRed
                                              : first->Priority() == tpNormal ? clBlack
                                                                              : clBlue);
        QVERIFY(CountColor(rows, QRect(0, 0, 12, 12), glyph) > 0);
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
