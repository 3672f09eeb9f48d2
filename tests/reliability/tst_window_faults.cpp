// The main window (on the platform's test doubles) when its settings or its list are not
// its own alone: a settings file it cannot read at start-up or cannot write at exit, and a
// list that pellmark-cli or another process holding the list lock works on. Each case
// shows the program's message and loses nothing: the window opens, closes with the list
// saved, and the file on disk is one complete list, the window's when it said so.

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>

#include "app/window_fixture.h"
#include "model/list_lock.h"
#include "tmpfs.h"

namespace {

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// How the settings are spoiled before the window starts.
enum TSpoil { spFolderInPlace, spContent, spReadOnlyDisk, spFolderIsAFile };

struct TProcessResult {
    int ExitCode = -1;
    QString Output;
    QString Errors;
};

TProcessResult Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    TProcessResult result;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) {
        result.ExitCode = process.exitCode();
        result.Output = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
        result.Errors = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    }
    return result;
}

// A second process that prints one line when it is ready.
bool StartAndExpect(QProcess& process, const QStringList& arguments, const QByteArray& line) {
    process.start(QStringLiteral(PELLMARK_SAVER), arguments);
    return process.waitForReadyRead(60000) && process.readLine().trimmed() == line;
}

}  // namespace

class TestWindowFaults : public QObject {
    Q_OBJECT

    WindowFixture f;

    // Spoils the settings as the row says; returns what must still be there afterwards.
    QByteArray spoil(TSpoil how, const QByteArray& content, TTmpfs& disk, bool& skip) {
        skip = false;
        switch (how) {
            case spFolderInPlace:
                QDir().mkpath(SettingsFileName());
                WriteBytes(SettingsFileName() + QStringLiteral("/inside"), "kept");
                return FileBytes(SettingsFileName() + QStringLiteral("/inside"));
            case spContent:
                WriteBytes(SettingsFileName(), content);
                return content;
            case spReadOnlyDisk:
                if (!disk.Mount(SettingsFolder(), "size=256k")) {
                    skip = true;
                    return {};
                }
                WriteBytes(SettingsFileName(), content);
                if (!disk.MakeReadOnly()) {
                    skip = true;
                }
                return content;
            case spFolderIsAFile:
                WriteBytes(SettingsFolder(), content);
                return content;
        }
        return {};
    }
    QByteArray spoiled(TSpoil how) const {
        switch (how) {
            case spFolderInPlace:
                return FileBytes(SettingsFileName() + QStringLiteral("/inside"));
            case spFolderIsAFile:
                return FileBytes(SettingsFolder());
            default:
                return FileBytes(SettingsFileName());
        }
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(WindowFixture::OwnConfigFolder(), "run through ctest"); }
    void init() {
        f.Reset();
        QFile::remove(SettingsFolder());  // a plain file that an earlier case put there
    }
    void cleanup() {
        f.Destroy();
        QFile::remove(SettingsFolder());
    }

    // Settings that cannot be read stop the start-up sequence with the message; the window
    // opens all the same, and reading never changes the file.
    void startupWithUnreadableSettings_data() {
        QTest::addColumn<int>("how");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("error");
        QTest::newRow("folder in place of the file")
            << int(spFolderInPlace) << QByteArray()
            << QStringLiteral("Failed to create key Settings.");
        QTest::newRow("typed value")
            << int(spContent)
            << QByteArray("[Settings]\nleft=30\ntop=40\nwidth=@Variant(\\0\\0\\0\\x2\\0\\0\\x2X)\n")
            << QStringLiteral("Invalid data type for 'width'");
        QTest::newRow("list") << int(spContent)
                              << QByteArray("[Settings]\nleft=30\ntop=40\nheight=1, 2\n")
                              << QStringLiteral("Invalid data type for 'height'");
    }
    void startupWithUnreadableSettings() {
        QFETCH(int, how);
        QFETCH(QByteArray, content);
        QFETCH(QString, error);
        TTmpfs disk;
        bool skip = false;
        const QByteArray kept = spoil(TSpoil(how), content, disk, skip);
        QVERIFY(f.Start());
        QVERIFY(f.Main().isVisible());
        QCOMPARE(f.fake->Messages.Texts(mkError), QStringList{error});
        QCOMPARE(spoiled(TSpoil(how)), kept);
        // The window works: a new item can be added and saved elsewhere.
        f.List().Items().Add()->SetSubject("After the error");
        const QString target = f.Path(QStringLiteral("saved.2do"));
        f.fake->Dialogs.SaveAnswers = {target};
        QVERIFY(f.Main().SaveAs());
        QVERIFY(f.ListSubjects().contains(QStringLiteral("After the error")));
        QCOMPARE(WindowFixture::Subjects(target), f.ListSubjects());
    }

