// A save that is cut off leaves its hidden temporary file ".NAME.XXXXXX" beside the list.
// The next successful save of the same file removes such files once they have not changed
// for a minute and no save holds its lock on them; everything else that merely looks
// similar stays, and so does a save still in progress however old it is.

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "fault_support.h"
#include "model/safe_file.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The hidden temporary files of list.2do in the folder.
QStringList Temporaries(const QString& folder) {
    return FolderEntries(folder).filter(QRegularExpression(QStringLiteral("^\\.list\\.2do\\.")));
}

// Restores the minute however the test ends.
struct TStaleAge {
    explicit TStaleAge(int seconds) { SetStaleAgeForTesting(seconds); }
    ~TStaleAge() { SetStaleAgeForTesting(-1); }
};

}  // namespace

class TestLeftovers : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    QString file;

    void save(int generation) {
        TTodoItemCollection items;
        FillBigList(items, 20);
        SetGeneration(items, generation);
        SaveToFile(items, file);
    }

    // Runs a save that kills itself half-way and returns the temporary file it left.
    QString cutSave() {
        QProcess saver;
        saver.start(QStringLiteral(PELLMARK_SAVER), {QStringLiteral("cut"), file});
        if (!saver.waitForFinished(60000) || saver.exitStatus() != QProcess::CrashExit) {
            return {};
        }
        const QStringList left = Temporaries(dir->path());
        return left.size() == 1 ? left.first() : QString();
    }

private Q_SLOTS:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        file = dir->filePath(QStringLiteral("list.2do"));
        save(1);
    }
    void cleanup() { dir.reset(); }

    void cutSaveLeavesItsTemporaryFile() {
        const QString left = cutSave();
        QVERIFY(!left.isEmpty());
        QVERIFY(QRegularExpression(QStringLiteral("^\\.list\\.2do\\.[A-Za-z0-9]{6}$"))
                    .match(left)
                    .hasMatch());
        QVERIFY(QFileInfo(dir->filePath(left)).size() > 0);
        QCOMPARE(ReadFile(file), ListBytes(20, 1));
    }

    // A leftover goes only once it has been left alone for the whole wait: right after the
    // cut it stays, a moment later the next save removes it.
    void leftoverGoesWhenOldEnough() {
        const QString left = cutSave();
        QVERIFY(!left.isEmpty());
        save(2);
        QCOMPARE(Temporaries(dir->path()), QStringList{left});  // a minute is far off

        const TStaleAge age(1);
        int generation = 3;
        QTRY_VERIFY_WITH_TIMEOUT((save(generation++), Temporaries(dir->path()).isEmpty()), 10000);
        QCOMPARE(ReadFile(file), ListBytes(20, generation - 1));
        QCOMPARE(FolderEntries(dir->path()), QStringList{QStringLiteral("list.2do")});
    }

    // Only dead temporary files of this list's own pattern go; things of a similar name,
    // another list's, the list's lock file, links, folders, files with a second name and
    // files of another user all stay.
    void onlyItsOwnDeadTemporariesGo() {
        const TStaleAge age(0);
        const QString folder = dir->path();
        const auto at = [&](const char* name) { return dir->filePath(QLatin1String(name)); };
        const QStringList kept{
            QStringLiteral(".list.2do.Ab12C"),  QStringLiteral(".list.2do.Ab12Cde"),
            QStringLiteral(".list.2do.Ab-2Cd"), QStringLiteral(".list.2do.lock"),
            QStringLiteral("list.2do.Ab12Cd"),  QStringLiteral(".other.2do.Ab12Cd"),
            QStringLiteral(".list.2do.bak")};
        for (const QString& name : kept) {
            QVERIFY(WriteFile(dir->filePath(name), "x"));
        }
        QVERIFY(WriteFile(at(".list.2do.Ab12Cd"), "dead"));
        QVERIFY(WriteFile(at(".list.2do.Zz9900"), "dead too"));
        QVERIFY(WriteFile(at("target"), "kept"));
        QVERIFY(QFile::link(at("target"), at(".list.2do.Link01")));
        QVERIFY(QDir().mkdir(at(".list.2do.Fold01")));
        QVERIFY(WriteFile(at(".list.2do.Hard01"), "two names"));
        QVERIFY(::link(QFile::encodeName(at(".list.2do.Hard01")).constData(),
                       QFile::encodeName(at("second-name")).constData()) == 0);
        QStringList expected = kept;
        // Only root can give a file to another user.
        if (::geteuid() == 0) {
            QVERIFY(WriteFile(at(".list.2do.Othr01"), "another user's"));
            QVERIFY(::chown(QFile::encodeName(at(".list.2do.Othr01")).constData(), 65534, 65534) ==
                    0);
            expected << QStringLiteral(".list.2do.Othr01");
        }

        save(2);
        expected << QStringLiteral(".list.2do.Link01") << QStringLiteral(".list.2do.Fold01")
                 << QStringLiteral(".list.2do.Hard01") << QStringLiteral("list.2do")
                 << QStringLiteral("target") << QStringLiteral("second-name");
        expected.sort();
        QStringList entries = FolderEntries(folder);
        entries.sort();
        QCOMPARE(entries, expected);
        QCOMPARE(ReadFile(at("target")), QByteArray("kept"));
        QCOMPARE(ReadFile(file), ListBytes(20, 2));
    }

    // Another process is in the middle of a save (as long as it likes): its temporary file
    // is locked and stays, and that save completes afterwards.
    void saveInProgressIsLeftAlone() {
        const TStaleAge age(0);
        QProcess other;
        other.start(QStringLiteral(PELLMARK_SAVER),
                    {QStringLiteral("stall"), file, QStringLiteral("2000"), QStringLiteral("5")});
        QVERIFY(other.waitForReadyRead(60000));
        QCOMPARE(other.readLine().trimmed(), QByteArray("writing"));
        const QStringList writing = Temporaries(dir->path());
        QCOMPARE(writing.size(), 1);

        save(2);
        save(3);
        QCOMPARE(Temporaries(dir->path()), writing);
        QCOMPARE(ReadFile(file), ListBytes(20, 3));

        other.write("go on\n");
        other.closeWriteChannel();
        QVERIFY(other.waitForFinished(60000));
        QCOMPARE(other.exitStatus(), QProcess::NormalExit);
        QCOMPARE(other.readAllStandardOutput().trimmed(), QByteArray("saved"));
        QCOMPARE(ReadFile(file), ListBytes(2000, 5));
        QCOMPARE(FolderEntries(dir->path()), QStringList{QStringLiteral("list.2do")});
    }
};

QTEST_GUILESS_MAIN(TestLeftovers)
#include "tst_leftovers.moc"
