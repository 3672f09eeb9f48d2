// The pellmark executable itself on a real X server: started as a user starts it, driven
// with xdotool through its menus and boxes, and judged by its windows and by the settings
// and files it leaves behind. Each test runs a copy of the program in a folder of its own,
// so the column layout file beside the program is the test's own.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>

#include "e2e_support.h"
#include "model/todo_file.h"
#include "settings/ini_proc.h"
#include "tests/support/stored_settings.h"
#include "tests/sync/caldav_server.h"

namespace {

// One run of the program copy.
class Program {
public:
    explicit Program(QString path) : path_(std::move(path)) {
        process_.setProcessChannelMode(QProcess::ForwardedChannels);
    }
    ~Program() { StopProcess(&process_); }

    // Arguments and a working folder as a launcher or a shell gives them.
    bool Start(const QStringList& arguments = {}, const QString& folder = {}) {
        process_.setWorkingDirectory(folder);
        process_.start(path_, arguments);
        return process_.waitForStarted(10000);
    }
    bool Finished(int timeout = 15000) {
        return process_.state() == QProcess::NotRunning || process_.waitForFinished(timeout);
    }
    int ExitCode() const { return process_.exitCode(); }
    bool Running() const { return process_.state() == QProcess::Running; }
    qint64 Pid() const { return process_.processId(); }

    // The main window of this process, once it is shown.
    QString Window() {
        QString id;
        static_cast<void>(QTest::qWaitFor(
            [&] {
                id = Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                              QStringLiteral("--pid"), QString::number(Pid()),
                              QStringLiteral("--name"), QStringLiteral("^Pellmark")})
                         .section(QLatin1Char('\n'), 0, 0);
                return !id.isEmpty() || !Running();
            },
            20000));
        return id;
    }

private:
    QString path_;
    QProcess process_;
};

QRect Geometry(const QString& window) {
    QRect rect;
    const QString shell =
        Xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
    for (const QString& line : shell.split(QLatin1Char('\n'))) {
        const QString value = line.section(QLatin1Char('='), 1);
        if (line.startsWith(QLatin1String("X="))) {
            rect.moveLeft(value.toInt());
        } else if (line.startsWith(QLatin1String("Y="))) {
            rect.moveTop(value.toInt());
        } else if (line.startsWith(QLatin1String("WIDTH="))) {
            rect.setWidth(value.toInt());
        } else if (line.startsWith(QLatin1String("HEIGHT="))) {
            rect.setHeight(value.toInt());
        }
    }
    return rect;
}

QString WaitForWindowNamed(const QString& name) {
    QString id;
    static_cast<void>(QTest::qWaitFor(
        [&] {
            id = Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                          QStringLiteral("--name"), name})
                     .section(QLatin1Char('\n'), 0, 0);
            return !id.isEmpty();
        },
        10000));
    return id;
}

QStringList VisibleWindows(qint64 pid) {
    return Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                    QStringLiteral("--pid"), QString::number(pid)})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool Focus(const QString& window) {
    return !Xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window}, 5000)
                .isNull();
}

bool Key(const QString& key) {
    return !Xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), key}).isNull();
}

// Presses a key in a window until the window has gone (a dialog answered by the key). A
// machine under load may not have the window ready for the first press.
bool DismissWith(const QString& window, const QString& key) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (Focus(window) && Key(key) &&
            QTest::qWaitFor(
                [&] {
                    return !Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                     QStringLiteral("--name"), QStringLiteral(".")})
                                .split(QLatin1Char('\n'))
                                .contains(window);
                },
                3000)) {
            return true;
        }
    }
    return false;
}

// File -> "E&xit" from the keyboard: Alt+F until the menu shows, then X.
bool ExitByMenu(const Program& run, const QString& window) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        const qsizetype before = VisibleWindows(run.Pid()).size();
        if (Focus(window) && Key(QStringLiteral("alt+f")) &&
            QTest::qWaitFor([&] { return VisibleWindows(run.Pid()).size() > before; }, 3000)) {
            return Key(QStringLiteral("x"));
        }
        Key(QStringLiteral("Escape"));
    }
    return false;
}

}  // namespace

