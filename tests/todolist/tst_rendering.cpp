// Row painting, checked on pictures of the row list box.

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QTest>

#include "todolist/list_test_support.h"

namespace {

// Records the rectangles the viewport is asked to paint.
class PaintRecorder : public QObject {
public:
    QList<QRect> rects;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            rects << static_cast<QPaintEvent*>(event)->rect();
        }
        return QObject::eventFilter(watched, event);
    }
};

// The columns of ink (pixels not of the background) in a rectangle, left to right.
int RightmostInk(const QImage& image, const QRect& rect, const QColor& background) {
    for (int x = rect.right(); x >= rect.left(); --x) {
        if (CountOther(image, QRect(x, rect.top(), 1, rect.height()), background) > 0) {
            return x;
        }
    }
    return -1;
}

}  // namespace

class TestRendering : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { UseCrispTestFont(); }

    void emptyListShowsOnlyBackground() {
        auto list = MakeList();
        list->AddColumn(tdSubject, "Subject");
        list->SetColor(clYellow);
        const QImage image = GrabRows(*list);
        QCOMPARE(CountOther(image, image.rect(), Resolve(*list, clYellow)), 0);
    }

    void spaceBelowLastRowIsCleared() {
        auto list = MakeList();
        list->AddColumn(tdSubject, "Subject")->SetColor(clAqua);
        list->SetColor(clYellow);
        list->Items().Add();
        const QImage image = GrabRows(*list);
        const int rowHeight = list->ListBox()->RowHeight();
        QCOMPARE(PixelName(image, 5, rowHeight / 2), Resolve(*list, clAqua).name());
        QCOMPARE(CountOther(image, QRect(0, rowHeight, image.width(), image.height()),
                            Resolve(*list, clYellow)),
                 0);
    }

    void completionBarSplit_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("split");  // pixels of the complete colour, on a 61-pixel bar
        QTest::newRow("0 empty") << 0 << 0;
        QTest::newRow("1 rounds up") << 1 << 1;
        QTest::newRow("50 ties to even 30") << 50 << 30;
        QTest::newRow("51") << 51 << 31;
        QTest::newRow("99") << 99 << 60;
        QTest::newRow("100 full") << 100 << 61;
    }

    void completionBarSplit() {
        QFETCH(int, value);
        QFETCH(int, split);
        auto list = MakeList();
        list->SetItemHeight(40);  // the top line of the bar stays clear of the text
        TTodoColumnItem* column = list->AddColumn(tdCompletion, "Completion");
        column->SetWidth(65);  // the bar is 2 pixels narrower on each side: 61
        column->SetColor(clAqua);
        list->ProgressLook().SetCompleteColor(clRed);
        list->ProgressLook().SetUnCompleteColor(clYellow);
        list->Items().Add()->SetCompletion(static_cast<TCompletion>(value));

        const QImage image = GrabRows(*list);
        const QColor complete = Resolve(*list, clRed);
        const QColor uncomplete = Resolve(*list, clYellow);
        const int top = 2;
        QCOMPARE(CountColor(image, QRect(2, top, 61, 1), complete), split);
        QCOMPARE(CountColor(image, QRect(2, top, 61, 1), uncomplete), 61 - split);
        if (split > 0) {
            QCOMPARE(PixelName(image, 2 + split - 1, top), complete.name());
        }
        if (split < 61) {
            QCOMPARE(PixelName(image, 2 + split, top), uncomplete.name());
        }
        // The two rings around the bar keep the cell's colour.
        const QColor cell = Resolve(*list, clAqua);
        QCOMPARE(PixelName(image, 0, 20), cell.name());
        QCOMPARE(PixelName(image, 1, 20), cell.name());
        QCOMPARE(PixelName(image, 63, 20), cell.name());
        QCOMPARE(PixelName(image, 30, 1), cell.name());
        QCOMPARE(PixelName(image, 30, 38), cell.name());
    }

    void completionTextReadsAcrossTheBoundary() {
        auto list = MakeList();
        list->SetItemHeight(30);
        list->AddColumn(tdCompletion, "Completion")->SetWidth(65);
        TProgressLook& look = list->ProgressLook();
        look.SetCompleteColor(clRed);
        look.SetCompleteFontColor(clWhite);
        look.SetUnCompleteColor(clYellow);
        look.SetUnCompleteFontColor(clBlue);
        list->Items().Add()->SetCompletion(50);

        const QImage image = GrabRows(*list);
        const QRect left(2, 2, 30, 26);
        const QRect right(32, 2, 31, 26);
        // Each half shows its part of "50%" in its own ink.
        QVERIFY(CountColor(image, left, Resolve(*list, clWhite)) > 0);
        QVERIFY(CountColor(image, right, Resolve(*list, clBlue)) > 0);
        QCOMPARE(CountColor(image, left, Resolve(*list, clBlue)), 0);
        QCOMPARE(CountColor(image, right, Resolve(*list, clWhite)), 0);
    }

    void completedItemShowsHundredPercent_data() {
        QTest::addColumn<bool>("graphic");
        QTest::newRow("bar") << true;
        QTest::newRow("text") << false;
    }

    void completedItemShowsHundredPercent() {
        QFETCH(bool, graphic);
        auto list = MakeList();
        list->SetCompletionGraphic(graphic);
        list->AddColumn(tdCompletion, "Completion")->SetWidth(65);
        TTodoItem* done = list->Items().Add();
        done->SetComplete(true);
        done->SetCompletion(40);
        TTodoItem* full = list->Items().Add();
        full->SetComplete(true);
        full->SetCompletion(100);

        const QImage image = GrabRows(*list);
        const int h = list->ListBox()->RowHeight();
        // A completed item at 40 % looks exactly like one at 100 %.
        QCOMPARE(image.copy(0, 0, 65, h), image.copy(0, h, 65, h));
        if (graphic) {
            QCOMPARE(PixelName(image, 62, 2), Resolve(*list, clRed).name());
        } else {
            QVERIFY(CountOther(image, QRect(0, 0, 65, h), Resolve(*list, clWindow)) > 0);
        }
    }

    void fontsFollowCompletionThenPriority() {
        auto list = MakeList();
        TFont plain;
        plain.Color = clNavy;
        list->SetFont(plain);
        list->AddColumn(tdSubject, "Subject")->SetWidth(150);
        list->AddColumn(tdResource, "Resource")->SetWidth(150);
        auto add = [&](bool complete, TTodoPriority priority) {
            TTodoItem* item = list->Items().Add();
            item->SetSubject("Subject text");
            item->SetResource("Resource");
            item->SetComplete(complete);
            item->SetPriority(priority);
        };
        add(true, tpHighest);   // completed wins over priority
        add(false, tpHigh);     // every cell in the priority font
        add(false, tpNormal);   // the column font
        add(false, tpHighest);  // priority font too
        const QImage image = GrabRows(*list);
        const int h = list->ListBox()->RowHeight();
        const QColor gray = Resolve(*list, clGray);
        const QColor red = Resolve(*list, clRed);
        const QColor navy = Resolve(*list, clNavy);
        for (int x : {0, 150}) {
            const QRect row0(x, 0, 150, h);
            QVERIFY(CountColor(image, row0, gray) > 0);
            QCOMPARE(CountColor(image, row0, red), 0);
            QCOMPARE(CountColor(image, row0, navy), 0);
            for (int row : {1, 3}) {
                const QRect r(x, row * h, 150, h);
                QVERIFY(CountColor(image, r, red) > 0);
                QCOMPARE(CountColor(image, r, navy), 0);
            }
            const QRect row2(x, 2 * h, 150, h);
            QVERIFY(CountColor(image, row2, navy) > 0);
            QCOMPARE(CountColor(image, row2, red), 0);
        }
        // The completion font strikes the text out: one grey line as long as most of it.
        const int textWidth =
            QFontMetrics(QApplication::font()).horizontalAdvance(QStringLiteral("Subject text"));
        int longest = 0;
        for (int y = 0; y < h; ++y) {
            int run = 0;
            for (int x = 0; x < 150; ++x) {
                run = image.pixel(x, y) == gray.rgb() ? run + 1 : 0;
                longest = std::max(longest, run);
            }
        }
        QVERIFY2(longest >= textWidth * 8 / 10, qPrintable(QString::number(longest)));
    }

    void cellCursorInSelectedRow_data() {
        QTest::addColumn<bool>("focused");
        QTest::addColumn<bool>("editable");
        QTest::addColumn<bool>("cursorShown");
        QTest::newRow("focused, editable") << true << true << true;
        QTest::newRow("no focus") << false << true << false;
        QTest::newRow("not editable") << true << false << false;
    }

    void cellCursorInSelectedRow() {
        QFETCH(bool, focused);
        QFETCH(bool, editable);
        QFETCH(bool, cursorShown);
        auto list = MakeList();
        for (int c = 0; c < 3; ++c) {
            list->AddColumn(tdSubject, "S")->SetWidth(80);
        }
        TFont listFont;
        listFont.Color = clGreen;  // the columns keep their own (window text) colour
        list->SetFont(listFont);
        list->SetSelectionColor(clNavy);
        list->SetSelectionFontColor(clYellow);
        list->SetEditable(editable);
        list->Items().Add()->SetSubject("Wide");
        list->Items().Add()->SetSubject("Wide");
        list->ListBox()->SetFocusColumn(1);
        list->ListBox()->SetItemIndex(1);
        if (focused) {
            QVERIFY(ShowFocused(*list));
        }
        QCOMPARE(list->ListBox()->hasFocus(), focused);

        const QImage image = GrabRows(*list);
        const int h = list->ListBox()->RowHeight();
        const int y = h + h - 4;  // inside row 1, clear of its text and focus rectangle
        const QColor navy = Resolve(*list, clNavy);
        const QColor window = Resolve(*list, clWindow);
        QCOMPARE(PixelName(image, 76, y), navy.name());
        QCOMPARE(PixelName(image, 236, y), navy.name());
        QCOMPARE(PixelName(image, 156, y), (cursorShown ? window : navy).name());
        const QRect cursorCell(80, h + 1, 80, h - 2);
        const QRect otherCell(0, h + 1, 80, h - 2);
        QVERIFY(CountColor(image, otherCell, Resolve(*list, clYellow)) > 0);
        if (cursorShown) {
            QVERIFY(CountColor(image, cursorCell, Resolve(*list, clGreen)) > 0);
            QCOMPARE(CountColor(image, cursorCell, Resolve(*list, clYellow)), 0);
        } else {
            QCOMPARE(CountColor(image, cursorCell, Resolve(*list, clGreen)), 0);
        }
        // The unselected row keeps the column colour.
        QCOMPARE(PixelName(image, 156, h - 4), window.name());
    }

    void selectionHiddenWithShowSelectionOff() {
        auto list = MakeList();
        list->AddColumn(tdSubject, "S")->SetColor(clAqua);
        list->SetShowSelection(false);
        list->Items().Add();
        list->Items().Add();
        list->ListBox()->SetItemIndex(0);
        const QImage image = GrabRows(*list);
        const int h = list->ListBox()->RowHeight();
        QCOMPARE(image.copy(0, 0, 100, h), image.copy(0, h, 100, h));
        QCOMPARE(PixelName(image, 50, h / 2), Resolve(*list, clAqua).name());
    }

    void gridLines_data() {
        QTest::addColumn<bool>("preview");
        QTest::newRow("without preview") << false;
        QTest::newRow("with preview") << true;
    }

    void gridLines() {
        QFETCH(bool, preview);
        auto list = MakeList(300);
        list->AddColumn(tdSubject, "A")->SetWidth(50);
        list->AddColumn(tdSubject, "B")->SetWidth(60);
        list->AddColumn(tdSubject, "C")->SetWidth(70);
        list->SetPreviewHeight(20);
        list->SetPreview(preview);
        list->SetGridLines(true);
        list->Items().Add();
        list->Items().Add();
        const QImage image = GrabRows(*list);
        const int h = list->ListBox()->RowHeight();
        QCOMPARE(h, preview ? 38 : 18);
        const QColor gray = Resolve(*list, clGray);
        // The bottom line of each row, across the whole row.
        QCOMPARE(CountColor(image, QRect(0, h - 1, 300, 1), gray), 300);
        QCOMPARE(CountColor(image, QRect(0, 2 * h - 1, 300, 1), gray), 300);
        // Vertical lines after every column but the last, only without the preview.
        const int middle = 8;
        QCOMPARE(PixelName(image, 50, middle) == gray.name(), !preview);
        QCOMPARE(PixelName(image, 110, middle) == gray.name(), !preview);
        QVERIFY(PixelName(image, 180, middle) != gray.name());
        QCOMPARE(CountColor(image, QRect(0, 0, 300, h - 1), gray), preview ? 0 : 2 * (h - 1));
    }

    void priorityGlyph_data() {
        QTest::addColumn<int>("priority");
        QTest::addColumn<QPoint>("ink");  // a pixel of the glyph, from the cell's top-left
        QTest::addColumn<TColor>("color");
        QTest::newRow("highest: two red marks") << int(tpHighest) << QPoint(8, 1) << clRed;
        QTest::newRow("high: one red mark") << int(tpHigh) << QPoint(5, 1) << clRed;
        QTest::newRow("normal: a black dash") << int(tpNormal) << QPoint(3, 5) << clBlack;
        QTest::newRow("low: one blue arrow") << int(tpLow) << QPoint(2, 6) << clBlue;
        QTest::newRow("lowest: two blue arrows") << int(tpLowest) << QPoint(0, 6) << clBlue;
    }

    void priorityGlyph() {
        QFETCH(int, priority);
        QFETCH(QPoint, ink);
        QFETCH(TColor, color);
        auto list = MakeList();
        TTodoColumnItem* column = list->AddColumn(tdPriority, "Priority");
        column->SetWidth(80);
        column->SetAlignment(taRightJustify);  // the glyph stays at the left edge
        column->SetColor(clAqua);
        list->Items().Add()->SetPriority(static_cast<TTodoPriority>(priority));
        const QImage image = GrabRows(*list);
        QCOMPARE(PixelName(image, ink.x(), ink.y()), Resolve(*list, color).name());
        // White is transparent, and nothing is drawn right of the 12 glyph pixels.
        QCOMPARE(PixelName(image, 11, 11), Resolve(*list, clAqua).name());
        QCOMPARE(CountOther(image, QRect(12, 0, 68, 18), Resolve(*list, clAqua)), 0);
    }

    void checkGlyphPlacement_data() {
        QTest::addColumn<int>("alignment");
        QTest::addColumn<int>("boxLeft");  // in a cell 60 pixels wide
        QTest::newRow("left") << int(taLeftJustify) << 1;
        QTest::newRow("right") << int(taRightJustify) << 45;
        QTest::newRow("centre") << int(taCenter) << 24;
    }

    void checkGlyphPlacement() {
        QFETCH(int, alignment);
        QFETCH(int, boxLeft);
        auto list = MakeList();
        TTodoColumnItem* column = list->AddColumn(tdComplete, "Done");
        column->SetWidth(60);
        column->SetAlignment(static_cast<TAlignment>(alignment));
        column->SetColor(clAqua);
        list->SetItemHeight(20);
        list->Items().Add()->SetComplete(true);
        list->Items().Add()->SetComplete(false);
        const QColor cell = Resolve(*list, clAqua);
        const QColor black = Resolve(*list, clBlack);
        const QColor white = Resolve(*list, clWhite);
        const int h = list->ListBox()->RowHeight();
        const int top = 1;

        // The flat check box: frame, window colour inside, a tick when checked.
        list->CompleteCheck().SetCheckType(ctCheckBox);
        QImage image = GrabRows(*list);
        const QColor frame = Resolve(*list, clBtnShadow);
        QCOMPARE(PixelName(image, boxLeft, top + 7), frame.name());
        QCOMPARE(PixelName(image, boxLeft + 13, top + 7), frame.name());
        QCOMPARE(PixelName(image, boxLeft + 7, top + 13), frame.name());
        QCOMPARE(PixelName(image, boxLeft + 1, top + 1), Resolve(*list, clWindow).name());
        QCOMPARE(PixelName(image, boxLeft - 1, top + 7), cell.name());
        QCOMPARE(PixelName(image, boxLeft + 3, top + 6), Resolve(*list, clWindowText).name());
        QCOMPARE(PixelName(image, boxLeft + 3, h + top + 6), Resolve(*list, clWindow).name());

        // The built-in check marks, fuchsia transparent.
        list->CompleteCheck().SetCheckType(ctCheckMark);
        image = GrabRows(*list);
        QCOMPARE(PixelName(image, boxLeft + 5, top + 14), black.name());
        QCOMPARE(PixelName(image, boxLeft, top), cell.name());
        QCOMPARE(PixelName(image, boxLeft + 12, top + 4), Resolve(*list, clMaroon).name());
        QCOMPARE(PixelName(image, boxLeft + 12, h + top + 4), white.name());

        // Own glyphs, drawn only when there is one.
        list->CompleteCheck().SetCheckType(ctGlyph);
        image = GrabRows(*list);
        QCOMPARE(CountOther(image, QRect(0, 0, 60, 2 * h), cell), 0);
        QPixmap green(10, 10);
        green.fill(Qt::green);
        list->CompleteCheck().SetCompletedGlyph(green);
        image = GrabRows(*list);
        QCOMPARE(PixelName(image, boxLeft, top), QColor(Qt::green).name());
        QCOMPARE(CountOther(image, QRect(0, h, 60, h), cell), 0);
    }

    void handleColumnAlwaysShowsTheCheckedMark() {
        auto list = MakeList();
        list->AddColumn(tdHandle, "")->SetWidth(30);
        list->Items().Add()->SetComplete(false);
        const QImage image = GrabRows(*list);
        QCOMPARE(PixelName(image, 1 + 12, 1 + 4), Resolve(*list, clMaroon).name());
    }

    void longTextEndsInEllipsisWithoutSpill() {
        auto list = MakeList();
        list->AddColumn(tdSubject, "Subject")->SetWidth(60);
        TTodoColumnItem* next = list->AddColumn(tdResource, "Resource");
        next->SetColor(clYellow);
        list->Items().Add()->SetSubject("WWWWWWWWWWWWWWWWWWWWWWWW");
        const QImage image = GrabRows(*list);
        const int h = list->ListBox()->RowHeight();
        const QColor background = Resolve(*list, clWindow);
        QCOMPARE(CountOther(image, QRect(60, 0, 100, h), Resolve(*list, clYellow)), 0);
        // The last glyph is the ellipsis: its ink sits only near the baseline, where a cut
        // W would reach up to the cap height.
        const QFontMetrics metrics(QApplication::font());
        const int x = RightmostInk(image, QRect(0, 0, 60, h), background);
        QVERIFY(x > 30);
        int topInk = h;
        for (int y = 0; y < h; ++y) {
            if (image.pixel(x, y) != background.rgb()) {
                topInk = std::min(topInk, y);
            }
        }
        QVERIFY2(topInk > metrics.ascent() / 2, qPrintable(QString::number(topInk)));
    }

    void previewBandOfSelectedRow() {
        auto list = MakeList();
        list->AddColumn(tdSubject, "Subject")->SetColor(clAqua);
        list->SetPreviewHeight(30);
        list->SetPreview(true);
        list->SetSelectionColor(clNavy);
        list->SetSelectionFontColor(clYellow);
        for (int i = 0; i < 2; ++i) {
            list->Items().Add()->SetNotes(TStringList{"Notes", "second line"});
        }
        list->ListBox()->SetItemIndex(0);
        const QImage image = GrabRows(*list);
        const int h = list->ListBox()->RowHeight();
        QCOMPARE(h, 48);
        const QRect band(0, 18, 400, 30);
        QCOMPARE(PixelName(image, 390, 18 + 28), Resolve(*list, clNavy).name());
        QVERIFY(CountColor(image, band, Resolve(*list, clBlue)) > 0);
        QCOMPARE(CountColor(image, band, Resolve(*list, clYellow)), 0);
        // Unselected: the band has the last cell's colour.
        QCOMPARE(PixelName(image, 390, h + 18 + 28), Resolve(*list, clAqua).name());
        QVERIFY(CountColor(image, band.translated(0, h), Resolve(*list, clBlue)) > 0);
    }

    void cellRectAndCellAtPointAreInverses_data() {
        QTest::addColumn<bool>("preview");
        QTest::newRow("plain") << false;
        QTest::newRow("preview") << true;
    }

    void cellRectAndCellAtPointAreInverses() {
        QFETCH(bool, preview);
        auto list = MakeList(500, 300);
        list->AddColumn(tdSubject, "A")->SetWidth(40);
        list->AddColumn(tdNotes, "B")->SetWidth(75);
        list->AddColumn(tdStatus, "C")->SetWidth(1);
        list->AddColumn(tdResource, "D")->SetWidth(90);
        list->SetPreviewHeight(12);
        list->SetPreview(preview);
        for (int i = 0; i < 5; ++i) {
            list->Items().Add();
        }
        TTodoListBox* box = list->ListBox();
        for (int row = 0; row < 5; ++row) {
            for (int column = 0; column < 4; ++column) {
                const QRect cell = box->CellRect(column, row);
                QCOMPARE(cell.height(), list->ItemHeight());
                for (const QPoint& p : {cell.topLeft(), cell.bottomRight(), cell.center()}) {
                    int foundRow = -1;
                    int foundColumn = -1;
                    QRect rect;
                    QVERIFY(box->CellAtPoint(p.x(), p.y(), foundRow, foundColumn, rect));
                    QCOMPARE(foundRow, row);
                    QCOMPARE(foundColumn, column);
                    QCOMPARE(rect, cell);
                }
            }
        }
        int row = 0;
        int column = 0;
        QRect rect;
        const int right = 40 + 75 + 1 + 90;
        QVERIFY(!box->CellAtPoint(right, 5, row, column, rect));  // right of the last
        QVERIFY(!box->CellAtPoint(5, 5 * box->RowHeight() + 2, row, column, rect));  // below
        QVERIFY(!box->CellAtPoint(-1, 5, row, column, rect));
        QCOMPARE(box->CellAtPoint(5, list->ItemHeight() + 3, row, column, rect), !preview);
    }

    void setterRepaintsOnlyItsRow() {
        auto list = MakeList(400, 300);
        list->AddColumn(tdSubject, "Subject");
        for (int i = 0; i < 100; ++i) {
            list->Items().Add();
        }
        list->show();
        QVERIFY(QTest::qWaitForWindowExposed(list.get()));
        PaintRecorder recorder;
        list->ListBox()->viewport()->installEventFilter(&recorder);
        QWidget* viewport = list->ListBox()->viewport();
        viewport->update();
        // The whole view is painted once; from then on only what changes.
        QTRY_VERIFY(recorder.rects.contains(viewport->rect()));
        recorder.rects.clear();
        list->Items().At(3)->SetSubject("Changed");
        list->Items().At(99)->SetSubject("Out of view");  // not visible: no repaint at all
        QTRY_VERIFY(!recorder.rects.isEmpty());
        for (const QRect& r : recorder.rects) {
            QCOMPARE(r, list->ListBox()->RowRect(3));
        }
    }
};

QTEST_MAIN(TestRendering)
#include "tst_rendering.moc"
