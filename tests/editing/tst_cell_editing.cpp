// Cell editing in a shown to-do list control: what opens where for each data kind, the
// keys that end and advance an edit, the write-back rules and what ends an edit.

#include <QCalendarWidget>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "editing/edit_test_support.h"
#include "platform/testing/fake_platform.h"

class TestCellEditing : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TTodoList> list_;
    QStringList log_;

    TTodoList& Shown(int items = 5) {
        list_ = MakeEditList(items);
        log_.clear();
        list_->OnItemSelect = [this](QObject*, TTodoItem* item) {
            log_ << QStringLiteral("select %1").arg(item ? item->Index() : -1);
        };
        list_->OnEditStart = [this](QObject*) { log_ << QStringLiteral("start"); };
        list_->OnEditDone = [this](QObject*) { log_ << QStringLiteral("done"); };
        if (!ShowFocused(*list_)) {
            qWarning("the list did not get the focus");
        }
        return *list_;
    }
    TTodoItem& Item(int row) { return *list_->Items().At(row); }

private Q_SLOTS:
    void initTestCase() { UseCrispTestFont(); }
    void cleanup() { list_.reset(); }

    void clickOnUnselectedRowSelectsAndOpensInOneStep() {
        TTodoList& list = Shown();
        ClickCell(list, ecSubject, 2);
        QCOMPARE(log_, QStringList({QStringLiteral("select 2"), QStringLiteral("start")}));
        QCOMPARE(list.ListBox()->ItemIndex(), 2);
        QCOMPARE(list.ListBox()->FocusColumn(), int(ecSubject));
        TInplaceEdit& edit = Editing(list).InplaceEdit();
        QVERIFY(edit.isVisible());
        QCOMPARE(edit.parentWidget(), Viewport(list));
        QCOMPARE(edit.geometry(), list.ListBox()->CellRect(ecSubject, 2));
        QCOMPARE(edit.Text(), QStringLiteral("Item 2"));
        QTRY_VERIFY(edit.hasFocus());
    }

    void clickOnNonEditableColumnOnlyMovesTheCursor() {
        TTodoList& list = Shown();
        list.Columns().At(ecResource)->SetEditable(false);
        ClickCell(list, ecResource, 1);
        QCOMPARE(list.ListBox()->FocusColumn(), int(ecResource));
        QCOMPARE(log_, QStringList({QStringLiteral("select 1")}));
        QVERIFY(!Editing(list).Editing());
    }

    void enterWritesAndAdvances() {
        TTodoList& list = Shown();
        list.SetAutoAdvanceEdit(true);
        list.SetCompletionGraphic(false);
        ClickCell(list, ecSubject, 0);
        TInplaceEdit& edit = Editing(list).InplaceEdit();
        edit.selectAll();
        QTest::keyClicks(&edit, QStringLiteral("Paint"));
        QTest::keyClick(&edit, Qt::Key_Return);
        QCOMPARE(Item(0).Subject(), std::string("Paint"));
        QVERIFY(log_.contains(QStringLiteral("done")));
        // The next column's editor opens once the posted F2 arrives.
        TInplaceSpinEdit& spin = Editing(list).InplaceSpinEdit();
        QTRY_VERIFY(spin.isVisible());
        QCOMPARE(list.ListBox()->FocusColumn(), int(ecCompletion));
        QCOMPARE(spin.geometry(), list.ListBox()->CellRect(ecCompletion, 0));
        QCOMPARE(spin.Text(), QStringLiteral("0"));
    }

    void enterInTheLastColumnOpensNothing() {
        TTodoList& list = Shown();
        list.SetAutoAdvanceEdit(true);
        ClickCell(list, ecResource, 0);
        TInplaceEdit& edit = Editing(list).InplaceEdit();
        QTest::keyClick(&edit, Qt::Key_Return);
        QCOMPARE(list.ListBox()->FocusColumn(), int(ecCount));
        QTest::qWait(50);
        QVERIFY(!Editing(list).Editing());
    }

    void typedLetterStartsWithJustThatLetterAndEscapeWritesIt() {
        TTodoList& list = Shown();
        list.ListBox()->SetItemIndex(1);
        list.ListBox()->SetFocusColumn(ecSubject);
        QTest::keyClick(list.ListBox(), Qt::Key_A);
        TInplaceEdit& edit = Editing(list).InplaceEdit();
        QVERIFY(edit.isVisible());
        QCOMPARE(edit.Text(), QStringLiteral("a"));
        QCOMPARE(edit.cursorPosition(), 1);
        QTest::keyClicks(&edit, QStringLiteral("bc"));
        QTest::keyClick(&edit, Qt::Key_Escape);
        // Escape puts back the text the editor was opened with, and writes it.
        QCOMPARE(Item(1).Subject(), std::string("a"));
        QVERIFY(!edit.isVisible());
        QTRY_VERIFY(list.ListBox()->hasFocus());
    }

    void keysThatStartAnEdit_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << int(Qt::Key_A) << QStringLiteral("a") << true << "a";
        QTest::newRow("digit") << int(Qt::Key_7) << QStringLiteral("7") << true << "7";
        QTest::newRow("underscore")
            << int(Qt::Key_Underscore) << QStringLiteral("_") << true << "_";
        QTest::newRow("F2") << int(Qt::Key_F2) << QString() << true << "Item 0";
        QTest::newRow("space") << int(Qt::Key_Space) << QStringLiteral(" ") << true << "Item 0";
        QTest::newRow("minus") << int(Qt::Key_Minus) << QStringLiteral("-") << false << "";
        QTest::newRow("exclamation") << int(Qt::Key_Exclam) << QStringLiteral("!") << false << "";
        QTest::newRow("brace") << int(Qt::Key_BraceLeft) << QStringLiteral("{") << false << "";
    }

    void keysThatStartAnEdit() {
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(bool, opens);
        QFETCH(QString, shown);
        TTodoList& list = Shown();
        list.ListBox()->SetItemIndex(0);
        list.ListBox()->SetFocusColumn(ecSubject);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(list.ListBox(), &press);
        QCOMPARE(Editing(list).Editing(), opens);
        if (opens) {
            QCOMPARE(Editing(list).InplaceEdit().Text(), shown);
        }
    }

    void nothingOpensWithoutASelectedRow() {
        TTodoList& list = Shown();
        list.ListBox()->SetItemIndex(-1);
        QTest::keyClick(list.ListBox(), Qt::Key_F2);
        QTest::keyClick(list.ListBox(), Qt::Key_A);
        QVERIFY(!Editing(list).Editing());
        QVERIFY(log_.isEmpty());
    }

    void completionTyped_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("complete");
        QTest::newRow("150") << QStringLiteral("150") << 100 << true;
        QTest::newRow("100") << QStringLiteral("100") << 100 << true;
        QTest::newRow("-5") << QStringLiteral("-5") << 0 << false;
        QTest::newRow("1.5") << QStringLiteral("1.5") << 0 << false;
        QTest::newRow("99") << QStringLiteral("99") << 99 << false;
    }

    void completionTyped() {
        QFETCH(QString, typed);
        QFETCH(int, stored);
        QFETCH(bool, complete);
        TTodoList& list = Shown();
        list.SetCompletionGraphic(false);
        Item(1).SetComplete(true);
        ClickCell(list, ecCompletion, 1);
        TInplaceSpinEdit& spin = Editing(list).InplaceSpinEdit();
        QVERIFY(spin.isVisible());
        QCOMPARE(spin.geometry(), list.ListBox()->CellRect(ecCompletion, 1));
        // The whole value is selected, so typing replaces it.
        QTRY_VERIFY(spin.hasFocus());
        QTest::keyClicks(&spin, typed);
        QCOMPARE(spin.Text(), typed);
        QTest::keyClick(&spin, Qt::Key_Enter);
        QCOMPARE(int(Item(1).Completion()), stored);
        QCOMPARE(Item(1).Complete(), complete);
    }

    void completionClick_data() {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("stored");
        QTest::newRow("leftmost pixel") << 0 << 61 << 0;
        QTest::newRow("rightmost pixel") << 60 << 61 << 100;
        QTest::newRow("middle") << 30 << 61 << 50;
        QTest::newRow("one pixel wide") << 0 << 1 << 0;
    }

    void completionClick() {
        QFETCH(int, offset);
        QFETCH(int, width);
        QFETCH(int, stored);
        TTodoList& list = Shown();
        list.Columns().At(ecCompletion)->SetWidth(width);
        Item(3).SetCompletion(40);
        const QRect cell = list.ListBox()->CellRect(ecCompletion, 3);
        QTest::mouseClick(Viewport(list), Qt::LeftButton, {},
                          QPoint(cell.left() + offset, cell.center().y()));
        QCOMPARE(int(Item(3).Completion()), stored);
        QCOMPARE(Item(3).Complete(), stored == 100);
        QVERIFY(!Editing(list).Editing());
        QCOMPARE(log_, QStringList({QStringLiteral("select 3"), QStringLiteral("start"),
                                    QStringLiteral("done")}));
    }

    void completionGraphicFromTheKeyboardOpensTheIntegerEditor() {
        TTodoList& list = Shown();
        list.ListBox()->SetItemIndex(4);
        list.ListBox()->SetFocusColumn(ecCompletion);
        QTest::keyClick(list.ListBox(), Qt::Key_F2);
        TInplaceSpinEdit& spin = Editing(list).InplaceSpinEdit();
        QVERIFY(spin.isVisible());
        QCOMPARE(spin.Value(), 40);
        QTest::keyClicks(&spin, QStringLiteral("100"));
        QTest::keyClick(&spin, Qt::Key_Return);
        QCOMPARE(int(Item(4).Completion()), 100);
        QVERIFY(Item(4).Complete());
    }

    void doneCheckFlipsOnlyComplete() {
        TTodoList& list = Shown();
        Item(2).SetCompletion(30);
        ClickCell(list, ecDone, 2);
        QVERIFY(Item(2).Complete());
        QCOMPARE(int(Item(2).Completion()), 30);
        QCOMPARE(Item(2).Status(), tsInProgress);
        QTest::keyClick(list.ListBox(), Qt::Key_Space);
        QVERIFY(!Item(2).Complete());
        QTest::keyClick(list.ListBox(), Qt::Key_X);
        QVERIFY(Item(2).Complete());
        QCOMPARE(log_.count(QStringLiteral("done")), 3);
    }

    void letterOnNotes_data() {
        QTest::addColumn<QStringList>("notes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("empty notes") << QStringList() << QStringLiteral("k");
        QTest::newRow("notes") << QStringList({QStringLiteral("one"), QStringLiteral("two")})
                               << QStringLiteral("one\ntwo");
    }

    void letterOnNotes() {
        QFETCH(QStringList, notes);
        QFETCH(QString, shown);
        TTodoList& list = Shown();
        TStringList lines;
        for (const QString& line : notes) {
            lines.Add(line.toStdString());
        }
        Item(0).SetNotes(lines);
        list.ListBox()->SetItemIndex(0);
        list.ListBox()->SetFocusColumn(ecNotes);
        QTest::keyClick(list.ListBox(), Qt::Key_K);
        TInplaceMemo& memo = Editing(list).InplaceMemo();
        QVERIFY(memo.isVisible());
        QCOMPARE(memo.toPlainText(), shown);
        // The notes popup opens at the cell, as tall as the column is wide.
        const QRect cell = CellScreenRect(list, ecNotes, 0);
        TEditorPopup& popup = Editing(list).EditorPopup();
        QCOMPARE(memo.parentWidget(), &popup);
        QCOMPARE(ScreenRect(&popup), QRect(cell.topLeft(), QSize(cell.width(), cell.width())));
        QCOMPARE(memo.geometry(), QRect(0, 0, cell.width(), cell.width()));
        QTest::keyClick(&memo, Qt::Key_Escape);
        QCOMPARE(QString::fromStdString(Item(0).Notes().Text()),
                 notes.isEmpty() ? QStringLiteral("k\r\n") : QStringLiteral("one\r\ntwo\r\n"));
    }

    void escapeAndTabInTheMemoKeepTheNotesAndAdvance_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("escape") << int(Qt::Key_Escape);
        QTest::newRow("tab") << int(Qt::Key_Tab);
    }

    void escapeAndTabInTheMemoKeepTheNotesAndAdvance() {
        QFETCH(int, key);
        TTodoList& list = Shown();
        list.SetAutoAdvanceEdit(true);
        ClickCell(list, ecNotes, 1);
        TInplaceMemo& memo = Editing(list).InplaceMemo();
        QTRY_VERIFY(memo.hasFocus());
        QTest::keyClicks(&memo, QStringLiteral("first"));
        QTest::keyClick(&memo, Qt::Key_Return);
        QTest::keyClicks(&memo, QStringLiteral("second"));
        QTest::keyClick(&memo, Qt::Key(key));
        QCOMPARE(Item(1).Notes().Lines(), std::vector<std::string>({"first", "second"}));
        QTRY_VERIFY(Editing(list).InplaceSpinEdit().isVisible());
        QCOMPARE(list.ListBox()->FocusColumn(), int(ecTotal));
    }

    void listsAreSeventyPixelsWideAndShowAllEntries_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("entries");
        QTest::newRow("priority") << int(ecPriority) << 5;
        QTest::newRow("status") << int(ecStatus) << 4;
    }

    void listsAreSeventyPixelsWideAndShowAllEntries() {
        QFETCH(int, column);
        QFETCH(int, entries);
        TTodoList& list = Shown();
        ClickCell(list, column, 1);
        TInplaceListBox& box = column == ecPriority ? Editing(list).InplaceODListBox()
                                                    : Editing(list).InplaceListBox();
        QVERIFY(box.isVisible());
        QCOMPARE(box.count(), entries);
        const QRect cell = CellScreenRect(list, column, 1);
        TEditorPopup& popup = Editing(list).EditorPopup();
        QCOMPARE(ScreenRect(&popup), QRect(cell.topLeft(), QSize(70, entries * 16)));
        QCOMPARE(box.geometry(), QRect(0, 0, 70, entries * 16));
        QVERIFY(!box.verticalScrollBar()->isVisible());
        QCOMPARE(box.visualItemRect(box.item(entries - 1)).bottom(), entries * 16 - 1);
        QCOMPARE(box.ItemIndex(), column == ecPriority ? int(tpNormal) : int(tsInProgress));
    }

    void tabInAListBehavesAsEnter() {
        TTodoList& list = Shown();
        list.SetAutoAdvanceEdit(true);
        ClickCell(list, ecPriority, 0);
        TInplaceODListBox& box = Editing(list).InplaceODListBox();
        QTRY_VERIFY(box.hasFocus());
        QTest::keyClick(&box, Qt::Key_Down);
        QVERIFY(box.isVisible());
        QTest::keyClick(&box, Qt::Key_Tab);
        QCOMPARE(Item(0).Priority(), tpHigh);
        QVERIFY(!Editing(list).EditorPopup().isVisible());
        QTRY_VERIFY(Editing(list).InplaceListBox().isVisible());
        QCOMPARE(list.ListBox()->FocusColumn(), int(ecStatus));
    }

    void escapeInAListWritesTheEntryItOpenedWith() {
        TTodoList& list = Shown();
        Item(0).SetStatus(tsDeferred);
        ClickCell(list, ecStatus, 0);
        TInplaceListBox& box = Editing(list).InplaceListBox();
        QTest::keyClick(&box, Qt::Key_Up);
        QTest::keyClick(&box, Qt::Key_Up);
        QCOMPARE(box.ItemIndex(), int(tsCompleted));
        QTest::keyClick(&box, Qt::Key_Escape);
        QCOMPARE(Item(0).Status(), tsDeferred);
        QVERIFY(log_.contains(QStringLiteral("done")));
    }

    void clickOnAnEntryPicksIt() {
        TTodoList& list = Shown();
        ClickCell(list, ecStatus, 2);
        TInplaceListBox& box = Editing(list).InplaceListBox();
        QTest::mouseClick(box.viewport(), Qt::LeftButton, {},
                          box.visualItemRect(box.item(tsCompleted)).center());
        QCOMPARE(Item(2).Status(), tsCompleted);
        QVERIFY(!Editing(list).Editing());
    }

    void listsAreRefilledWhenTheTextsChange() {
        TTodoList& list = Shown();
        ClickCell(list, ecStatus, 0);
        list.EndEdit();
        list.StatusStrings().SetDeferred("Later");
        ClickCell(list, ecStatus, 1);
        TInplaceListBox& box = Editing(list).InplaceListBox();
        QCOMPARE(box.EntryText(tsDeferred), QStringLiteral("Later"));
        box.setCurrentRow(tsDeferred);
        list.EndEdit();
        QCOMPARE(Item(1).Status(), tsDeferred);
    }

    void priorityRowsShowTheirImages() {
        TTodoList& list = Shown();
        ClickCell(list, ecPriority, 0);
        const TInplaceODListBox& box = Editing(list).InplaceODListBox();
        QImage image(70, 16, QImage::Format_RGB32);
        for (int row : {0, 4}) {
            image.fill(Qt::green);
            QPainter painter(&image);
            box.PaintRow(painter, row, QRect(0, 0, 70, 16), false);
            painter.end();
            QImage expected(70, 16, QImage::Format_RGB32);
            expected.fill(Resolve(list, clWindow));
            QPainter strip(&expected);
            strip.drawPixmap(0, 0, list.ListBox()->PriorityImages().Image(4 - row));
            strip.end();
            QCOMPARE(image.copy(0, 0, 16, 16), expected.copy(0, 0, 16, 16));
        }
    }

    void datesOpenOverTheCellAndKeepTheItemsTime() {
        TTodoList& list = Shown();
        Item(1).SetDueDate(0.0);
        ClickCell(list, ecDue, 1);
        TTodoDateTimePicker& picker = Editing(list).DateTimePicker();
        QVERIFY(picker.isVisible());
        QCOMPARE(picker.geometry(), list.ListBox()->CellRect(ecDue, 1));
        // An unset date is 30 December 1899, like any other date.
        QCOMPARE(picker.date(), QDate(1899, 12, 30));
        QTest::keyClick(&picker, Qt::Key_Return);
        QCOMPARE(Item(1).DueDate(), 0.0);

        // Opening and closing a cell keeps the value exactly, below a millisecond too; a
        // new date keeps the item's time of day.
        const TDateTime evening = 45000.75 + 1e-9;
        Item(1).SetDueDate(evening);
        ClickCell(list, ecDue, 1);
        QCOMPARE(picker.time(), QTime(18, 0));
        QTest::keyClick(&picker, Qt::Key_Return);
        QVERIFY(!Editing(list).Editing());
        QCOMPARE(Item(1).DueDate(), evening);
        ClickCell(list, ecDue, 1);
        picker.setDate(QDate(2025, 6, 7));
        QTest::keyClick(&picker, Qt::Key_Return);
        QCOMPARE(DateTimeToQDateTime(Item(1).DueDate()),
                 QDateTime(QDate(2025, 6, 7), QTime(18, 0)));
    }

    void aClickOnTheDueDateArrowOpensTheCalendar() {
        TTodoList& list = Shown();
        ClickCell(list, ecDue, 0);
        TTodoDateTimePicker& picker = Editing(list).DateTimePicker();
        const QPoint arrow = picker.ArrowPoint();
        list.EndEdit();
        QVERIFY(!picker.calendarWidget() || !picker.calendarWidget()->isVisible());
        const QRect cell = list.ListBox()->CellRect(ecDue, 2);
        QTest::mouseClick(Viewport(list), Qt::LeftButton, {}, cell.topLeft() + arrow);
        QVERIFY(Editing(list).Editing());
        QVERIFY(picker.calendarWidget());
        QTRY_VERIFY(picker.calendarWidget()->isVisible());
        // The calendar is the picker's own popup: the edit goes on while it is open.
        QVERIFY(Editing(list).Editing());
        picker.calendarWidget()->window()->hide();
        list.EndEdit();
    }

    void aVerticalScrollWritesAndCloses() {
        TTodoList& list = Shown(40);
        ClickCell(list, ecSubject, 1);
        TInplaceEdit& edit = Editing(list).InplaceEdit();
        edit.setText(QStringLiteral("scrolled"));
        list.ListBox()->verticalScrollBar()->setValue(5);
        QVERIFY(!edit.isVisible());
        QCOMPARE(Item(1).Subject(), std::string("scrolled"));
    }

    void aHeaderPressWritesAndCloses() {
        TTodoList& list = Shown();
        ClickCell(list, ecResource, 3);
        Editing(list).InplaceEdit().setText(QStringLiteral("Tom"));
        QTest::mouseClick(list.Header(), Qt::LeftButton, {}, QPoint(60, 9));
        QCOMPARE(Item(3).Resource(), std::string("Tom"));
        QVERIFY(!Editing(list).Editing());
    }

    void anotherClickEndsTheEditFirst() {
        TTodoList& list = Shown();
        ClickCell(list, ecSubject, 0);
        Editing(list).InplaceEdit().setText(QStringLiteral("first"));
        ClickCell(list, ecTotal, 2);
        QCOMPARE(Item(0).Subject(), std::string("first"));
        QVERIFY(Editing(list).InplaceSpinEdit().isVisible());
        QCOMPARE(Editing(list).EditedItem(), &Item(2));
    }

    void editSelectAllSelectsTheText() {
        TTodoList& list = Shown();
        list.SetEditSelectAll(true);
        ClickCell(list, ecSubject, 0);
        QCOMPARE(Editing(list).InplaceEdit().selectedText(), QStringLiteral("Item 0"));
    }

    void clickPlacesTheCaret() {
        TTodoList& list = Shown();
        const QRect cell = list.ListBox()->CellRect(ecSubject, 0);
        QTest::mouseClick(Viewport(list), Qt::LeftButton, {},
                          QPoint(cell.left() + 1, cell.center().y()));
        QCOMPARE(Editing(list).InplaceEdit().cursorPosition(), 0);
        QVERIFY(!Editing(list).InplaceEdit().hasSelectedText());
    }

    void removingTheEditedItemDropsTheEdit_data() {
        QTest::addColumn<bool>("clear");
        QTest::newRow("delete") << false;
        QTest::newRow("clear") << true;
    }

    void removingTheEditedItemDropsTheEdit() {
        QFETCH(bool, clear);
        TTodoList& list = Shown();
        ClickCell(list, ecSubject, 2);
        Editing(list).InplaceEdit().setText(QStringLiteral("gone"));
        log_.clear();
        if (clear) {
            list.Items().Clear();
        } else {
            list.Items().Delete(2);
        }
        QVERIFY(!Editing(list).Editing());
        QVERIFY(!Editing(list).InplaceEdit().isVisible());
        QVERIFY(log_.isEmpty());
        for (const TTodoItem* item : list.Items()) {
            QVERIFY(item->Subject() != "gone");
        }
    }

    void removingAnotherRowEndsTheEditIntoItsItem() {
        TTodoList& list = Shown();
        ClickCell(list, ecSubject, 3);
        Editing(list).InplaceEdit().setText(QStringLiteral("kept"));
        TTodoItem* edited = &Item(3);
        list.Items().Delete(0);
        QVERIFY(!Editing(list).Editing());
        QCOMPARE(edited->Subject(), std::string("kept"));
    }

    void previewBandEditsTheNotes() {
        TTodoList& list = Shown();
        list.SetPreviewHeight(32);
        list.SetPreview(true);
        Item(1).SetNotes(TStringList{"a note"});
        const QRect row = list.ListBox()->RowRect(1);
        log_.clear();
        QTest::mouseClick(Viewport(list), Qt::LeftButton, {}, QPoint(20, row.top() + 18 + 10));
        TInplaceMemo& memo = Editing(list).InplaceMemo();
        QVERIFY(memo.isVisible());
        QCOMPARE(memo.parentWidget(), &list);
        const QPoint origin = Viewport(list)->mapTo(&list, QPoint(0, row.top() + 18 + 1));
        QCOMPARE(memo.geometry(), QRect(origin, QSize(row.width(), 32)));
        QCOMPARE(memo.toPlainText(), QStringLiteral("a note"));
        // A click opens the preview memo without OnEditStart.
        QVERIFY(!log_.contains(QStringLiteral("start")));
        memo.setPlainText(QStringLiteral("changed"));
        list.EndEdit();
        QCOMPARE(Item(1).Notes().Lines(), std::vector<std::string>({"changed"}));

        // F2 at the preview position (past the last column) opens it from the keyboard.
        list.ListBox()->SetItemIndex(2);
        list.ListBox()->SetFocusColumn(list.Columns().Count());
        QTest::keyClick(list.ListBox(), Qt::Key_F2);
        QVERIFY(memo.isVisible());
        QCOMPARE(Editing(list).EditedItem(), &Item(2));
        QVERIFY(log_.contains(QStringLiteral("start")));
    }

    void textEditorsHoldAtMostAFieldsBytes() {
        TTodoList& list = Shown();
        ClickCell(list, ecSubject, 0);
        TInplaceEdit& edit = Editing(list).InplaceEdit();
        edit.setText(QString(70000, QLatin1Char('x')));
        QCOMPARE(edit.Text().toLocal8Bit().size(), kMaxFieldBytes);
        // Two bytes each in UTF-8: one more does not fit.
        edit.setText(QString(32767, QChar(0xE9)) + QStringLiteral("ab"));
        QCOMPARE(edit.Text().toLocal8Bit().size(), 65535);
        list.EndEdit();
        QCOMPARE(Item(0).Subject().size(), std::size_t(65535));

        ClickCell(list, ecNotes, 0);
        TInplaceMemo& memo = Editing(list).InplaceMemo();
        memo.setPlainText(QString(70000, QLatin1Char('y')));
        list.EndEdit();
        QCOMPARE(Item(0).Notes().Text().size(), std::size_t(65535));
    }

    void editColorsReachTheEditors() {
        TTodoList& list = Shown();
        TEditColors& colors = list.EditColors();
        colors.StringEditor().SetBackColor(clYellow);
        colors.StringEditor().SetFontColor(clNavy);
        QCOMPARE(Editing(list).InplaceEdit().Color(), clYellow);
        QCOMPARE(colors.StringEditor().FontColor(), clNavy);
        colors.PriorityEditor().SetBackColor(clAqua);
        QCOMPARE(Editing(list).InplaceODListBox().Color(), clAqua);
        colors.DateEditor().SetFontColor(clMaroon);
        QCOMPARE(Editing(list).DateTimePicker().FontColor(), clMaroon);
        TMonthCalColors cal;
        cal.TitleBackColor = clGreen;
        colors.DateEditor().SetCalColors(cal);
        QCOMPARE(Editing(list).DateTimePicker().CalColors(), cal);
        // The calendar is made on the first date edit, with the colours given before.
        TTodoDateTimePicker& picker = Editing(list).DateTimePicker();
        QVERIFY(!picker.findChild<QCalendarWidget*>());
        ClickCell(list, ecDue, 0);
        QVERIFY(picker.findChild<QCalendarWidget*>());
        QCOMPARE(picker.calendarWidget()->palette().color(QPalette::Highlight),
                 Resolve(list, clGreen));
        list.EndEdit();
        cal.TitleBackColor = clPurple;
        colors.DateEditor().SetCalColors(cal);
        QCOMPARE(picker.calendarWidget()->palette().color(QPalette::Highlight),
                 Resolve(list, clPurple));
        // An edit gives the editor the column's font colour, and keeps the background.
        ClickCell(list, ecSubject, 0);
        QCOMPARE(colors.StringEditor().FontColor(), clWindowText);
        QCOMPARE(colors.StringEditor().BackColor(), clYellow);
        QCOMPARE(Editing(list).InplaceEdit().palette().color(QPalette::Base),
                 Resolve(list, clYellow));
    }

    void insertKeyAddsAnItemAndEditsItsSubject() {
        TFakeClock clock;
        TTodoList& list = Shown();
        list.SetClock(&clock);
        list.SetAutoInsertItem(true);
        list.AddColumn(tdSubject, "Second subject");
        list.ListBox()->SetItemIndex(1);
        QTest::keyClick(list.ListBox(), Qt::Key_Insert);
        QCOMPARE(list.Items().Count(), 6);
        TTodoItem& item = Item(5);
        QCOMPARE(item.CreationDate(), clock.Current);
        QCOMPARE(item.DueDate(), clock.Current + 1);
        QCOMPARE(item.CompletionDate(), item.DueDate());
        QCOMPARE(list.ListBox()->ItemIndex(), 5);
        // The right-most subject column is edited.
        QCOMPARE(list.ListBox()->FocusColumn(), int(ecCount));
        QVERIFY(Editing(list).InplaceEdit().isVisible());
        QCOMPARE(Editing(list).InplaceEdit().geometry(), list.ListBox()->CellRect(ecCount, 5));
        list.EndEdit();
        list.SetClock(nullptr);
    }

    void insertRefusedLeavesNoTrace() {
        TTodoList& list = Shown();
        list.SetAutoInsertItem(true);
        list.ListBox()->SetItemIndex(2);
        list.OnItemInsert = [](QObject*, TTodoItem*, bool& allow) { allow = false; };
        QTest::keyClick(list.ListBox(), Qt::Key_Insert);
        QCOMPARE(list.Items().Count(), 5);
        QCOMPARE(list.ListBox()->RowCount(), 5);
        QCOMPARE(list.ListBox()->ItemIndex(), 2);
        QVERIFY(!Editing(list).Editing());
        // Without AutoInsertItem Insert does nothing.
        list.SetAutoInsertItem(false);
        list.OnItemInsert = nullptr;
        QTest::keyClick(list.ListBox(), Qt::Key_Insert);
        QCOMPARE(list.Items().Count(), 5);
    }

    void deleteKeyDeletesTheSelectedItem() {
        TTodoList& list = Shown();
        list.SetAutoDeleteItem(true);
        list.ListBox()->SetItemIndex(4);
        bool allow = false;
        list.OnItemDelete = [&](QObject*, TTodoItem* item, bool& answer) {
            QCOMPARE(item, &Item(4));
            answer = allow;
        };
        QTest::keyClick(list.ListBox(), Qt::Key_Delete);
        QCOMPARE(list.Items().Count(), 5);
        allow = true;
        QTest::keyClick(list.ListBox(), Qt::Key_Delete);
        QCOMPARE(list.Items().Count(), 4);
        // The new last row is selected.
        QCOMPARE(list.ListBox()->ItemIndex(), 3);
        list.ListBox()->SetItemIndex(-1);
        QTest::keyClick(list.ListBox(), Qt::Key_Delete);
        QCOMPARE(list.Items().Count(), 4);
    }

    void onKeyDownCanSwallowTheEditKeys() {
        TTodoList& list = Shown();
        list.SetAutoDeleteItem(true);
        list.ListBox()->SetItemIndex(0);
        list.OnKeyDown = [](QObject*, int& key, Qt::KeyboardModifiers) { key = 0; };
        QTest::keyClick(list.ListBox(), Qt::Key_F2);
        QTest::keyClick(list.ListBox(), Qt::Key_Delete);
        QTest::keyClick(list.ListBox(), Qt::Key_Down);
        QVERIFY(!Editing(list).Editing());
        QCOMPARE(list.Items().Count(), 5);
        QCOMPARE(list.ListBox()->ItemIndex(), 0);
    }
};

QTEST_MAIN(TestCellEditing)
#include "tst_cell_editing.moc"
