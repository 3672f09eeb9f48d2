// The to-do list control on a screen of device pixel ratio 2 (the test runs with
// QT_SCALE_FACTOR=2). Logical geometry stays that of ratio 1, and the picture at ratio 2
// is the ratio-1 picture with every pixel become a 2x2 block: glyphs, fills, lines and
// the focus rectangle fall on whole device pixels instead of being smeared or shifted by
// half a pixel. Only text is drawn afresh at the finer resolution.

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "todolist/list_test_support.h"

namespace {

// The ratio-1 picture of a widget, painted now by the same code.
QImage RenderAtOne(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    widget.render(&image);
    return image;
}

QImage GrabAtTwo(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Empty when every pixel of `logical` in `one` is a uniform 2x2 block of the same colour
// in `two`; otherwise where the first difference is.
QString DoubledDifference(const QImage& one, const QImage& two, const QRect& logical) {
    if (two.size() != one.size() * 2) {
        return QStringLiteral("sizes %1x%2 and %3x%4")
            .arg(one.width())
            .arg(one.height())
            .arg(two.width())
            .arg(two.height());
    }
    const QRect r = logical.intersected(one.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb want = one.pixel(x, y);
            for (int dy = 0; dy < 2; ++dy) {
                for (int dx = 0; dx < 2; ++dx) {
                    const QRgb got = two.pixel(2 * x + dx, 2 * y + dy);
                    if (got != want) {
                        return QStringLiteral("logical (%1, %2) device (%3, %4): %5, expected %6")
                            .arg(x)
                            .arg(y)
                            .arg(2 * x + dx)
                            .arg(2 * y + dy)
                            .arg(QColor(got).name(), QColor(want).name());
                    }
                }
            }
        }
    }
    return {};
}

// How many 2x2 device-pixel blocks of the area are not of one colour: none for a
// ratio-1 picture blown up, many for text drawn at device resolution.
int MixedBlocks(const QImage& two, const QRect& device) {
    int count = 0;
    for (int y = device.top(); y < device.bottom(); y += 2) {
        for (int x = device.left(); x < device.right(); x += 2) {
            const QRgb a = two.pixel(x, y);
            if (two.pixel(x + 1, y) != a || two.pixel(x, y + 1) != a ||
                two.pixel(x + 1, y + 1) != a) {
                ++count;
            }
        }
    }
    return count;
}

// The smallest rectangle around the pixels of `area` that are not `background`.
QRect InkBounds(const QImage& image, const QRect& area, const QColor& background) {
    QRect bounds;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            if (image.pixel(x, y) != background.rgb()) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

// A list whose cells draw no text: glyph columns and an empty subject.
std::unique_ptr<TTodoList> GlyphList() {
    auto list = MakeList(300, 120);
    list->AddColumn(tdComplete, "")->SetWidth(35);
    list->AddColumn(tdPriority, "")->SetWidth(30);
    list->AddColumn(tdHandle, "")->SetWidth(22);
    list->AddColumn(tdComplete, "")->SetWidth(30);
    list->Columns().At(3)->SetAlignment(taRightJustify);
    list->AddColumn(tdSubject, "");
    for (int i = 0; i < 5; ++i) {
        TTodoItem* item = list->Items().Add();
        item->SetPriority(static_cast<TTodoPriority>(i));
        item->SetComplete(i % 2 == 1);
    }
    return list;
}

}  // namespace

class TestHighDpi : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { UseCrispTestFont(); }

    void logicalGeometryStays() {
        auto list = GlyphList();
        QCOMPARE(list->devicePixelRatio(), 2);
        QCOMPARE(list->Header()->height(), 18);
        QCOMPARE(list->ListBox()->RowHeight(), 18);
        // Cells as at ratio 1: columns by their widths, rows by the item height.
        QCOMPARE(list->ListBox()->CellRect(1, 2), QRect(35, 36, 30, 18));
        QCOMPARE(list->ListBox()->CellRect(4, 0), QRect(117, 0, 100, 18));
        const QImage two = GrabAtTwo(*list->ListBox()->viewport());
        QCOMPARE(two.size(), list->ListBox()->viewport()->size() * 2);
    }

    void glyphRowsAreDoubledExactly_data() {
        QTest::addColumn<int>("checkType");
        QTest::addColumn<bool>("gridLines");
        QTest::addColumn<bool>("preview");
        QTest::addColumn<bool>("focused");
        QTest::addRow("check box") << int(ctCheckBox) << false << false << false;
        QTest::addRow("check mark") << int(ctCheckMark) << false << false << false;
        QTest::addRow("grid lines") << int(ctCheckBox) << true << false << false;
        QTest::addRow("grid and preview") << int(ctCheckMark) << true << true << false;
        QTest::addRow("focus and cell cursor") << int(ctCheckBox) << true << false << true;
    }

