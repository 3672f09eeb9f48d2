// The real main window on a real X server, built in the test process on the real platform
// services: real file dialogs and message boxes answered as a user would, real clicks and
// keys, and the settings and files the window writes read back afterwards.

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "app/find_bar.h"
#include "app/program.h"
#include "e2e_support.h"
#include "model/todo_file.h"
#include "settings/ini_proc.h"
#include "tests/support/stored_settings.h"
#include "todolist/todo_list.h"

namespace {

QStringList Subjects(const TTodoItemCollection& items) {
    QStringList subjects;
    for (const TTodoItem* item : items) {
        subjects << QString::fromLocal8Bit(item->Subject().c_str());
    }
    return subjects;
}

QStringList FileSubjects(const QString& path) {
    TTodoItemCollection items;
    try {
        LoadFromFile(items, path);
    } catch (...) {
        return {QStringLiteral("<unreadable>")};
    }
    return Subjects(items);
}

}  // namespace

class TestWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<TQtPlatform> qt;
    // Runs from the start of the process when the suite runs with a window manager: one
    // that comes after windows were shown leaves later windows unexposed.
    std::unique_ptr<QProcess> manager;
    std::unique_ptr<QTemporaryDir> dir;
    TProgramWindows windows;

    TForm1& Main() { return *windows.Main; }
    TTodoList& List() { return *windows.Main->TodoList1(); }
    QWidget* Rows() { return List().ListBox()->viewport(); }
    QString Path(const QString& name) { return dir->filePath(name); }
    QString LayoutFile() { return Path(QStringLiteral("columninfo.txt")); }
    QPoint CellCentre(int column, int row) {
        return List().ListBox()->CellRect(column, row).center();
    }

    // As the program entry does it: the windows, then the first showing of the main window.
    // With a window manager, focus goes where it decides; only the tests without one need
    // the window to be active (for its keys).
    bool Start(bool active = true) {
        windows = CreateProgramWindows(qt->Services());
        windows.Main->SetLayoutFileName(LayoutFile());
        windows.Main->show();
        if (!QTest::qWaitForWindowExposed(windows.Main.get())) {
            return false;
        }
        if (!active) {
            return true;
        }
        windows.Main->activateWindow();
        return QTest::qWaitForWindowActive(windows.Main.get());
    }
    void Stop() { windows.Reset(); }

    // Files → "E&xit"; true when the window closed.
    bool Exit() {
        QSignalSpy closed(&Main(), &TForm1::Closed);
        Main().findChild<QAction*>(QStringLiteral("mnuFileExit1"))->trigger();
        return closed.size() == 1 && !Main().isVisible();
    }

    // The one-line editor open over the list, or null.
    QLineEdit* OpenEditor() {
        QLineEdit* editor = nullptr;
        static_cast<void>(QTest::qWaitFor(
            [&] {
                for (QLineEdit* edit : List().findChildren<QLineEdit*>()) {
                    if (edit->isVisible()) {
                        editor = edit;
                        return true;
                    }
                }
                return false;
            },
            2000));
        return editor;
    }

    // Types a cell's text in place, as the user does: a click opens the one-line editor
    // over the cell, typing replaces the text; Enter writes it back when asked to.
    bool TypeInPlace(int column, int row, const QString& text, bool enter) {
        QTest::mouseClick(Rows(), Qt::LeftButton, {}, CellCentre(column, row));
        QLineEdit* editor = OpenEditor();
        if (!editor) {
            return false;
        }
        editor->selectAll();
        QTest::keyClicks(editor, text);
        if (enter) {
            QTest::keyClick(editor, Qt::Key_Return);
            return QTest::qWaitFor([&] { return !editor->isVisible(); }, 2000);
        }
        return true;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(QGuiApplication::platformName() == QLatin1String("xcb"),
                 "run through ctest: the suite needs its own X server");
        const QString own = qEnvironmentVariable("XDG_CONFIG_HOME");
        QVERIFY2(!own.isEmpty() && SettingsFolder().startsWith(own), "run through ctest");
        qt = std::make_unique<TQtPlatform>();
        if (qEnvironmentVariableIsSet("PELLMARK_E2E_WINDOW_MANAGER")) {
            manager = StartWindowManager();
            QVERIFY2(manager, "no window manager (openbox) could be started");
        }
    }
    void cleanupTestCase() { StopProcess(manager.get()); }
    void init() {
        QDir(SettingsFolder()).removeRecursively();
        dir = std::make_unique<QTemporaryDir>();
    }
    void cleanup() { Stop(); }

    void firstRun() {
        QVERIFY(Start());
        QTRY_COMPARE(Main().geometry(), QRect(200, 100, 600, 350));
        QCOMPARE(Subjects(List().Items()),
                 (QStringList{QStringLiteral("Using Pellmark"), QStringLiteral("Manual")}));
        QCOMPARE(List().Columns().Count(), 0);
        QCOMPARE(Main().Hint(), QStringLiteral("No file loaded..."));
        QCOMPARE(Main().Message(), QString());
        QCOMPARE(Main().windowTitle(), QStringLiteral("Pellmark"));
        QVERIFY(Main().Panel_btm()->isVisible());
        // What the X server shows: the list's background under the rows, the buttons panel
        // below it.
        const QImage screen = Main().screen()->grabWindow(Main().winId()).toImage();
        QVERIFY(!screen.isNull());
        const QPoint inList = List().mapTo(&Main(), QPoint(500, 100));
        QCOMPARE(QColor(screen.pixel(inList)), List().palette().color(QPalette::Base));
    }

    void roadOfOneItem() {
        Store("vDone", QStringLiteral("1"));
        Store("vSubj", QStringLiteral("1"));
        Store("vReso", QStringLiteral("1"));
        QVERIFY(Start());
        QCOMPARE(List().Columns().Count(), 3);

        QTest::mouseClick(Main().btnCreateItem(), Qt::LeftButton);
        QCOMPARE(List().Items().Count(), 3);
        QCOMPARE(List().Items().At(2)->Subject(), std::string("New task"));
        QVERIFY(TypeInPlace(1, 2, QStringLiteral("Buy milk"), true));
        QCOMPARE(List().Items().At(2)->Subject(), std::string("Buy milk"));
        // Enter belonged to the editor: it pressed no Create Item.
        QCOMPARE(List().Items().Count(), 3);

        const QString path = Path(QStringLiteral("road.2do"));
        {
            TModalScript script;
            script.Then(TModalScript::ChooseFile(path));
            Main().findChild<QAction*>(QStringLiteral("mnuFileSaveAs1"))->trigger();
            QCOMPARE(script.Seen, QStringList{QStringLiteral("Save Todolist")});
        }
        QCOMPARE(Main().windowTitle(), QStringLiteral("Pellmark - road.2do"));
        QCOMPARE(Main().Message(), QStringLiteral("road.2do saved..."));
        QCOMPARE(FileSubjects(path).value(2), QStringLiteral("Buy milk"));

        // The start-up file, typed into the options dialog, which stores it when closed.
        Main().findChild<QAction*>(QStringLiteral("mnuFileOptions1"))->trigger();
        TfrmOptions& options = *windows.Options;
        QVERIFY(QTest::qWaitForWindowExposed(&options));
        auto* box = options.findChild<QLineEdit*>(QStringLiteral("txtStartupFile"));
        box->setFocus();
        QTest::keyClicks(box, path);
        options.close();
        QCOMPARE(Setting("startupfile"), path);

        // A change after the last save goes to the file at exit, even one whose editor is
        // still open.
        QVERIFY(TypeInPlace(2, 0, QStringLiteral("You"), false));
        QVERIFY(Exit());
        QCOMPARE(Main().Message(), QStringLiteral("road.2do saved..."));
        QVERIFY(QFileInfo::exists(LayoutFile()));
        QCOMPARE(Setting("width"), QStringLiteral("600"));

        Stop();
        QVERIFY(Start());
        QCOMPARE(Subjects(List().Items()),
                 (QStringList{QStringLiteral("Using Pellmark"), QStringLiteral("Manual"),
                              QStringLiteral("Buy milk")}));
        QCOMPARE(List().Items().At(0)->Resource(), std::string("You"));
        QCOMPARE(Main().CurrentFile(), path);
        QCOMPARE(Main().Hint(), path);
        QCOMPARE(Main().Message(), QStringLiteral("road.2do loaded..."));
        QCOMPARE(Main().windowTitle(), QStringLiteral("Pellmark - road.2do"));
        QCOMPARE(List().Columns().Count(), 3);  // from the layout file
    }

    void closedAt640x480ReopensAt641x481() {
        QVERIFY(Start());
        Main().resize(640, 480);
        QTRY_COMPARE(Main().size(), QSize(640, 480));
        Main().move(120, 80);
        QTRY_COMPARE(Main().pos(), QPoint(120, 80));
        {
            TModalScript script;
            script.Then(TModalScript::Cancel());  // no current file: Save As, cancelled
            QVERIFY(Exit());
            QCOMPARE(script.Seen, QStringList{QStringLiteral("Save Todolist")});
        }
        QCOMPARE(Setting("width"), QStringLiteral("640"));
        QCOMPARE(Setting("height"), QStringLiteral("480"));
        Stop();
        QVERIFY(Start());
        QTRY_COMPARE(Main().geometry(), QRect(120, 80, 641, 481));
    }

    void maximizedWithAWindowManager() {
        if (!manager) {
            QSKIP("maximizing needs a window manager: see the e2e_window_manager test");
        }
        QVERIFY(Start(false));
        const QRect screen = Main().screen()->availableGeometry();
        Main().showMaximized();
        // A window manager busy with the window it has just taken on may miss the request
        // on a loaded machine; the window then asks once more.
        if (!QTest::qWaitFor([this] { return Main().isMaximized(); }, 5000)) {
            Main().showNormal();
            Main().showMaximized();
        }
        QTRY_VERIFY_WITH_TIMEOUT(Main().isMaximized(), 10000);
        QTRY_VERIFY(Main().frameGeometry().width() >= screen.width() - 2);
        {
            TModalScript script;
            script.Then(TModalScript::Cancel());
            QVERIFY(Exit());
        }
        QCOMPARE(Setting("maximized"), QStringLiteral("y"));
        Stop();
        QVERIFY(Start(false));
        QTRY_VERIFY(Main().isMaximized());
        QTRY_VERIFY(Main().frameGeometry().width() >= screen.width() - 2);
        // Back from maximized, it has the size it had before, plus one.
        Main().showNormal();
        QTRY_COMPARE(Main().size(), QSize(601, 351));
    }

    void exitQuestionAnsweredNo() {
        Store("asktosave", QStringLiteral("y"));
        QVERIFY(Start());
        TModalScript script;
        script.Then(TModalScript::Click(QStringLiteral("&No")));
        QVERIFY(Exit());
        QCOMPARE(script.Seen, QStringList{QStringLiteral("Do you want to save your Todolist?")});
        QCOMPARE(Setting("left"), QStringLiteral("200"));
    }

    void exitQuestionYesWithoutFileStaysOpen() {
        Store("asktosave", QStringLiteral("y"));
        QVERIFY(Start());
        const QString path = Path(QStringLiteral("asked.2do"));
        {
            TModalScript script;
            script.Then(TModalScript::Click(QStringLiteral("&Yes")))
                .Then(TModalScript::ChooseFile(path));
            QVERIFY(!Exit());
            QCOMPARE(script.Seen, (QStringList{QStringLiteral("Do you want to save your Todolist?"),
                                               QStringLiteral("Save Todolist")}));
        }
        QVERIFY(Main().isVisible());
        QCOMPARE(FileSubjects(path),
                 (QStringList{QStringLiteral("Using Pellmark"), QStringLiteral("Manual")}));
        QCOMPARE(Setting("left"), kSettingAbsent);
        List().Items().Add()->SetSubject("later");
        {
            TModalScript script;
            script.Then(TModalScript::Click(QStringLiteral("&Yes")));
            QVERIFY(Exit());
        }
        QCOMPARE(FileSubjects(path).size(), 3);
        QCOMPARE(Setting("left"), QStringLiteral("200"));
    }

    void failingSaveAtExitKeepsTheWindowOpen() {
        const QString path = Path(QStringLiteral("fragile.2do"));
        {
            TTodoItemCollection items;
            items.Add()->SetSubject("On disk");
            SaveToFile(items, path);
        }
        QVERIFY(Start());
        {
            TModalScript script;
            script.Then(TModalScript::ChooseFile(path));
            Main().findChild<QAction*>(QStringLiteral("mnuFileOpen1"))->trigger();
            QCOMPARE(script.Seen, QStringList{QStringLiteral("Open Todolist")});
        }
        QCOMPARE(Subjects(List().Items()), QStringList{QStringLiteral("On disk")});
        List().Items().Add()->SetSubject("Not yet saved");
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkdir(path));
        {
            TModalScript script;
            script.Then(TModalScript::Click(QStringLiteral("OK")));
            QVERIFY(!Exit());
            QCOMPARE(script.Seen.size(), 1);
            QVERIFY(script.Seen[0].startsWith(QStringLiteral("Error saving as: fragile.2do\n")));
        }
        QVERIFY(Main().isVisible());
        QCOMPARE(Main().Message(), QStringLiteral("Error saving as: fragile.2do"));
        QCOMPARE(List().Items().Count(), 2);
        QVERIFY(QDir().rmdir(path));
        QVERIFY(Exit());
        QCOMPARE(FileSubjects(path),
                 (QStringList{QStringLiteral("On disk"), QStringLiteral("Not yet saved")}));
    }

    void deleteItemAsksFirst() {
        Store("vSubj", QStringLiteral("1"));
        QVERIFY(Start());
        QTest::mouseClick(Rows(), Qt::LeftButton, {}, CellCentre(0, 1));
        QCOMPARE(List().SelectedItem(), List().Items().At(1));
        QCOMPARE(Main().Message(), QStringLiteral("Current Item: Manual"));
        {
            TModalScript script;
            script.Then(TModalScript::Click(QStringLiteral("&No")));
            QTest::mouseClick(Main().btnDeleteItem(), Qt::LeftButton);
            QCOMPARE(
                script.Seen,
                QStringList{QStringLiteral("Are you sure you want to delete this item? [Manual]")});
        }
        QCOMPARE(List().Items().Count(), 2);
        {
            // Escape is the window's cancel key: the same question.
            TModalScript script;
            script.Then(TModalScript::Click(QStringLiteral("&Yes")));
            // Back to the window after the first question, as the user's click would do.
            Main().activateWindow();
            QTRY_VERIFY(Main().isActiveWindow());
            QTest::keyClick(List().ListBox(), Qt::Key_Escape);
            QCOMPARE(
                script.Seen,
                QStringList{QStringLiteral("Are you sure you want to delete this item? [Manual]")});
        }
        QCOMPARE(Subjects(List().Items()), QStringList{QStringLiteral("Using Pellmark")});
    }

    void editorsKeepEnterAndEscape() {
        Store("vSubj", QStringLiteral("1"));
        QVERIFY(Start());
        TModalScript script;
        QVERIFY(TypeInPlace(0, 1, QStringLiteral("Changed"), false));
        QLineEdit* editor = OpenEditor();
        QVERIFY(editor);
        // Escape puts the old text back and closes the editor; no Delete Item question.
        QTest::keyClick(editor, Qt::Key_Escape);
        QTRY_VERIFY(!editor->isVisible());
        QCOMPARE(List().Items().At(1)->Subject(), std::string("Manual"));
        QVERIFY(TypeInPlace(0, 1, QStringLiteral("Renamed"), true));
        QCOMPARE(List().Items().At(1)->Subject(), std::string("Renamed"));
        QTest::qWait(200);
        QVERIFY(script.Seen.isEmpty());
        QCOMPARE(List().Items().Count(), 2);
    }

    void rightButtonOpensThePopup() {
        Store("vSubj", QStringLiteral("1"));
        QVERIFY(Start());
        QTest::mousePress(Rows(), Qt::RightButton, {}, QPoint(30, 10));
        QMenu* popup = Main().pupTodolist();
        QTRY_VERIFY(popup->isVisible());
        // At the pointer, in a real window placed by the stored settings.
        QCOMPARE(popup->pos(), Rows()->mapToGlobal(QPoint(30, 10)));
        QTest::keyClick(popup, Qt::Key_Escape);
        QTRY_VERIFY(!popup->isVisible());
        QTest::mouseRelease(Rows(), Qt::RightButton, {}, QPoint(30, 10));
    }

    void autosaveFromTheOptionsDialog() {
        const QString path = Path(QStringLiteral("auto.2do"));
        QVERIFY(Start());
        {
            TModalScript script;
            script.Then(TModalScript::ChooseFile(path));
            Main().SaveAs();
        }
        Main().ShowOptions();
        TfrmOptions& options = *windows.Options;
        QVERIFY(QTest::qWaitForWindowExposed(&options));
        auto* box = options.findChild<QCheckBox*>(QStringLiteral("ckAutoSave"));
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
        QVERIFY(Main().AutoSaveTimer()->isActive());
        QCOMPARE(Main().AutoSaveTimer()->interval(), 600000);
        QCOMPARE(Setting("ckAutoSave"), QStringLiteral("y"));
        Main().AutoSaveTimer()->setInterval(100);  // the test's own pace
        List().Items().Add()->SetSubject("Saved by itself");
        QTRY_COMPARE(FileSubjects(path).value(2), QStringLiteral("Saved by itself"));
        QVERIFY(Main().Message().startsWith(QStringLiteral("auto.2do saved @")));
        options.close();
    }

    void screenshot() {
        // The picture of the README: a small list with the usual columns.
        for (const char* key : {"vDone", "vSubj", "vReso", "vStat", "vPrio", "vComp", "vDueD"}) {
            Store(key, QStringLiteral("1"));
        }
        Store("width", QStringLiteral("779"));
        Store("height", QStringLiteral("329"));
        QVERIFY(Start());
        struct {
            const char* subject;
            const char* resource;
            TTodoStatus status;
            TTodoPriority priority;
            int completion;
            int dueInDays;
        } rows[] = {
            {"Write the quarterly report", "Me", tsInProgress, tpHigh, 60, 3},
            {"Book the team offsite", "Anna", tsNotStarted, tpNormal, 0, 21},
            {"Renew the domain", "Me", tsCompleted, tpHighest, 100, -2},
            {"Fix the garden gate", "Tom", tsDeferred, tpLow, 10, 40},
        };
        List().Items().Clear();
        const QDate today = QDate(2024, 5, 6);
        for (const auto& row : rows) {
            TTodoItem* item = List().Items().Add();
            item->SetSubject(row.subject);
            item->SetResource(row.resource);
            item->SetStatus(row.status);
            item->SetPriority(row.priority);
            item->SetCompletion(TCompletion(row.completion));
            item->SetComplete(row.status == tsCompleted);
            item->SetDueDate(QDateToDateTime(today.addDays(row.dueInDays)));
        }
        List().Columns().At(1)->SetWidth(190);
        List().UpdateHeader();
        List().ListBox()->SetItemIndex(1);
        Main().SetMessage(QStringLiteral("Current Item: Book the team offsite"));
        QTest::qWait(200);
        const QImage shot = Main().screen()->grabWindow(Main().winId()).toImage();
        QCOMPARE(shot.size(), Main().size() * Main().devicePixelRatio());
        // The selected row is painted in the highlight colour on the screen.
        const QPoint selected = List().ListBox()->viewport()->mapTo(
            &Main(), List().ListBox()->CellRect(1, 1).center() + QPoint(60, 0));
        QCOMPARE(QColor(shot.pixel(selected)), List().palette().color(QPalette::Highlight));
        const QString file =
            QDir(qEnvironmentVariable("HOME")).filePath(QStringLiteral("main-window.png"));
        QVERIFY(shot.save(file));
        qInfo("screenshot: %s", qPrintable(file));

        // The second picture: the find bar (Ctrl+F) narrowing the rows.
        QTest::keyClick(&Main(), Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(Main().FindBar()->TextBox(), QStringLiteral("re"));
        QCOMPARE(List().ListBox()->RowCount(), 2);
        QTest::qWait(200);
        const QImage found = Main().screen()->grabWindow(Main().winId()).toImage();
        const QString findFile =
            QDir(qEnvironmentVariable("HOME")).filePath(QStringLiteral("main-window-find.png"));
        QVERIFY(found.save(findFile));
        qInfo("screenshot: %s", qPrintable(findFile));
    }
};

QTEST_MAIN(TestWindow)
#include "e2e_window.moc"
