// The main window: its parts and menus, the configuration of the list, and the start-up
// sequence that its first showing runs.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

#include "app/about_box.h"
#include "app/print_list.h"
#include "app/tray_icon.h"
#include "widgets/hover_button.h"
#include "widgets/status_bar.h"
#include "window_fixture.h"

namespace {

QStringList Captions(const TCustomTodoList& list) {
    QStringList captions;
    for (const TTodoColumnItem* column : list.Columns()) {
        captions << QString::fromStdString(column->Caption());
    }
    return captions;
}

QStringList MenuTexts(const QMenu* menu) {
    QStringList texts;
    for (const QAction* action : menu->actions()) {
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    return texts;
}

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

    WindowFixture f;

private Q_SLOTS:
    void initTestCase() { QVERIFY2(WindowFixture::OwnConfigFolder(), "run through ctest"); }
    void init() { f.Reset(); }
    void cleanup() { f.Destroy(); }

    void parts() {
        f.Create();
        TForm1& w = f.Main();
        QCOMPARE(w.windowTitle(), QStringLiteral("Pellmark"));
        QVERIFY(!w.isVisible());
        QVERIFY(!w.StartupDone());
        QCOMPARE(w.Panel_btm()->height(), 45);
        QCOMPARE(w.btnCreateItem()->geometry(), QRect(184, 8, 110, 26));
        QCOMPARE(w.btnDeleteItem()->geometry(), QRect(360, 8, 110, 26));
        QCOMPARE(w.btnCreateItem()->text(), QStringLiteral("&Create Item"));
        QCOMPARE(w.btnDeleteItem()->text(), QStringLiteral("&Delete Item"));
        QCOMPARE(w.btnCreateItem()->toolTip(), QStringLiteral("Create a new todo item"));
        QCOMPARE(w.btnDeleteItem()->toolTip(), QStringLiteral("Delete selected item"));
        QCOMPARE(w.btnCreateItem()->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(!w.btnCreateItem()->icon().isNull());
        auto* create = qobject_cast<THoverButton*>(w.btnCreateItem());
        auto* remove = qobject_cast<THoverButton*>(w.btnDeleteItem());
        QVERIFY(create && remove);
        QCOMPARE(create->HoverColor(), QColor(0, 255, 0));
        QCOMPARE(remove->HoverColor(), QColor(255, 0, 0));
        QCOMPARE(create->FaceColor(), w.palette().color(QPalette::Button));
        QCOMPARE(w.ScrollBox1()->frameShape(), QFrame::NoFrame);
        QCOMPARE(w.ScrollBox1()->widget(), w.TodoList1());
        QCOMPARE(w.TodoList1()->objectName(), QStringLiteral("TodoList1"));
        QCOMPARE(w.AutoSaveTimer()->objectName(), QStringLiteral("AutoSaveTimer"));
        QCOMPARE(w.AutoSaveTimer()->interval(), 600000);
        QVERIFY(!w.AutoSaveTimer()->isActive());
        QCOMPARE(w.Message(), QString());
        QCOMPARE(w.Hint(), QStringLiteral("No file loaded..."));
        QVERIFY(!w.StatusBar1()->NoticePane()->text().isEmpty());
        QCOMPARE(w.CurrentFile(), QString());
        // The options dialog and the about box are made hidden with the window.
        QVERIFY(w.OptionsDialog() && !w.OptionsDialog()->isVisible());
        QVERIFY(w.AboutBox() && !w.AboutBox()->isVisible());
    }

    void clockPane() {
        f.fake->Clock.Current = QDateTimeToDateTime(QDateTime(QDate(2023, 3, 15), QTime(14, 5)));
        f.Create();
        f.Main().StatusBar1()->UpdateClock();
        QCOMPARE(f.Main().StatusBar1()->ClockPane()->text(), QStringLiteral("03/15/2023 2:05 pm"));
    }

    void listConfiguration() {
        f.Create();
        const TTodoList& list = f.List();
        QVERIFY(!list.AutoAdvanceEdit() && !list.AutoInsertItem() && !list.AutoDeleteItem());
        QVERIFY(list.Editable());
        QVERIFY(!list.EditSelectAll());
        QCOMPARE(list.CompleteCheck().CheckType(), ctCheckBox);
        QCOMPARE(list.CompletionFont().Color, clGray);
        QVERIFY(list.CompletionFont().HasStyle(fsStrikeOut));
        QCOMPARE(list.CompletionFont().Name, QString());
        QCOMPARE(list.DateFormat(), QStringLiteral("MM/d/yyyy"));
        QVERIFY(!list.GridLines());
        QCOMPARE(list.ItemHeight(), 18);
        QVERIFY(!list.Preview());
        QCOMPARE(list.PreviewFont().Color, clBlue);
        QCOMPARE(list.PreviewHeight(), 32);
        QCOMPARE(list.PriorityFont().Color, clRed);
        QCOMPARE(list.PriorityStrings().GetString(tpHighest), std::string("Highest"));
        QCOMPARE(list.StatusStrings().GetString(tsDeferred), std::string("Deferred"));
        TProgressLook look = const_cast<TTodoList&>(list).ProgressLook();
        QCOMPARE(look.CompleteColor(), clRed);
        QCOMPARE(look.CompleteFontColor(), clWhite);
        QCOMPARE(look.UnCompleteColor(), clWindow);
        QCOMPARE(look.UnCompleteFontColor(), clWindowText);
        QCOMPARE(list.SelectionColor(), clHighlight);
        QCOMPARE(list.SelectionFontColor(), clHighlightText);
        QVERIFY(list.ShowSelection());
        QVERIFY(!list.Sorted());
        QCOMPARE(list.SortDirection(), sdAscending);
        QCOMPARE(list.SortColumn(), 0);
        QCOMPARE(list.Color(), clWindow);
        QCOMPARE(list.Font().Color, clWindowText);
        QCOMPARE(list.HeaderFont().Color, clWindowText);
        QVERIFY(!list.TabStop());
        TEditColors& editors = const_cast<TTodoList&>(list).EditColors();
        for (TBackForeColors* colors :
             {&editors.StringEditor(), &editors.MemoEditor(), &editors.IntegerEditor(),
              &editors.PriorityEditor(), &editors.StatusEditor(),
              static_cast<TBackForeColors*>(&editors.DateEditor())}) {
            QCOMPARE(colors->FontColor(), clWindowText);
            QCOMPARE(colors->BackColor(), clWindow);
        }
    }

    void initialColumnsAndSamples() {
        f.Create();
        const TTodoList& list = f.List();
        QCOMPARE(Captions(list),
                 (QStringList{QStringLiteral("Done"), QStringLiteral("Subject"),
                              QStringLiteral("Resource"), QStringLiteral("Notes"),
                              QStringLiteral("Priority"), QStringLiteral("Completion")}));
        const TTodoData kinds[] = {tdComplete, tdSubject,  tdResource,
                                   tdNotes,    tdPriority, tdCompletion};
        for (int i = 0; i < list.Columns().Count(); ++i) {
            const TTodoColumnItem* column = list.Columns().At(i);
            QCOMPARE(column->TodoData(), kinds[i]);
            QCOMPARE(column->Width(), i == 0 ? 35 : 100);
            QCOMPARE(column->Alignment(), i == 0 ? taCenter : taLeftJustify);
            QVERIFY(column->Editable());
            QCOMPARE(column->Color(), clWindow);
        }
        QCOMPARE(list.Items().Count(), 2);
        const TTodoItem& first = *list.Items().At(0);
        QCOMPARE(first.Subject(), std::string("Using Pellmark"));
        QCOMPARE(first.Resource(), std::string("Me"));
        QCOMPARE(first.Notes().Text(), std::string("Using Pellmark to manage all my todo's\r\n"));
        QCOMPARE(first.Priority(), tpNormal);
        QCOMPARE(int(first.Completion()), 5);
        const TTodoItem& second = *list.Items().At(1);
        QCOMPARE(second.Subject(), std::string("Manual"));
        QCOMPARE(second.Resource(), std::string("Corvelle"));
        QCOMPARE(second.NotesLine(), std::string("Add more features to Pellmark"));
        QCOMPARE(second.Priority(), tpHigh);
        QCOMPARE(int(second.Completion()), 25);
        for (const TTodoItem* item : list.Items()) {
            QCOMPARE(item->Status(), tsNotStarted);
            QVERIFY(!item->Complete());
            QCOMPARE(item->ImageIndex(), -1);
            QCOMPARE(item->Tag(), 0);
            QCOMPARE(item->TotalTime(), 0);
        }
    }

    void menus() {
        f.Create();
        QList<QMenu*> menus;
        QStringList titles;
        for (QAction* action : f.Main().menuBar()->actions()) {
            titles << action->text();
            menus << action->menu();
        }
        QCOMPARE(titles, (QStringList{QStringLiteral("&File"), QStringLiteral("&Edit"),
                                      QStringLiteral("&Items"), QStringLiteral("&Help")}));
        QCOMPARE(MenuTexts(menus[0]),
                 (QStringList{QStringLiteral("Open Todo List..."), QStringLiteral("Recent &Lists"),
                              QStringLiteral("&Save"), QStringLiteral("&Save Todo List As..."),
                              QStringLiteral("-"), QStringLiteral("S&ynchronize"),
                              QStringLiteral("Synchronization Ser&ver..."), QStringLiteral("-"),
                              QStringLiteral("&Options..."), QStringLiteral("-"),
                              QStringLiteral("&Print Todo List..."), QStringLiteral("-"),
                              QStringLiteral("E&xit")}));
        QCOMPARE(MenuTexts(menus[1]),
                 (QStringList{QStringLiteral("&Undo"), QStringLiteral("&Redo"), QStringLiteral("-"),
                              QStringLiteral("&Find...")}));
        QCOMPARE(MenuTexts(menus[2]), (QStringList{QStringLiteral("&Create Todo Item"),
                                                   QStringLiteral("&Delete Todo Item")}));
        QCOMPARE(MenuTexts(menus[3]), (QStringList{QStringLiteral("&About"), QStringLiteral("-"),
                                                   QStringLiteral("&Visit Pellmark home page")}));
        // The Edit menu's commands carry the desktop's usual keys; the others have none.
        for (const QMenu* menu : menus) {
            for (const QAction* action : menu->actions()) {
                QVERIFY(action->isSeparator() || !action->icon().isNull());
                QCOMPARE(action->shortcut().isEmpty(), menu != menus[1] || action->isSeparator());
            }
        }
        QCOMPARE(MenuTexts(f.Main().pupTodolist()), QStringList{QStringLiteral("&Options")});
        QCOMPARE(MenuTexts(f.Main().trayPopup()),
                 (QStringList{QStringLiteral("&Restore window"), QStringLiteral("&Hide window"),
                              QStringLiteral("-"), QStringLiteral("E&xit")}));
    }

    void menuCommands() {
        QVERIFY(f.Start());
        auto trigger = [&](const char* name) {
            auto* action = f.Main().findChild<QAction*>(QString::fromLatin1(name));
            QVERIFY2(action, name);
            action->trigger();
        };
        trigger("mnuHelpVisitPellmark");
        QCOMPARE(f.fake->Shell.Opened, std::vector<QString>{kWebAddress});
        trigger("mnuHelpAbout1");
        QVERIFY(f.Main().AboutBox()->isVisible());
        trigger("mnuFileOptions1");
        QVERIFY(f.Main().OptionsDialog()->isVisible());
        f.Main().OptionsDialog()->hide();
        trigger("pupOptions");
        QVERIFY(f.Main().OptionsDialog()->isVisible());
    }

    void printMenu() {
        f.fake->Dialogs.SaveAnswers = {f.Path(QStringLiteral("printed.2do"))};
        QVERIFY(f.Start());
        f.Main().SaveAs();
        f.Main().findChild<QAction*>(QStringLiteral("mnuFilePrint1"))->trigger();
        QCOMPARE(f.fake->Printer.Jobs.size(), 1u);
        const QStringList& lines = f.fake->Printer.Jobs[0].Lines;
        QVERIFY(lines.value(0).startsWith(QStringLiteral("Pellmark - printed.2do - Printed at ")));
        QCOMPARE(lines.value(2), QStringLiteral("Subject: Using Pellmark"));
        QCOMPARE(f.fake->Messages.Texts(mkMessage), QStringList{kPrintingIncomplete});

        // Without a printer the error reaches the error box and nothing more is said.
        f.fake->Printer.HasPrinter = false;
        f.fake->Messages.Calls.clear();
        f.Main().findChild<QAction*>(QStringLiteral("mnuFilePrint1"))->trigger();
        QCOMPARE(f.fake->Messages.Texts(mkError).size(), 1);
        QVERIFY(f.fake->Messages.Texts(mkMessage).isEmpty());
    }

    void scrollBoxAlignment() {
        QVERIFY(f.Start());
        TForm1& w = f.Main();
        QTRY_COMPARE(w.TodoList1()->width(), 1050);
        QCOMPARE(w.TodoList1()->height(), w.ScrollBox1()->viewport()->height());
        QVERIFY(w.ScrollBox1()->horizontalScrollBar()->isVisible());
        w.SetListFillsScrollBox(true);
        QTRY_COMPARE(w.TodoList1()->width(), w.ScrollBox1()->viewport()->width());
        QVERIFY(!w.ScrollBox1()->horizontalScrollBar()->isVisible());
        w.SetListFillsScrollBox(false);
        QTRY_COMPARE(w.TodoList1()->width(), 1050);
    }

    void tray() {
        f.Create();
        QVERIFY(f.tray->shown);
        QCOMPARE(f.tray->tip, QStringLiteral("Pellmark"));
        TTrayIcon* icon = f.Main().TrayIcon1();
        QCOMPARE(icon->RestoreOn(), ticNone);
        QCOMPARE(icon->PopupMenuOn(), ticRightClickUp);
        QCOMPARE(icon->PopupMenu(), f.Main().trayPopup());
        QVERIFY(!icon->Animate());
        QCOMPARE(f.Main().TrayState(), QString());
        QVERIFY(!f.Main().InTray());
        // The tray state follows the component's notifications.
        icon->OnMinimizeApp(icon);
        QCOMPARE(f.Main().TrayState(), QStringLiteral("min"));
        QVERIFY(f.Main().InTray());
        icon->OnRestoreApp(icon);
        QCOMPARE(f.Main().TrayState(), QString());
    }

    void trayLeftPressToggles() {
        QVERIFY(f.Start());
        TTrayIcon* icon = f.Main().TrayIcon1();
        WindowFixture::Store("ckHideButtons", QStringLiteral("y"));
        icon->MouseAction(ticLeftClick);
        QTRY_COMPARE(f.Main().TrayState(), QStringLiteral("min"));
        QTRY_VERIFY(!f.Main().isVisible());
        // A double click restores nothing by itself (RestoreOn is ticNone).
        icon->MouseAction(ticLeftDblClick);
        QTest::qWait(50);
        QVERIFY(!f.Main().isVisible());
        icon->MouseAction(ticLeftClick);
        QTRY_VERIFY(f.Main().isVisible());
        QCOMPARE(f.Main().TrayState(), QString());
        // Coming back from the notification area runs no second start-up sequence.
        QVERIFY(f.Main().Panel_btm()->isVisible());
    }

    void trayExitRunsTheExitFlow() {
        QVERIFY(f.Start());
        f.Main().hide();  // as in the notification area
        f.Main().findChild<QAction*>(QStringLiteral("pupExit"))->trigger();
        QCOMPARE(f.fake->Dialogs.SaveCalls.size(), 1u);  // no current file: Save As
        QVERIFY(WindowFixture::Setting("left") != kSettingAbsent);
    }

    void trayRefusedStillStarts() {
        f.tray->refuseAdd = true;
        QVERIFY(f.Start());
        QCOMPARE(f.fake->Messages.Texts(mkError),
                 QStringList{QStringLiteral("Cannot create Shell Notification Icon.")});
    }

    // Start-up sequence ------------------------------------------------------------------

    void firstRun() {
        QVERIFY(f.Start());
        TForm1& w = f.Main();
        QVERIFY(w.StartupDone());
        QCOMPARE(w.pos(), QPoint(200, 100));
        QCOMPARE(w.size(), QSize(600, 350));
        QCOMPARE(f.ListSubjects(),
                 (QStringList{QStringLiteral("Using Pellmark"), QStringLiteral("Manual")}));
        QCOMPARE(w.TodoList1()->Columns().Count(), 0);  // no visibility values yet
        QCOMPARE(w.Message(), QString());
        QCOMPARE(w.Hint(), QStringLiteral("No file loaded..."));
        QVERIFY(w.Panel_btm()->isVisible());
        QVERIFY(!w.AutoSaveTimer()->isActive());
        QVERIFY(!w.TodoList1()->Preview());
        QVERIFY(f.fake->Messages.Calls.empty());
        // The check list keeps its six default checks.
        QString checks;
        for (int i = 0; i < FieldCount; ++i) {
            checks += f.Options().FieldChecked(i) ? QLatin1Char('1') : QLatin1Char('0');
        }
        QCOMPARE(checks, QStringLiteral("11101110000"));
    }

    void placement_data() {
        QTest::addColumn<QString>("maximized");
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::addColumn<QRect>("expected");
        const QString absent = kSettingAbsent;
        QTest::newRow("640x480 reopens at 641x481") << absent << "30"
                                                    << "40"
                                                    << "640"
                                                    << "480" << QRect(30, 40, 641, 481);
        QTest::newRow("only a size") << absent << absent << absent << "300"
                                     << "200" << QRect(200, 100, 301, 201);
        QTest::newRow("only a place") << absent << "5"
                                      << "6" << absent << absent << QRect(5, 6, 600, 350);
        QTest::newRow("upper-case Y is not maximized") << "Y"
                                                       << "30"
                                                       << "40"
                                                       << "640"
                                                       << "480" << QRect(30, 40, 641, 481);
        QTest::newRow("zero place") << absent << "0"
                                    << "0"
                                    << "400"
                                    << "300" << QRect(0, 0, 401, 301);
    }
    void placement() {
        QFETCH(QString, maximized);
        QFETCH(QString, left);
        QFETCH(QString, top);
        QFETCH(QString, width);
        QFETCH(QString, height);
        QFETCH(QRect, expected);
        const std::pair<const char*, QString> values[] = {{"maximized", maximized},
                                                          {"left", left},
                                                          {"top", top},
                                                          {"width", width},
                                                          {"height", height}};
        for (const auto& [name, value] : values) {
            if (value != kSettingAbsent) {
                WindowFixture::Store(name, value);
            }
        }
        QVERIFY(f.Start());
        QVERIFY(!f.Main().isMaximized());
        QCOMPARE(QRect(f.Main().pos(), f.Main().size()), expected);
    }

    void maximized() {
        WindowFixture::Store("maximized", QStringLiteral("y"));
        WindowFixture::Store("left", QStringLiteral("30"));
        WindowFixture::Store("top", QStringLiteral("40"));
        WindowFixture::Store("width", QStringLiteral("400"));
        WindowFixture::Store("height", QStringLiteral("300"));
        QVERIFY(f.Start());
        QTRY_VERIFY(f.Main().isMaximized());
        // The stored place is not applied; the stored size is what it returns to.
        QCOMPARE(f.Main().normalGeometry().size(), QSize(401, 301));
        QVERIFY(f.Main().normalGeometry().topLeft() != QPoint(30, 40));
    }

    void badIntegerStopsTheSequence() {
        WindowFixture::Store("left", QStringLiteral("15"));
        WindowFixture::Store("width", QStringLiteral("12x"));
        WindowFixture::Store("prevnotes", QStringLiteral("y"));
        WindowFixture::Store("ckHideButtons", QStringLiteral("y"));
        WindowFixture::Store("vSubj", QStringLiteral("1"));
        QVERIFY(f.Start());
        QCOMPARE(f.fake->Messages.Texts(mkError),
                 QStringList{QStringLiteral("'12x' is not a valid integer value.")});
        // What came before the bad value is applied, the rest is skipped.
        QCOMPARE(f.Main().pos(), QPoint(15, 100));
        QCOMPARE(f.Main().size(), QSize(600, 350));
        QVERIFY(f.Main().isVisible());
        QVERIFY(!f.List().Preview());
        QVERIFY(f.Main().Panel_btm()->isVisible());
        QCOMPARE(Captions(f.List()).size(), 6);  // the columns were not rebuilt
    }

    void integerTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::newRow("digits") << "640" << true << 640;
        QTest::newRow("minus") << "-12" << true << -12;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("blank before") << " 12" << false << 0;
        QTest::newRow("plus") << "+3" << false << 0;
        QTest::newRow("lone minus") << "-" << false << 0;
        QTest::newRow("beyond 32 bits") << "2147483648" << false << 0;
        QTest::newRow("hex") << "0x10" << false << 0;
        QTest::newRow("decimal point") << "1.5" << false << 0;
    }
    void integerTexts() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        if (valid) {
            QCOMPARE(StrToInt(text), value);
            return;
        }
        try {
            StrToInt(text);
            QFAIL("no error");
        } catch (const EConvertError& e) {
            QCOMPARE(e.Message(), QStringLiteral("'%1' is not a valid integer value").arg(text));
        }
    }