    // Check boxes, check marks, priority images, selection, grid lines, the preview band
    // and the dotted focus rectangle.
    void glyphRowsAreDoubledExactly() {
        QFETCH(int, checkType);
        QFETCH(bool, gridLines);
        QFETCH(bool, preview);
        QFETCH(bool, focused);
        auto list = GlyphList();
        list->CompleteCheck().SetCheckType(static_cast<TCheckType>(checkType));
        list->SetGridLines(gridLines);
        list->SetPreview(preview);
        list->ListBox()->SetItemIndex(2);
        if (focused) {
            QVERIFY(ShowFocused(*list));
            list->ListBox()->SetFocusColumn(1);
            list->ListBox()->viewport()->repaint();
        }
        QWidget& rows = *list->ListBox()->viewport();
        const QImage one = RenderAtOne(rows);
        const QImage two = GrabAtTwo(rows);
        // The pictures must show something: a selected row and glyphs.
        QVERIFY(CountColor(one, one.rect(), Resolve(*list, clHighlight)) > 0);
        QVERIFY(CountColor(one, one.rect(), QColor(Qt::blue)) > 0);
        if (focused) {
            // The dotted focus rectangle at ratio 1: every other pixel of the row's outline
            // inverted, starting at its top-left corner.
            const QRgb selection = Resolve(*list, clHighlight).rgb();
            QCOMPARE(one.pixel(0, 36), selection ^ 0x00FFFFFFu);
            QCOMPARE(one.pixel(1, 36), selection);
            QCOMPARE(one.pixel(2, 36), selection ^ 0x00FFFFFFu);
        }
        const QString difference = DoubledDifference(one, two, one.rect());
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    void headerIsDoubledExactly_data() {
        QTest::addColumn<bool>("flat");
        QTest::addColumn<int>("direction");
        QTest::addRow("raised, ascending") << false << int(sdAscending);
        QTest::addRow("raised, descending") << false << int(sdDescending);
        QTest::addRow("flat, ascending") << true << int(sdAscending);
    }

    // Section edges and separators are doubled exactly. The sort indicator's sloping
    // sides are drawn afresh as lines at the finer resolution, so they are checked for
    // place and crispness: the same bounding box, and only its own two colours on the face.
    void headerIsDoubledExactly() {
        QFETCH(bool, flat);
        QFETCH(int, direction);
        auto list = GlyphList();
        list->SetSorted(true);
        list->SetSortColumn(4);
        list->SetSortDirection(static_cast<TSortDirection>(direction));
        list->Header()->SetFlat(flat);
        TTodoHeader& header = *list->Header();
        const QImage one = RenderAtOne(header);
        const QImage two = GrabAtTwo(header);
        const QColor face = Resolve(*list, clBtnFace);
        const QColor white = Resolve(*list, clWhite);
        const QColor gray = Resolve(*list, clGray);

        // The last section reaches the right edge; its indicator is centred 8 pixels left
        // of it and 8 below the top, 9 pixels square.
        const QRect indicator(header.width() - 8 - 4, 8 - 4, 9, 9);
        QCOMPARE(InkBounds(one, indicator.adjusted(-2, -2, 2, 2), face), indicator);
        const QRect device(indicator.topLeft() * 2, indicator.size() * 2);
        QCOMPARE(InkBounds(two, device.adjusted(-4, -4, 4, 4), face), device);
        for (int y = device.top() - 2; y <= device.bottom() + 2; ++y) {
            for (int x = device.left() - 2; x <= device.right() + 2; ++x) {
                const QColor c = two.pixelColor(x, y);
                QVERIFY2(c == face || c == white || c == gray, qPrintable(c.name()));
            }
        }
        // Everything else: left of the indicator, and the rows above and below it.
        QCOMPARE(DoubledDifference(one, two, QRect(0, 0, indicator.left() - 3, header.height())),
                 QString());
        QCOMPARE(DoubledDifference(one, two, QRect(0, 0, header.width(), indicator.top() - 3)),
                 QString());
        QCOMPARE(DoubledDifference(
                     one, two, QRect(0, indicator.bottom() + 3, header.width(), header.height())),
                 QString());
    }

    // Text is not a ratio-1 picture blown up: its strokes have device-pixel detail, it
    // stays inside its cell, and the cell around it is doubled exactly.
    void textIsDrawnAtDeviceResolution() {
        auto list = MakeList(300, 60);
        list->AddColumn(tdSubject, "Subject")->SetWidth(80);
        list->AddColumn(tdResource, "Resource");
        TTodoItem* item = list->Items().Add();
        item->SetSubject("Water the plants on the balcony");
        QWidget& rows = *list->ListBox()->viewport();
        const QImage one = RenderAtOne(rows);
        const QImage two = GrabAtTwo(rows);
        const QColor window = Resolve(*list, clWindow);

        const QRect cell = list->ListBox()->CellRect(0, 0);
        const QRect device(cell.topLeft() * 2, cell.size() * 2);
        QVERIFY(CountOther(two, device, window) > 0);
        const int mixedBlocks = MixedBlocks(two, device);
        QVERIFY2(mixedBlocks > 20, qPrintable(QString::number(mixedBlocks)));
        // The ellipsis keeps the long subject out of the (empty) resource cell.
        const QRect next = list->ListBox()->CellRect(1, 0);
        QCOMPARE(CountOther(two, QRect(next.topLeft() * 2, next.size() * 2), window), 0);
        // Below the row nothing but background, at both ratios alike.
        const QRect below(0, 18, rows.width(), rows.height() - 18);
        QCOMPARE(DoubledDifference(one, two, below), QString());
    }

    // The completion bar's parts end on whole device pixels: the split and the bar's
    // edges are where ratio 1 puts them, with nothing blended in between.
    void completionBarEdges() {
        auto list = MakeList(300, 60);
        list->AddColumn(tdCompletion, "Completion")->SetWidth(65);
        list->SetCompletionGraphic(true);
        list->Items().Add()->SetCompletion(50);
        QWidget& rows = *list->ListBox()->viewport();
        const QImage two = GrabAtTwo(rows);
        const QColor complete = Resolve(*list, clRed);
        const QColor window = Resolve(*list, clWindow);
        // Bar 2..63 (61 wide), split at 2 + round(30.5) = 32; a text-free row near the top.
        const int y = 2 * 2;
        QCOMPARE(two.pixelColor(2 * 2 - 1, y), window);
        QCOMPARE(two.pixelColor(2 * 2, y), complete);
        QCOMPARE(two.pixelColor(2 * 32 - 1, y), complete);
        QCOMPARE(two.pixelColor(2 * 32, y), window);
        QCOMPARE(two.pixelColor(2 * 2, 2 * 2 - 1), window);
        QCOMPARE(two.pixelColor(2 * 2, 2 * 16 - 1), complete);
        QCOMPARE(two.pixelColor(2 * 2, 2 * 16), window);
    }

    // The one-line editor opens over its cell in logical pixels, draws its text at device
    // resolution, and leaves the cells around it doubled exactly.
    void editorSitsOnItsCell() {
        auto list = MakeList(300, 80);
        list->AddColumn(tdComplete, "")->SetWidth(35);
        list->AddColumn(tdSubject, "Subject");
        list->Items().Add()->SetSubject("Water the plants");
        list->Items().Add()->SetComplete(true);
        QVERIFY(ShowFocused(*list));
        TCellEditing& editing = list->ListBox()->CellEditing();
        editing.StartEdit(0, 1, false, {}, 0, 0, QChar());
        QWidget* editor = editing.ActiveEditor();
        QVERIFY(editor != nullptr);
        QVERIFY(qobject_cast<QLineEdit*>(editor) != nullptr);
        QCOMPARE(editor->devicePixelRatio(), 2);
        QCOMPARE(editor->geometry(), list->ListBox()->CellRect(1, 0));

        QWidget& rows = *list->ListBox()->viewport();
        const QImage one = RenderAtOne(rows);
        const QImage two = GrabAtTwo(rows);
        QCOMPARE(DoubledDifference(one, two, QRect(0, 18, rows.width(), rows.height() - 18)),
                 QString());
        QCOMPARE(DoubledDifference(one, two, list->ListBox()->CellRect(0, 0)), QString());

        const QRect device(editor->geometry().topLeft() * 2, editor->size() * 2);
        const int mixedBlocks = MixedBlocks(two, device);
        QVERIFY2(mixedBlocks > 20, qPrintable(QString::number(mixedBlocks)));
        editing.EndEdit();
        QCOMPARE(list->Items().At(0)->Subject(), std::string("Water the plants"));
    }
};

QTEST_MAIN(TestHighDpi)
#include "tst_high_dpi.moc"