class TestProgram : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> folder;
    QString program;

    QString LayoutFile() const { return folder->filePath(QStringLiteral("columninfo.txt")); }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(QGuiApplication::platformName() == QLatin1String("xcb"),
                 "run through ctest: the suite needs its own X server");
        const QString own = qEnvironmentVariable("XDG_CONFIG_HOME");
        QVERIFY2(!own.isEmpty() && SettingsFolder().startsWith(own), "run through ctest");
        QVERIFY(!QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty());
    }

    void init() {
        QDir(SettingsFolder()).removeRecursively();
        // In the build tree, so that the copy can be a hard link of the built program.
        folder = std::make_unique<QTemporaryDir>(qEnvironmentVariable("HOME") +
                                                 QStringLiteral("/program-XXXXXX"));
        QVERIFY(folder->isValid());
        program = folder->filePath(QStringLiteral("pellmark"));
        if (!QFile::link(QStringLiteral(PELLMARK_EXECUTABLE), program)) {
            // A symbolic link would put the layout file beside the original.
            QFile::remove(program);
        }
        QFileInfo linked(program);
        if (!linked.exists() || linked.isSymLink()) {
            QFile::remove(program);
            QVERIFY(QFile::copy(QStringLiteral(PELLMARK_EXECUTABLE), program));
        }
    }
    void cleanup() { folder.reset(); }

    void firstRunThenRestart() {
        {
            Program run(program);
            QVERIFY(run.Start());
            const QString window = run.Window();
            QVERIFY(!window.isEmpty());
            QCOMPARE(Geometry(window), QRect(200, 100, 600, 350));
            QVERIFY(ExitByMenu(run, window));
            // No current file and no exit question: Save As, which the user cancels.
            const QString dialog = WaitForWindowNamed(QStringLiteral("^Save Todolist$"));
            QVERIFY(!dialog.isEmpty());
            QVERIFY(DismissWith(dialog, QStringLiteral("Escape")));
            QVERIFY(run.Finished());
            QCOMPARE(run.ExitCode(), 0);
        }
        QCOMPARE(Setting("left"), QStringLiteral("200"));
        QCOMPARE(Setting("top"), QStringLiteral("100"));
        QCOMPARE(Setting("width"), QStringLiteral("600"));
        QCOMPARE(Setting("height"), QStringLiteral("350"));
        QCOMPARE(Setting("maximized"), kSettingAbsent);
        // The layout file beside the program (its folder is writable): no columns yet.
        QVERIFY(QFileInfo::exists(LayoutFile()));
        QCOMPARE(QFileInfo(LayoutFile()).size(), 4);

        Program again(program);
        QVERIFY(again.Start());
        const QString window = again.Window();
        QCOMPARE(Geometry(window), QRect(200, 100, 601, 351));
        QVERIFY(ExitByMenu(again, window));
        const QString dialog = WaitForWindowNamed(QStringLiteral("^Save Todolist$"));
        QVERIFY(DismissWith(dialog, QStringLiteral("Escape")));
        QVERIFY(again.Finished());
        QCOMPARE(Setting("width"), QStringLiteral("601"));
    }

    void startupFileAndSaveAtExit() {
        const QString list = folder->filePath(QStringLiteral("start.2do"));
        {
            TTodoItemCollection items;
            items.Add()->SetSubject("From disk");
            SaveToFile(items, list);
        }
        WriteSetting(kSection, QStringLiteral("startupfile"), list);
        WriteSetting(kSection, QStringLiteral("vSubj"), QStringLiteral("1"));
        const QByteArray before = ReadWholeFile(list);
        Program run(program);
        QVERIFY(run.Start());
        const QString window = run.Window();
        QVERIFY(!window.isEmpty());
        QTRY_COMPARE(Xdotool({QStringLiteral("getwindowname"), window}),
                     QStringLiteral("Pellmark - start.2do"));
        // While the window has the list, the list is locked against pellmark-cli.
        QVERIFY(QFileInfo::exists(folder->filePath(QStringLiteral(".start.2do.lock"))));
        // Alt+C presses Create Item; the exit saves without asking.
        QVERIFY(Focus(window) && Key(QStringLiteral("alt+c")));
        QTest::qWait(500);
        QVERIFY(ExitByMenu(run, window));
        QVERIFY(run.Finished());
        QCOMPARE(run.ExitCode(), 0);
        TTodoItemCollection items;
        LoadFromFile(items, list);
        QCOMPARE(items.Count(), 2);
        QCOMPARE(items.At(1)->Subject(), std::string("New task"));
        QVERIFY(ReadWholeFile(list) != before);
        QVERIFY(!QFileInfo::exists(folder->filePath(QStringLiteral(".start.2do.lock"))));
    }

    void exitQuestionAnsweredNo() {
        WriteSetting(kSection, QStringLiteral("asktosave"), QStringLiteral("y"));
        Program run(program);
        QVERIFY(run.Start());
        const QString window = run.Window();
        QVERIFY(ExitByMenu(run, window));
        const QString question = WaitForWindowNamed(QStringLiteral("^Confirm$"));
        QVERIFY(!question.isEmpty());
        QVERIFY(DismissWith(question, QStringLiteral("n")));
        QVERIFY(run.Finished());
        QCOMPARE(run.ExitCode(), 0);
        QCOMPARE(Setting("left"), QStringLiteral("200"));
    }

    void synchronizeFromTheMenu() {
        qputenv("PELLMARK_PASSWORD", "x");  // no keyring is asked
        // A real Radicale with a task from a second client; the window's list has one of
        // its own. File -> "S&ynchronize" from the keyboard brings them together.
        sync_test::TCalDavServer server(sync_test::TServer::Radicale);
        QVERIFY(server.Started());
        QVERIFY(server.MakeCollection());
        const QUrl url = server.Collection();
        QCOMPARE(sync_test::SecondClient(url, {QStringLiteral("create"), QStringLiteral("p1"),
                                               QStringLiteral("From phone")}),
                 QByteArray());
        const QString list = folder->filePath(QStringLiteral("synced.2do"));
        {
            TTodoItemCollection items;
            items.Add()->SetSubject("From desk");
            SaveToFile(items, list);
        }
        WriteSetting(kSection, QStringLiteral("startupfile"), list);
        WriteSetting(kSection, QStringLiteral("syncurl"), url.toString());
        WriteSetting(kSection, QStringLiteral("syncuser"), QStringLiteral("user"));
        const auto subjects = [&] {
            TTodoItemCollection items;
            LoadFromFile(items, list);
            QStringList all;
            for (const TTodoItem* item : items) {
                all << QString::fromStdString(item->Subject());
            }
            return all;
        };
        Program run(program);
        QVERIFY(run.Start());
        const QString window = run.Window();
        QVERIFY(!window.isEmpty());
        QTRY_COMPARE(Xdotool({QStringLiteral("getwindowname"), window}),
                     QStringLiteral("Pellmark - synced.2do"));
        bool opened = false;
        for (int attempt = 0; attempt < 5 && !opened; ++attempt) {
            const qsizetype before = VisibleWindows(run.Pid()).size();
            opened =
                Focus(window) && Key(QStringLiteral("alt+f")) &&
                QTest::qWaitFor([&] { return VisibleWindows(run.Pid()).size() > before; }, 3000);
            if (!opened) {
                Key(QStringLiteral("Escape"));
            }
        }
        QVERIFY(opened);
        QVERIFY(Key(QStringLiteral("y")));
        // The window saves the merged list, then the sync writes its sidecar.
        QTRY_COMPARE_WITH_TIMEOUT(
            subjects(), (QStringList{QStringLiteral("From desk"), QStringLiteral("From phone")}),
            30000);
        QVERIFY(QFileInfo::exists(folder->filePath(QStringLiteral(".synced.2do.sync"))));
        QCOMPARE(sync_test::TasksByUid(url).size(), 2);
        QVERIFY(ExitByMenu(run, window));
        QVERIFY(run.Finished());
        QCOMPARE(run.ExitCode(), 0);
        QCOMPARE(subjects(),
                 (QStringList{QStringLiteral("From desk"), QStringLiteral("From phone")}));
    }

    void secondCopyHandsOverAndQuits() {
        Program first(program);
        QVERIFY(first.Start());
        const QString window = first.Window();
        QVERIFY(!window.isEmpty());
        Program second(program);
        QVERIFY(second.Start());
        QVERIFY(second.Finished(20000));
        QCOMPARE(second.ExitCode(), 0);
        QVERIFY(first.Running());
        // The second copy ran no exit flow: it stored nothing.
        QCOMPARE(Setting("left"), kSettingAbsent);
        const QStringList windows =
            Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                     QStringLiteral("--name"), QStringLiteral("^Pellmark$")})
                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(windows, QStringList{window});
        QVERIFY(ExitByMenu(first, window));
        const QString dialog = WaitForWindowNamed(QStringLiteral("^Save Todolist$"));
        QVERIFY(DismissWith(dialog, QStringLiteral("Escape")));
        QVERIFY(first.Finished());
    }

    // `pellmark FILE` opens that list; a second start with another file (named relative
    // to its own folder) hands it to the running copy, which opens it, and quits.
    void listsFromTheCommandLine() {
        const QString first = folder->filePath(QStringLiteral("first.2do"));
        const QString second = folder->filePath(QStringLiteral("second.2do"));
        for (const QString& path : {first, second}) {
            TTodoItemCollection items;
            items.Add()->SetSubject(QFileInfo(path).baseName().toStdString());
            SaveToFile(items, path);
        }
        Program run(program);
        QVERIFY(run.Start({first}));
        const QString window = run.Window();
        QVERIFY(!window.isEmpty());
        QTRY_COMPARE(Xdotool({QStringLiteral("getwindowname"), window}),
                     QStringLiteral("Pellmark - first.2do"));
        Program other(program);
        QVERIFY(other.Start({QStringLiteral("second.2do")}, folder->path()));
        QVERIFY(other.Finished(20000));
        QCOMPARE(other.ExitCode(), 0);
        QTRY_COMPARE(Xdotool({QStringLiteral("getwindowname"), window}),
                     QStringLiteral("Pellmark - second.2do"));
        QVERIFY(run.Running());
        // The exit saves the list now open, which is the second one.
        QVERIFY(ExitByMenu(run, window));
        QVERIFY(run.Finished());
        QCOMPARE(run.ExitCode(), 0);
        QCOMPARE(Setting("recent1"), second);
        QCOMPARE(Setting("recent2"), first);
    }
};

QTEST_MAIN(TestProgram)
#include "e2e_program.moc"