    void placeOffEveryScreenIsCorrected() {
        WindowFixture::Store("left", QStringLiteral("50000"));
        WindowFixture::Store("top", QStringLiteral("-40000"));
        QVERIFY(f.Start());
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(screen.intersects(f.Main().frameGeometry()));
    }

    void listOptions() {
        for (const char* flag : {"prevnotes", "ckAutoDeleteKey", "ckAutoInsertKey", "ckHideScroll",
                                 "ckHideButtons", "ckAutoSave"}) {
            WindowFixture::Store(flag, QStringLiteral("y"));
        }
        QVERIFY(f.Start());
        QVERIFY(f.List().Preview());
        QVERIFY(f.List().AutoDeleteItem());
        QVERIFY(f.List().AutoInsertItem());
        QVERIFY(f.Main().ListFillsScrollBox());
        QVERIFY(!f.Main().Panel_btm()->isVisible());
        QVERIFY(f.Main().AutoSaveTimer()->isActive());
        QCOMPARE(f.Main().AutoSaveTimer()->interval(), 600000);
        QVERIFY(f.Options().findChild<QCheckBox*>(QStringLiteral("ckAutoSave"))->isChecked());
    }

    void startupFile_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("loads");
        QTest::newRow("four characters") << "a.2d" << true;
        QTest::newRow("three characters") << "abc" << false;
        QTest::newRow("absent marker") << "n/a" << false;
        QTest::newRow("full path") << "<full>" << true;
    }
    void startupFile() {
        QFETCH(QString, stored);
        QFETCH(bool, loads);
        // Short names are relative to the working folder.
        const QString oldFolder = QDir::currentPath();
        QDir::setCurrent(f.dir->path());
        const auto back = qScopeGuard([&] { QDir::setCurrent(oldFolder); });
        const QString full = f.WriteList(QStringLiteral("full.2do"), {QStringLiteral("From full")});
        f.WriteList(QStringLiteral("a.2d"), {QStringLiteral("From a.2d")});
        f.WriteList(QStringLiteral("abc"), {QStringLiteral("From abc")});
        f.WriteList(QStringLiteral("n"), {QStringLiteral("From n")});
        const QString path = stored == QLatin1String("<full>") ? full : stored;
        if (stored != QLatin1String("n/a")) {
            WindowFixture::Store("startupfile", path);
        }
        QVERIFY(f.Start());
        TForm1& w = f.Main();
        if (!loads) {
            QCOMPARE(f.ListSubjects(),
                     (QStringList{QStringLiteral("Using Pellmark"), QStringLiteral("Manual")}));
            QCOMPARE(w.CurrentFile(), QString());
            QCOMPARE(w.windowTitle(), QStringLiteral("Pellmark"));
            QCOMPARE(f.Options().StartupFileText(), QString());
            return;
        }
        const QString name = QFileInfo(path).fileName();
        QCOMPARE(f.ListSubjects().size(), 1);
        QCOMPARE(w.CurrentFile(), path);
        QCOMPARE(w.Hint(), path);
        QCOMPARE(w.Message(), name + QStringLiteral(" loaded..."));
        QCOMPARE(w.windowTitle(), QStringLiteral("Pellmark - ") + name);
        QCOMPARE(f.Options().StartupFileText(), path);
        QVERIFY(f.fake->Messages.Calls.empty());
    }

    void failedStartupFileGoesOn() {
        const QString missing = f.Path(QStringLiteral("gone.2do"));
        WindowFixture::Store("startupfile", missing);
        WindowFixture::Store("ckHideButtons", QStringLiteral("y"));
        QVERIFY(f.Start());
        QCOMPARE(f.fake->Messages.Texts(mkMessage),
                 QStringList{QStringLiteral("Error loading file: ") + missing});
        QCOMPARE(f.Main().CurrentFile(), QString());
        QCOMPARE(f.Main().Hint(), QStringLiteral("No file loaded..."));
        QCOMPARE(f.ListSubjects(),
                 (QStringList{QStringLiteral("Using Pellmark"), QStringLiteral("Manual")}));
        QVERIFY(!f.Main().Panel_btm()->isVisible());  // the sequence went on
    }

    void columnsFromTheLayoutFile() {
        WindowFixture::Store("vSubj", QStringLiteral("1"));
        WindowFixture::Store("vNote", QStringLiteral("1"));
        {
            TTodoList layout;
            layout.AddColumn(tdDueDate, "Due")->SetWidth(140);
            layout.AddColumn(tdSubject, "What");
            layout.SaveColumns(f.LayoutFile());
        }
        QVERIFY(f.Start());
        // The layout file replaces what the visibility values built.
        QCOMPARE(Captions(f.List()), (QStringList{QStringLiteral("Due"), QStringLiteral("What")}));
        QCOMPARE(f.List().Columns().At(0)->Width(), 140);
        // The check list still shows the stored entries checked.
        QVERIFY(f.Options().FieldChecked(3));
    }

    void columnsFromVisibilityWithoutLayout() {
        WindowFixture::Store("vSubj", QStringLiteral("1"));
        WindowFixture::Store("vDueD", QStringLiteral("1"));
        QVERIFY(f.Start());
        QCOMPARE(Captions(f.List()),
                 (QStringList{QStringLiteral("Subject"), QStringLiteral("Due Date")}));
    }

    void damagedLayoutFileIsReported() {
        WindowFixture::Store("ckAutoSave", QStringLiteral("y"));
        QFile file(f.LayoutFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\x05\x00\x00\x00\x01", 5);
        file.close();
        QVERIFY(f.Start());
        QCOMPARE(f.fake->Messages.Texts(mkError).size(), 1);
        QVERIFY(!f.Main().AutoSaveTimer()->isActive());  // the rest is skipped
    }

    void startupRunsOnce() {
        QVERIFY(f.Start());
        WindowFixture::Store("ckHideButtons", QStringLiteral("y"));
        f.Main().hide();
        f.Main().show();
        QVERIFY(f.Main().Panel_btm()->isVisible());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
