// The column header: section geometry, painting, divider drags, section drag and drop,
// the sort click rules and the caption editor, driven with QTest mouse events.

#include <QPlainTextEdit>
#include <QTest>

#include "todolist/list_test_support.h"

namespace {

// Three columns of 100, 80 and 120 pixels under a 400-pixel header.
std::unique_ptr<TTodoList> MakeHeaderList() {
    auto list = MakeList(400, 200);
    list->AddColumn(tdSubject, "A")->SetWidth(100);
    list->AddColumn(tdResource, "B")->SetWidth(80);
    list->AddColumn(tdProject, "C")->SetWidth(120);
    return list;
}

QPoint At(int x) {
    return QPoint(x, 9);
}

// The topmost row holding a pixel of that colour in the rectangle, or -1.
int TopmostRowOf(const QImage& image, const QRect& rect, const QColor& color) {
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        if (CountColor(image, QRect(rect.left(), y, rect.width(), 1), color) > 0) {
            return y;
        }
    }
    return -1;
}

}  // namespace

class TestHeader : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { UseCrispTestFont(); }

    void sectionAtPoint_data() {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("section");
        QTest::newRow("left edge") << 0 << -1;
        QTest::newRow("negative") << -5 << -1;
        QTest::newRow("first pixel") << 1 << 0;
        QTest::newRow("end of the first") << 100 << 0;
        QTest::newRow("start of the second") << 101 << 1;
        QTest::newRow("end of the second") << 180 << 1;
        QTest::newRow("the last") << 181 << 2;
        QTest::newRow("beyond the last") << 5000 << 2;
    }

    void sectionAtPoint() {
        QFETCH(int, x);
        QFETCH(int, section);
        auto list = MakeHeaderList();
        QCOMPARE(list->Header()->XYToSection(x, 5), section);
    }

    void lastSectionStretches() {
        auto list = MakeHeaderList();
        TTodoHeader* header = list->Header();
        QCOMPARE(header->SectionWidth(2), 220);
        QCOMPARE(header->SectionRect(2), QRect(180, 0, 220, 18));
        list->Columns().At(2)->SetWidth(5);
        QCOMPARE(header->SectionWidth(2), 220);
        // It has no divider of its own to drag.
        QTest::mouseMove(header, At(399));
        QVERIFY(header->cursor().shape() != Qt::SizeHorCursor);
        QTest::mouseMove(header, At(102));
        QCOMPARE(header->cursor().shape(), Qt::SizeHorCursor);
        QTest::mouseMove(header, At(140));
        QVERIFY(header->cursor().shape() != Qt::SizeHorCursor);
    }

    void dividerDragResizesTheColumn() {
        auto list = MakeHeaderList();
        TTodoHeader* header = list->Header();
        QList<QPair<int, int>> sized;
        header->OnSized = [&, forward = header->OnSized](QObject* sender, int section, int width) {
            sized << qMakePair(section, width);
            forward(sender, section, width);
        };
        QTest::mouseMove(header, At(101));
        QCOMPARE(header->cursor().shape(), Qt::SizeHorCursor);
        QTest::mousePress(header, Qt::LeftButton, {}, At(101));
        QCOMPARE(header->ResizingSection(), 0);
        QTest::mouseMove(header, At(121));
        QCOMPARE(header->SectionWidth(0), 120);         // the header follows at once
        QCOMPARE(list->Columns().At(0)->Width(), 100);  // the column at the release
        QTest::mouseMove(header, At(131));
        QTest::mouseRelease(header, Qt::LeftButton, {}, At(131));
        QCOMPARE(sized, (QList<QPair<int, int>>{{0, 130}}));
        QCOMPARE(list->Columns().At(0)->Width(), 130);
        QCOMPARE(list->ListBox()->CellRect(1, 0).left(), 130);
        QCOMPARE(header->ResizingSection(), -1);
        // A press on the divider is no sort click.
        QCOMPARE(list->SortColumn(), 0);
        QCOMPARE(list->SortDirection(), sdAscending);
    }

    void dividerDragIsClamped_data() {
        QTest::addColumn<int>("divider");  // x of the divider
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("section");
        QTest::addColumn<int>("width");
        QTest::newRow("first, far left: 2 pixels from the header's edge") << 100 << -50 << 0 << 2;
        QTest::newRow("second, far left: 4 pixels from its left") << 180 << 0 << 1 << 4;
        QTest::newRow("far right: 2 pixels from the header's edge") << 180 << 1000 << 1 << 298;
    }

    void dividerDragIsClamped() {
        QFETCH(int, divider);
        QFETCH(int, to);
        QFETCH(int, section);
        QFETCH(int, width);
        auto list = MakeHeaderList();
        TTodoHeader* header = list->Header();
        QTest::mousePress(header, Qt::LeftButton, {}, At(divider));
        QTest::mouseMove(header, At(to));
        QTest::mouseRelease(header, Qt::LeftButton, {}, At(to));
        QCOMPARE(list->Columns().At(section)->Width(), width);
    }

    void sectionDragMovesTheColumn() {
        auto list = MakeHeaderList();
        list->SetHeaderDragDrop(true);
        TTodoHeader* header = list->Header();
        QList<QPair<int, int>> moves;
        list->OnHeaderDragDrop = [&](QObject* sender, int from, int to) {
            QCOMPARE(sender, list.get());
            moves << qMakePair(from, to);
        };
        QTest::mousePress(header, Qt::LeftButton, {}, At(50));
        QVERIFY(header->DraggingSection());
        QCOMPARE(header->cursor().shape(), Qt::DragMoveCursor);
        QTest::mouseMove(header, At(250));
        QTest::mouseRelease(header, Qt::LeftButton, {}, At(250));
        QVERIFY(!header->DraggingSection());
        QCOMPARE(moves, (QList<QPair<int, int>>{{0, 2}}));
        QCOMPARE(list->Columns().At(0)->Caption(), std::string("B"));
        QCOMPARE(list->Columns().At(1)->Caption(), std::string("C"));
        QCOMPARE(list->Columns().At(2)->Caption(), std::string("A"));
        QCOMPARE(header->SectionText(0), QStringLiteral("B"));
        QCOMPARE(header->SectionText(2), QStringLiteral("A"));
        QCOMPARE(header->SectionWidth(0), 80);
    }

    void sectionDropsThatMoveNothing_data() {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::newRow("onto itself") << true << 150 << 170;
        QTest::newRow("left of the first section") << true << 150 << 0;
        QTest::newRow("drag and drop off") << false << 50 << 250;
    }

    void sectionDropsThatMoveNothing() {
        QFETCH(bool, enabled);
        QFETCH(int, from);
        QFETCH(int, to);
        auto list = MakeHeaderList();
        list->SetHeaderDragDrop(enabled);
        int moves = 0;
        list->OnHeaderDragDrop = [&](QObject*, int, int) { ++moves; };
        QTest::mousePress(list->Header(), Qt::LeftButton, {}, At(from));
        QTest::mouseMove(list->Header(), At(to));
        QTest::mouseRelease(list->Header(), Qt::LeftButton, {}, At(to));
        QCOMPARE(moves, 0);
        QCOMPARE(list->Columns().At(0)->Caption(), std::string("A"));
        QCOMPARE(list->Columns().At(1)->Caption(), std::string("B"));
    }

    void dividerDragWithDragDropMovesNoColumn() {
        auto list = MakeHeaderList();
        list->SetHeaderDragDrop(true);
        int moves = 0;
        list->OnHeaderDragDrop = [&](QObject*, int, int) { ++moves; };
        TTodoHeader* header = list->Header();
        // Dragged past the header's end: the pointer ends over another section.
        QTest::mousePress(header, Qt::LeftButton, {}, At(180));
        QTest::mouseMove(header, At(1000));
        QTest::mouseRelease(header, Qt::LeftButton, {}, At(1000));
        QCOMPARE(moves, 0);
        QCOMPARE(list->Columns().At(1)->Caption(), std::string("B"));
        QCOMPARE(list->Columns().At(1)->Width(), 298);
    }

    void sortClickZones_data() {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("sortColumn");
        QTest::addColumn<int>("direction");
        // Section 1 spans 100 < x <= 180; the sort column starts as 0.
        QTest::newRow("4 from the left edge") << 104 << 0 << int(sdAscending);
        QTest::newRow("5 from the left edge") << 105 << 1 << int(sdAscending);
        QTest::newRow("5 from the right edge") << 175 << 1 << int(sdAscending);
        QTest::newRow("4 from the right edge") << 176 << 0 << int(sdAscending);
        QTest::newRow("the sort column flips") << 50 << 0 << int(sdDescending);
        QTest::newRow("left of all sections") << 0 << 0 << int(sdAscending);
    }

    void sortClickZones() {
        QFETCH(int, x);
        QFETCH(int, sortColumn);
        QFETCH(int, direction);
        auto list = MakeHeaderList();
        QList<int> clicks;
        list->OnHeaderClick = [&](QObject* sender, int column) {
            QCOMPARE(sender, list.get());
            clicks << column;
        };
        QTest::mouseClick(list->Header(), Qt::LeftButton, {}, At(x));
        QCOMPARE(list->SortColumn(), sortColumn);
        QCOMPARE(int(list->SortDirection()), direction);
        // Press and release both notify, whatever the zone.
        const int section = list->Header()->XYToSection(x, 9);
        QCOMPARE(clicks, QList<int>({section, section}));
        QCOMPARE(list->Header()->SortedSection(), list->SortColumn());
        QCOMPARE(list->Header()->SortDirection(), list->SortDirection());
    }

    void newColumnKeepsTheDirectionAndTheSameFlips() {
        auto list = MakeHeaderList();
        TTodoHeader* header = list->Header();
        QTest::mouseClick(header, Qt::LeftButton, {}, At(50));
        QCOMPARE(list->SortDirection(), sdDescending);
        QTest::mouseClick(header, Qt::LeftButton, {}, At(140));
        QCOMPARE(list->SortColumn(), 1);
        QCOMPARE(list->SortDirection(), sdDescending);
        QTest::mouseClick(header, Qt::LeftButton, {}, At(140));
        QCOMPARE(list->SortDirection(), sdAscending);
    }

    void handleColumnAndMissingColumnsNeverSort() {
        auto list = MakeHeaderList();
        list->Columns().At(1)->SetTodoData(tdHandle);
        QTest::mouseClick(list->Header(), Qt::LeftButton, {}, At(140));
        QCOMPARE(list->SortColumn(), 0);
        auto empty = MakeList(400, 200);
        QList<int> clicks;
        empty->OnHeaderClick = [&](QObject*, int column) { clicks << column; };
        QTest::mouseClick(empty->Header(), Qt::LeftButton, {}, At(140));
        QCOMPARE(empty->SortColumn(), 0);
        QCOMPARE(empty->SortDirection(), sdAscending);
        QCOMPARE(clicks, QList<int>({-1, -1}));
    }

    void clicksWithSortedOffMoveNoRows() {
        auto list = MakeHeaderList();
        for (const char* subject : {"b", "c", "a"}) {
            list->Items().Add()->SetSubject(subject);
        }
        const QImage before = GrabHeader(*list);
        QTest::mouseClick(list->Header(), Qt::LeftButton, {}, At(50));
        QCOMPARE(list->SortDirection(), sdDescending);
        QCOMPARE(list->Items().At(0)->Subject(), std::string("b"));
        QCOMPARE(GrabHeader(*list), before);  // no indicator
        list->SetSorted(true);
        QCOMPARE(list->Items().At(0)->Subject(), std::string("c"));
        QVERIFY(GrabHeader(*list) != before);
        QTest::mouseClick(list->Header(), Qt::LeftButton, {}, At(50));
        QCOMPARE(list->Items().At(0)->Subject(), std::string("a"));
    }

    void rightClickNotifies() {
        auto list = MakeHeaderList();
        QList<int> clicks;
        list->OnHeaderRightClick = [&](QObject* sender, int column) {
            QCOMPARE(sender, list.get());
            clicks << column;
        };
        int left = 0;
        list->OnHeaderClick = [&](QObject*, int) { ++left; };
        QTest::mouseClick(list->Header(), Qt::RightButton, {}, At(150));
        QCOMPARE(clicks, QList<int>({1}));
        QCOMPARE(left, 0);
        QCOMPARE(list->SortColumn(), 0);
    }

    void sortIndicator_data() {
        QTest::addColumn<int>("direction");
        QTest::newRow("ascending") << int(sdAscending);
        QTest::newRow("descending") << int(sdDescending);
    }

    void sortIndicator() {
        QFETCH(int, direction);
        auto list = MakeHeaderList();
        list->SetSortColumn(1);
        list->SetSortDirection(static_cast<TSortDirection>(direction));
        list->SetSorted(true);
        const QImage image = GrabHeader(*list);
        const QColor white = Resolve(*list, clWhite);
        const QColor gray = Resolve(*list, clGray);
        // Centre 8 pixels left of the section's right edge, 8 below its top.
        const int x = 180 - 8;
        const int y = 8;
        if (direction == sdAscending) {
            QCOMPARE(PixelName(image, x - 3, y + 4), white.name());  // base
            QCOMPARE(PixelName(image, x + 2, y), white.name());      // right side
            QCOMPARE(PixelName(image, x - 2, y), gray.name());       // left side
        } else {
            QCOMPARE(PixelName(image, x - 3, y - 4), gray.name());  // top edge
            QCOMPARE(PixelName(image, x - 2, y), gray.name());      // left side
            QCOMPARE(PixelName(image, x + 2, y), white.name());     // right side
        }
        // No other section has one.
        QCOMPARE(CountColor(image, QRect(80, 4, 12, 10), gray), 0);
    }

    void indicatorFollowsACaptionThatReachesTheEdge() {
        auto list = MakeHeaderList();
        list->SetSortColumn(1);
        list->SetSorted(true);
        const QImage fits = GrabHeader(*list);
        list->Columns().At(1)->SetCaption("A caption far wider than its section");
        const QImage long_ = GrabHeader(*list);
        const QColor gray = Resolve(*list, clGray);
        // Drawn 8 pixels after the caption's end, beyond the section: not at its usual place.
        QVERIFY(CountColor(fits, QRect(166, 2, 13, 14), gray) > 0);
        QCOMPARE(CountColor(long_, QRect(166, 2, 13, 14), gray), 0);
    }

    void raisedAndFlatLooks() {
        auto list = MakeHeaderList();
        TTodoHeader* header = list->Header();
        QImage image = GrabHeader(*list);
        QCOMPARE(PixelName(image, 100, 9), Resolve(*list, clBtnHighlight).name());
        QCOMPARE(PixelName(image, 99, 9), Resolve(*list, clBtnShadow).name());
        QCOMPARE(PixelName(image, 50, 17), Resolve(*list, clBtnShadow).name());
        header->SetFlat(true);
        header->SetLineColor(clRed);
        image = GrabHeader(*list);
        const QColor red = Resolve(*list, clRed);
        QCOMPARE(PixelName(image, 101, 0), red.name());
        QCOMPARE(PixelName(image, 181, 17), red.name());
        QCOMPARE(CountColor(image, image.rect(), red), 2 * 18);  // none before the first
        header->SetLineColor(clNone);
        image = GrabHeader(*list);
        QCOMPARE(CountColor(image, QRect(0, 0, 400, 2), Resolve(*list, clBtnFace)), 800);
    }

    void multiLineCaptionsAreTopAligned() {
        TTodoHeader header(nullptr);
        header.resize(200, 60);
        header.SetTextHeight(50);
        header.SetVAlignment(vtaBottom);
        header.AddSection(QStringLiteral("Caption"), 200);
        const QColor ink = ToQColor(clWindowText, header.palette());
        const QRect text(4, 2, 192, 50);
        QImage image = header.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const int singleTop = TopmostRowOf(image, text, ink);
        QVERIFY(singleTop > 30);  // bottom-aligned
        header.SetSectionText(0, QStringLiteral("Caption\rSecond"));
        image = header.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const int multiTop = TopmostRowOf(image, text, ink);
        QVERIFY2(multiTop >= 2 && multiTop < 8, qPrintable(QString::number(multiTop)));
        // The second line shows below the first.
        const int lineHeight = QFontMetrics(QApplication::font()).height();
        QVERIFY(CountColor(image, QRect(4, 2 + lineHeight, 192, lineHeight), ink) > 0);
    }

    void verticalOrientation() {
        TTodoHeader header(nullptr);
        header.resize(100, 300);
        header.SetOrientation(hoVertical);
        header.SetFlat(true);
        header.AddSection(QStringLiteral("One"), 50);
        header.AddSection(QStringLiteral("Two"), 60);
        QCOMPARE(header.XYToSection(5, 55), 1);
        QCOMPARE(header.XYToSection(95, 20), 0);
        QCOMPARE(header.SectionRect(1), QRect(0, 50, 100, 250));
        const QImage image = header.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QColor black = ToQColor(clBlack, header.palette());
        QCOMPARE(CountColor(image, QRect(0, 52, 100, 1), black), 100);
    }

    void captionEditorChangesOnlyTheSection() {
        auto list = MakeHeaderList();
        TTodoHeader* header = list->Header();
        header->SetSectionEdit(true);
        QTest::mouseClick(header, Qt::LeftButton, {}, At(140));
        QPlainTextEdit* editor = header->CaptionEditor();
        QVERIFY(editor->isVisible());
        QCOMPARE(editor->toPlainText(), QStringLiteral("B"));
        QCOMPARE(editor->geometry(),
                 header->SectionRect(1).adjusted(2, 2, -2, -2).translated(2, 2));
        QTRY_VERIFY(editor->hasFocus());
        QTest::keyClicks(editor, QStringLiteral("Renamed"));  // replaces the selected text
        list->ListBox()->setFocus();
        QTRY_VERIFY(!editor->isVisible());
        QCOMPARE(header->SectionText(1), QStringLiteral("Renamed"));
        QCOMPARE(header->SectionWidth(1), 80);
        QCOMPARE(list->Columns().At(1)->Caption(), std::string("B"));
        list->UpdateHeader();
        QCOMPARE(header->SectionText(1), QStringLiteral("B"));
    }
};

QTEST_MAIN(TestHeader)
#include "tst_header.moc"