    // Settings that cannot be written at exit: the list is saved first, the message is
    // shown, the window closes, and the settings file is as it was.
    void exitWithUnwritableSettings_data() {
        QTest::addColumn<int>("how");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("error");
        const QByteArray good("[Settings]\nleft=30\ntop=40\n");
        QTest::newRow("read-only file system")
            << int(spReadOnlyDisk) << good << QStringLiteral("Failed to set data for 'height'");
        QTest::newRow("damaged line")
            << int(spContent) << good + "wid" << QStringLiteral("Failed to set data for 'height'");
        QTest::newRow("settings folder is a file")
            << int(spFolderIsAFile) << QByteArray("a plain file")
            << QStringLiteral("Failed to create key Settings.");
    }
    void exitWithUnwritableSettings() {
        QFETCH(int, how);
        QFETCH(QByteArray, content);
        QFETCH(QString, error);
        TTmpfs disk;
        bool skip = false;
        const QByteArray kept = spoil(TSpoil(how), content, disk, skip);
        if (skip) {
            QSKIP("no tmpfs can be mounted here; the other rows cover the refusal");
        }
        QVERIFY(f.Start());
        QVERIFY(f.fake->Messages.Texts(mkError).isEmpty());
        const QString path = f.OpenList(QStringLiteral("list.2do"), {QStringLiteral("Kept")});
        f.List().Items().Add()->SetSubject("Added");

        QVERIFY(f.Main().close());
        QVERIFY(!f.Main().isVisible());
        QCOMPARE(f.fake->Messages.Texts(mkError), QStringList{error});
        QCOMPARE(f.Main().Message(), QStringLiteral("list.2do saved..."));
        QCOMPARE(WindowFixture::Subjects(path),
                 (QStringList{QStringLiteral("Kept"), QStringLiteral("Added")}));
        QCOMPARE(spoiled(TSpoil(how)), kept);
    }

    // The window holds the lock of its list: pellmark-cli refuses to change it, and the
    // window's own save goes through. Once the window has closed, the tool may change it.
    void cliRefusesTheWindowsList() {
        QVERIFY(f.Start());
        const QString path = f.OpenList(QStringLiteral("list.2do"), {QStringLiteral("Kept")});
        const QByteArray before = FileBytes(path);
        const QStringList add{QStringLiteral("add"), path, QStringLiteral("--subject"),
                              QStringLiteral("From the terminal")};
        const TProcessResult refused = Run(QStringLiteral(PELLMARK_CLI), add);
        QCOMPARE(refused.ExitCode, 1);
        QCOMPARE(refused.Errors, path + QStringLiteral(" is open in Pellmark (process %1)")
                                            .arg(QCoreApplication::applicationPid()));
        QCOMPARE(FileBytes(path), before);

        f.List().Items().Add()->SetSubject("Added");
        f.Main().Save();
        QCOMPARE(WindowFixture::Subjects(path),
                 (QStringList{QStringLiteral("Kept"), QStringLiteral("Added")}));
        QVERIFY(f.Main().close());
        f.Destroy();

        const TProcessResult added = Run(QStringLiteral(PELLMARK_CLI), add);
        QCOMPARE(added.ExitCode, 0);
        QCOMPARE(WindowFixture::Subjects(path),
                 (QStringList{QStringLiteral("Kept"), QStringLiteral("Added"),
                              QStringLiteral("From the terminal")}));
    }

    // The window opened its list while another process held the lock, so it has none. When
    // it saves while a change of another process is under way, it waits for that change to
    // end and saves after it: the file then holds the window's list, as the window reports,
    // and from then on the window holds the lock.
    void saveWaitsForAChangeUnderWay() {
        QVERIFY(f.Start());
        const QString path = f.WriteList(QStringLiteral("list.2do"), {QStringLiteral("Kept")});
        QProcess holder;
        QVERIFY(StartAndExpect(holder, {QStringLiteral("hold-lock"), path}, "locked"));
        f.fake->Dialogs.OpenAnswers = {path};
        f.Main().Open();  // waits for the lock a while, then opens the list without it
        QCOMPARE(f.ListSubjects(), QStringList{QStringLiteral("Kept")});
        QVERIFY(ListIsLockedByOther(path));
        holder.write("done\n");
        QVERIFY(holder.waitForFinished(30000));
        f.List().Items().Add()->SetSubject("Added");

        QProcess changer;
        QVERIFY(StartAndExpect(changer,
                               {QStringLiteral("locked-save"), path, QStringLiteral("30"),
                                QStringLiteral("2"), QStringLiteral("700")},
                               "locked"));
        f.Main().Save();
        QVERIFY(changer.waitForFinished(30000));
        QCOMPARE(changer.readAll().trimmed(), QByteArray("saved"));

        QCOMPARE(WindowFixture::Subjects(path),
                 (QStringList{QStringLiteral("Kept"), QStringLiteral("Added")}));
        QVERIFY2(f.Main().Message().startsWith(QStringLiteral("list.2do saved @")),
                 qPrintable(f.Main().Message()));
        QVERIFY(f.fake->Messages.Calls.empty());
        QCOMPARE(Run(QStringLiteral(PELLMARK_SAVER), {QStringLiteral("try-lock"), path}).Output,
                 QStringLiteral("refused"));
    }

    // Save As onto a list that another process keeps locked: the window waits a while, then
    // saves all the same, completely; it never writes half a file.
    void saveAsOntoAListLockedElsewhere() {
        QVERIFY(f.Start());
        const QString path = f.WriteList(QStringLiteral("other.2do"), {QStringLiteral("Theirs")});
        QProcess holder;
        QVERIFY(StartAndExpect(holder, {QStringLiteral("hold-lock"), path}, "locked"));
        f.List().Items().Add()->SetSubject("Mine");
        f.fake->Dialogs.SaveAnswers = {path};
        QVERIFY(f.Main().SaveAs());
        QVERIFY(f.ListSubjects().contains(QStringLiteral("Mine")));
        QCOMPARE(WindowFixture::Subjects(path), f.ListSubjects());
        QCOMPARE(f.Main().Message(), QStringLiteral("other.2do saved..."));
        holder.write("done\n");
        QVERIFY(holder.waitForFinished(30000));
        // No temporary file is left behind; the lock file went with its holder.
        QCOMPARE(QDir(f.dir->path())
                     .entryList(QDir::Hidden | QDir::Files)
                     .filter(QRegularExpression(QStringLiteral("^\\.other\\.2do\\."))),
                 QStringList());
    }
};

QTEST_MAIN(TestWindowFaults)
#include "tst_window_faults.moc"
