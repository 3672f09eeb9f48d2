// The to-do list control shell: defaults, conversions, row height, columns, selection,
// events and the file operations.

#include <QBuffer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "model/todo_file.h"
#include "platform/format_settings.h"
#include "todolist/list_test_support.h"

class TestList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { UseCrispTestFont(); }

    void newControlDefaults() {
        TTodoList list;
        QCOMPARE(list.size(), QSize(100, 100));
        QCOMPARE(list.Header()->height(), 18);
        QCOMPARE(list.Header()->geometry().top(), 1);  // inside the one-pixel border
        QCOMPARE(list.ListBox()->geometry(), QRect(1, 19, 98, 80));
        QCOMPARE(list.ItemHeight(), 18);
        QCOMPARE(list.ListBox()->RowHeight(), 18);
        QCOMPARE(list.BorderStyle(), bsSingle);
        QVERIFY(list.CompletionGraphic());
        QVERIFY(!list.TabStop());
        QCOMPARE(list.Columns().Count(), 0);
        QCOMPARE(list.Items().Count(), 0);
        QCOMPARE(list.StatusStrings().InProgress(), std::string("In progress"));
        QCOMPARE(list.PriorityStrings().Highest(), std::string("Highest"));
        QVERIFY(!list.Sorted());
        QCOMPARE(list.SortColumn(), 0);
        QCOMPARE(list.SortDirection(), sdAscending);
        QVERIFY(list.Editable());
        QVERIFY(!list.EditSelectAll());
        QVERIFY(!list.GridLines());
        QVERIFY(!list.Preview());
        QCOMPARE(list.PreviewHeight(), 0);
        QVERIFY(list.ShowSelection());
        QCOMPARE(list.Color(), clWindow);
        QCOMPARE(list.SelectionColor(), clHighlight);
        QCOMPARE(list.SelectionFontColor(), clHighlightText);
        QCOMPARE(list.CompletionFont().Color, clGray);
        QVERIFY(list.CompletionFont().HasStyle(fsStrikeOut));
        QCOMPARE(list.PriorityFont().Color, clRed);
        QCOMPARE(list.PreviewFont().Color, clBlue);
        QCOMPARE(list.ProgressLook().CompleteColor(), clRed);
        QCOMPARE(list.ProgressLook().CompleteFontColor(), clWhite);
        QCOMPARE(list.ProgressLook().UnCompleteColor(), clWindow);
        QCOMPARE(list.ProgressLook().UnCompleteFontColor(), clWindowText);
        QCOMPARE(list.CompleteCheck().CheckType(), ctCheckBox);
        QVERIFY(list.CompleteCheck().CompletedGlyph().isNull());
        QCOMPARE(list.DateFormat(), SystemFormatSettings().ShortDateFormat);
        QCOMPARE(list.DragMode(), dmManual);
        QCOMPARE(list.ListBox()->ItemIndex(), -1);
        QVERIFY(!list.HeaderDragDrop());
        QVERIFY(!list.Header()->SectionDragDrop());
        QCOMPARE(list.Header()->Color(), clBtnFace);
        QCOMPARE(list.Header()->TextHeight(), 16);
        QCOMPARE(list.SelectedItem(), nullptr);
    }

    void borderOutlinesTheControl() {
        TTodoList list;
        list.resize(120, 80);
        QImage image = list.grab().toImage();
        const QColor gray = Resolve(list, clGray);
        QCOMPARE(image.pixelColor(0, 40), gray);
        QCOMPARE(image.pixelColor(119, 0), gray);
        QCOMPARE(image.pixelColor(60, 79), gray);
        list.SetBorderStyle(bsNone);
        QCOMPARE(list.ListBox()->geometry(), QRect(0, 18, 120, 62));
        image = list.grab().toImage();
        QVERIFY(image.pixelColor(0, 40) != gray);
    }

    void statusFromString_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("status");
        QTest::newRow("exact") << "Not started" << int(tsNotStarted);
        QTest::newRow("mixed case") << "In PROGRESS" << int(tsInProgress);
        QTest::newRow("lower") << "completed" << int(tsCompleted);
        QTest::newRow("upper") << "DEFERRED" << int(tsDeferred);
    }

    void statusFromString() {
        QFETCH(QString, text);
        QFETCH(int, status);
        TTodoList list;
        QCOMPARE(int(list.TodoStatusFromString(text.toStdString())), status);
    }

    void unknownTextsRaiseWithTheLowerCasedParameter() {
        TTodoList list;
        try {
            list.TodoStatusFromString("Done");
            QFAIL("no exception");
        } catch (const EConversionFunctionException& e) {
            QCOMPARE(e.Message(), QStringLiteral("TodoStatusFromString error. The parameter "
                                                 "\"done\" is not a valid status string."));
        }
        // The conversion event cannot rescue an unknown text.
        list.OnStringToPriority = [](QObject*, const std::string&, TTodoPriority& value) {
            value = tpHigh;
        };
        try {
            list.TodoPriorityFromString("URGENT");
            QFAIL("no exception");
        } catch (const EConversionFunctionException& e) {
            QCOMPARE(e.Message(), QStringLiteral("TodoPriorityFromString error. The parameter "
                                                 "\"urgent\" is not a valid priority string."));
        }
        // Only A..Z are lowered; other bytes stay as they are.
        try {
            list.TodoStatusFromString("\xC4rger");
            QFAIL("no exception");
        } catch (const EConversionFunctionException& e) {
            QVERIFY(e.Message().contains(QString::fromLocal8Bit("\"\xC4rger\"")));
        }
    }

    void conversionEvents() {
        TTodoList list;
        list.StatusStrings().SetCompleted("Same");
        list.StatusStrings().SetDeferred("same");
        QCOMPARE(list.TodoStatusFromString("SAME"), tsDeferred);  // the later status wins

        std::string seen;
        list.OnStringToStatus = [&](QObject* sender, const std::string& text, TTodoStatus& value) {
            QCOMPARE(sender, &list);
            seen = text;
            value = tsDeferred;
        };
        QCOMPARE(list.TodoStatusFromString("Not STARTED"), tsDeferred);
        QCOMPARE(seen, std::string("not started"));

        list.OnStatusToString = [](QObject*, TTodoStatus value, std::string& text) {
            text += "!" + std::to_string(int(value));
        };
        std::string text;
        list.TodoStatusToString(tsInProgress, text);
        QCOMPARE(text, std::string("In progress!2"));
        list.OnPriorityToString = [](QObject*, TTodoPriority, std::string& text) { text = "P"; };
        list.TodoPriorityToString(tpLow, text);
        QCOMPARE(text, std::string("P"));
        QCOMPARE(list.TodoPriorityFromString("nORMAL"), tpNormal);
    }

    void commaTexts() {
        TTodoList list;
        const std::string status = list.TodoStatusCommaText();
        QCOMPARE(status, std::string("\"Not started\",\"Completed\",\"In progress\",\"Deferred\""));
        QCOMPARE(status.size(), std::size_t(50));
        const std::string priority = list.TodoPriorityCommaText();
        QCOMPARE(priority, std::string("\"Lowest\",\"Low\",\"Normal\",\"High\",\"Highest\""));
        QCOMPARE(priority.size(), std::size_t(40));
        // Taken as they are, without the conversion events.
        list.OnStatusToString = [](QObject*, TTodoStatus, std::string& text) { text = "x"; };
        QCOMPARE(list.TodoStatusCommaText(), status);
    }

    void rowHeightRules() {
        TTodoList list;
        list.SetItemHeight(0);  // refused
        QCOMPARE(list.ItemHeight(), 18);
        QCOMPARE(list.ListBox()->RowHeight(), 18);
        list.SetItemHeight(24);
        QCOMPARE(list.ListBox()->RowHeight(), 24);
        list.SetItemHeight(18);
        list.SetPreviewHeight(32);
        QCOMPARE(list.ListBox()->RowHeight(), 18);  // no band while the preview is off
        list.SetPreview(true);
        QCOMPARE(list.ListBox()->RowHeight(), 50);
        QCOMPARE(list.ItemHeight(), 18);
        list.SetItemHeight(-40);  // -8 in all: refused, the height in force stays
        QCOMPARE(list.ListBox()->RowHeight(), 50);
        QCOMPARE(list.ItemHeight(), 18);
        list.SetPreview(false);
        QCOMPARE(list.ListBox()->RowHeight(), 18);
    }

    void addAndRemoveColumns() {
        TTodoList list;
        list.AddColumn(tdSubject, "Subject");
        list.AddColumn(tdNotes, "First notes");
        list.AddColumn(tdNotes, "Second notes");
        TTodoColumnItem* priority = list.AddColumn(tdPriority, "Prio");
        QCOMPARE(priority->Index(), 3);
        QCOMPARE(priority->Width(), 100);
        QCOMPARE(priority->TodoData(), tdPriority);
        QCOMPARE(list.Header()->SectionCount(), 4);
        QCOMPARE(list.Header()->SectionText(3), QStringLiteral("Prio"));

        list.RemoveColumn(tdNotes);
        QCOMPARE(list.Columns().Count(), 3);
        QCOMPARE(list.Columns().At(1)->Caption(), std::string("Second notes"));
        list.RemoveColumn(tdDueDate);
        QCOMPARE(list.Columns().Count(), 3);
        QCOMPARE(list.Header()->SectionCount(), 3);
        QCOMPARE(list.Header()->SectionText(1), QStringLiteral("Second notes"));

        list.Columns().At(0)->SetWidth(77);
        QCOMPARE(list.Header()->SectionWidth(0), 77);
        list.Columns().At(0)->SetCaption("Renamed");
        QCOMPARE(list.Header()->SectionText(0), QStringLiteral("Renamed"));
    }

    void headerResizeSetsTheColumnWidth() {
        TTodoList list;
        for (int i = 0; i < 3; ++i) {
            list.AddColumn(tdSubject, "S");
        }
        TTodoHeader* header = list.Header();
        header->OnSized(header, 1, 44);
        QCOMPARE(list.Columns().At(1)->Width(), 44);
        header->OnSized(header, 3, 50);  // no such column: nothing changes
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(list.Columns().At(i)->Width(), i == 1 ? 44 : 100);
        }
    }

    void loadingDefersRowsAndHeader() {
        TTodoList list;
        list.BeginLoading();
        list.AddColumn(tdSubject, "Subject");
        list.Items().Add();
        list.Items().Add();
        list.ListBox()->SetItemIndex(1);
        QCOMPARE(list.ListBox()->RowCount(), 0);
        QCOMPARE(list.Header()->SectionCount(), 0);
        list.Loaded();
        QCOMPARE(list.ListBox()->RowCount(), 2);
        QCOMPARE(list.ListBox()->ItemIndex(), 1);  // the remembered index
        QCOMPARE(list.Header()->SectionCount(), 1);
    }

    void rowsFollowTheItems() {
        TTodoList list;
        for (int i = 0; i < 5; ++i) {
            list.Items().Add();
        }
        QCOMPARE(list.ListBox()->RowCount(), 5);
        list.ListBox()->SetItemIndex(4);
        list.Items().Delete(4);  // the selected last row: the new last row is selected
        QCOMPARE(list.ListBox()->ItemIndex(), 3);
        list.ListBox()->SetItemIndex(1);
        list.Items().Delete(0);  // rows go from the end; the selected row number stays
        QCOMPARE(list.ListBox()->ItemIndex(), 1);
        QCOMPARE(list.SelectedItem(), list.Items().At(1));
        list.Items().At(2)->Notes().Add("line");  // in-place notes change keeps the selection
        QCOMPARE(list.ListBox()->ItemIndex(), 1);
        list.Items().Clear();
        QCOMPARE(list.ListBox()->RowCount(), 0);
        QCOMPARE(list.ListBox()->ItemIndex(), -1);
        QCOMPARE(list.SelectedItem(), nullptr);
        list.Items().Add()->Select();
        QCOMPARE(list.ListBox()->ItemIndex(), 0);
    }

    void copyingItemsAndColumns() {
        TTodoList source;
        source.AddColumn(tdProject, "Project")->SetWidth(55);
        TTodoItem* item = source.Items().Add();
        item->SetSubject("Copied");
        item->SetProject("P");
        TTodoList target;
        target.Items().Add();
        target.Items().Add();
        target.SetItems(source.Items());
        target.SetColumns(source.Columns());
        QCOMPARE(target.Items().Count(), 1);
        QCOMPARE(target.Items().At(0)->Subject(), std::string("Copied"));
        QCOMPARE(target.Items().At(0)->Project(), std::string("P"));
        QCOMPARE(target.Columns().Count(), 1);
        QCOMPARE(target.Columns().At(0)->Width(), 55);
        QCOMPARE(target.Header()->SectionText(0), QStringLiteral("Project"));
    }

    void fileOperationsDelegateToTheModel() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        TTodoList list;
        list.AddColumn(tdSubject, "Subject")->SetWidth(120);
        list.AddColumn(tdComplete, "Done")->SetWidth(35);
        for (const char* subject : {"One", "Two", "Three"}) {
            list.Items().Add()->SetSubject(subject);
        }
        list.ListBox()->SetItemIndex(2);
        const QString file = dir.filePath(QStringLiteral("list.2do"));
        const QString columns = dir.filePath(QStringLiteral("columninfo.txt"));
        list.SaveToFile(file);
        list.SaveColumns(columns);

        TTodoList other;
        other.Items().Add()->SetSubject("Replaced");
        other.ListBox()->SetItemIndex(0);
        other.LoadFromFile(file);
        other.LoadColumns(columns);
        QCOMPARE(other.Items().Count(), 3);
        QCOMPARE(other.ListBox()->RowCount(), 3);
        QCOMPARE(other.ListBox()->ItemIndex(), -1);  // after loading no row is selected
        QCOMPARE(other.Items().At(2)->Subject(), std::string("Three"));
        QCOMPARE(other.Header()->SectionCount(), 2);
        QCOMPARE(other.Header()->SectionText(1), QStringLiteral("Done"));
        QCOMPARE(other.Columns().At(0)->Width(), 120);

        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        other.SaveToStream(buffer);
        QCOMPARE(buffer.data(), ReadWholeFile(file));
        QVERIFY_THROWS_EXCEPTION(EFOpenError,
                                 other.LoadFromFile(dir.filePath(QStringLiteral("missing.2do"))));
        QCOMPARE(other.Items().Count(), 3);
    }

    void eventsAreForwardedWithTheControlAsSender() {
        auto list = MakeList();
        list->AddColumn(tdSubject, "Subject");
        // Clicks here only select: an editor over the cell would take the second click.
        list->SetEditable(false);
        for (int i = 0; i < 30; ++i) {
            list->Items().Add();
        }
        QStringList log;
        QObject* sender = nullptr;
        list->OnMouseDown = [&](QObject* s, Qt::MouseButton button, Qt::KeyboardModifiers, int x,
                                int y) {
            sender = s;
            log << QStringLiteral("down %1 %2 %3").arg(int(button)).arg(x).arg(y);
        };
        list->OnMouseUp = [&](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) {
            log << QStringLiteral("up %1 %2").arg(x).arg(y);
        };
        list->OnClick = [&](QObject* s) {
            QCOMPARE(s, list.get());
            log << QStringLiteral("click");
        };
        list->OnItemSelect = [&](QObject* s, TTodoItem* item) {
            QCOMPARE(s, list.get());
            log << QStringLiteral("select %1").arg(item ? item->Index() : -1);
        };
        list->OnEnter = [&](QObject*) { log << QStringLiteral("enter"); };
        QVERIFY(ShowFocused(*list));
        log.clear();

        QWidget* viewport = list->ListBox()->viewport();
        // A press in the first row reports list-box coordinates, not offset by the header.
        QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(7, 5));
        QCOMPARE(sender, list.get());
        QCOMPARE(log, QStringList({QStringLiteral("select 0"), QStringLiteral("down 1 7 5"),
                                   QStringLiteral("click"), QStringLiteral("up 7 5")}));
        log.clear();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(7, 5));
        QCOMPARE(log, QStringList({QStringLiteral("down 1 7 5"), QStringLiteral("click"),
                                   QStringLiteral("up 7 5")}));
        log.clear();
        // Selecting by program never notifies.
        list->ListBox()->SetItemIndex(4);
        QVERIFY(log.isEmpty());
        QTest::keyClick(list->ListBox(), Qt::Key_Down);
        QCOMPARE(log, QStringList({QStringLiteral("select 5")}));
        QCOMPARE(list->SelectedItem(), list->Items().At(5));
    }

    void keyNavigation_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("expected");
        // 20 rows in view (360 pixels of 18-pixel rows), 50 rows in all.
        QTest::newRow("down") << 3 << int(Qt::Key_Down) << 4;
        QTest::newRow("down at the end") << 49 << int(Qt::Key_Down) << 49;
        QTest::newRow("up") << 3 << int(Qt::Key_Up) << 2;
        QTest::newRow("up at the top") << 0 << int(Qt::Key_Up) << 0;
        QTest::newRow("down from none") << -1 << int(Qt::Key_Down) << 0;
        QTest::newRow("home") << 30 << int(Qt::Key_Home) << 0;
        QTest::newRow("end") << 3 << int(Qt::Key_End) << 49;
        QTest::newRow("page down to the page end") << 3 << int(Qt::Key_PageDown) << 19;
        QTest::newRow("page down a page further") << 19 << int(Qt::Key_PageDown) << 38;
        QTest::newRow("page up to the page top") << 10 << int(Qt::Key_PageUp) << 0;
    }

    void keyNavigation() {
        QFETCH(int, start);
        QFETCH(int, key);
        QFETCH(int, expected);
        auto list = MakeList(300, 18 + 360);
        list->AddColumn(tdSubject, "Subject");
        for (int i = 0; i < 50; ++i) {
            list->Items().Add();
        }
        QVERIFY(ShowFocused(*list));
        list->ListBox()->SetItemIndex(start);
        list->ListBox()->SetTopIndex(0);
        int notified = 0;
        list->OnItemSelect = [&](QObject*, TTodoItem*) { ++notified; };
        QTest::keyClick(list->ListBox(), Qt::Key(key));
        QCOMPARE(list->ListBox()->ItemIndex(), expected);
        QCOMPARE(notified, expected == start ? 0 : 1);
        // The selected row is in view.
        const int top = list->ListBox()->TopIndex();
        QVERIFY(expected >= top && expected < top + list->ListBox()->VisibleRowCount());
    }

    void leftAndRightMoveTheCellCursor() {
        auto list = MakeList();
        for (int i = 0; i < 3; ++i) {
            list->AddColumn(tdSubject, "S");
        }
        list->Items().Add();
        list->ListBox()->SetItemIndex(0);
        QVERIFY(ShowFocused(*list));
        QList<int> keys;
        list->OnKeyDown = [&](QObject*, int& key, Qt::KeyboardModifiers) { keys << key; };
        TTodoListBox* box = list->ListBox();
        QTest::keyClick(box, Qt::Key_Left);  // at 0: stays, but the key is still swallowed
        QCOMPARE(box->FocusColumn(), 0);
        QTest::keyClick(box, Qt::Key_Right);
        QTest::keyClick(box, Qt::Key_Right);
        QTest::keyClick(box, Qt::Key_Right);
        QCOMPARE(box->FocusColumn(), 2);
        QTest::keyClick(box, Qt::Key_Left);
        QCOMPARE(box->FocusColumn(), 1);
        QCOMPARE(keys, QList<int>({0, 0, 0, 0, 0}));
        QCOMPARE(box->ItemIndex(), 0);
    }

    void keyDownHandlerCanSwallowNavigation() {
        auto list = MakeList();
        list->AddColumn(tdSubject, "S");
        list->Items().Add();
        list->Items().Add();
        list->ListBox()->SetItemIndex(0);
        QVERIFY(ShowFocused(*list));
        list->OnKeyDown = [](QObject*, int& key, Qt::KeyboardModifiers) {
            if (key == Qt::Key_Down) {
                key = 0;
            }
        };
        QString typed;
        list->OnKeyPress = [&](QObject* sender, QChar& key) {
            QCOMPARE(sender, list.get());
            typed += key;
        };
        QTest::keyClick(list->ListBox(), Qt::Key_Down);
        QCOMPARE(list->ListBox()->ItemIndex(), 0);
        QTest::keyClicks(list->ListBox(), QStringLiteral("ab"));
        QCOMPARE(typed, QStringLiteral("ab"));
    }
};

QTEST_MAIN(TestList)
#include "tst_list.moc"
