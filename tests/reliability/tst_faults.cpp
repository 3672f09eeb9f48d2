// Saving and loading on real files when the file system works against the program: a full
// disk, a read-only folder or file, another process deleting, replacing or holding the file
// between the file dialog and the save, and a damaged column layout file. Every case must
// end in the program's error message (or a good save) and lose nothing: the file on disk is
// either the previous one or the complete new one, and no temporary file stays behind.

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "fault_support.h"
#include "model/errors.h"
#include "model/safe_file.h"
#include "tmpfs.h"

#include <optional>

#include <sys/stat.h>

namespace {

QByteArray Hex(const char* hex) {
    return QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Turns the injected write failure off again however the test ends.
struct TWriteLimit {
    explicit TWriteLimit(qint64 limit) { SetWriteLimitForTesting(limit); }
    ~TWriteLimit() { SetWriteLimitForTesting(-1); }
};

constexpr int kSmall = 50;  // items of the list that is on disk before each fault

// Root in a container may be unable to become another user; then permissions cannot be
// tested at all.
bool CannotSwitchUser(const TSaverResult& result) {
    return result.ExitCode == 2 && result.Output.startsWith(QStringLiteral("cannot become"));
}

}  // namespace

class TestFaults : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;

    QString path(const QString& name) const { return dir->filePath(name); }

    // The folder and its list file of generation 1, as the previous save left them.
    QString prepareList(const QString& folder) {
        QDir().mkpath(folder);
        const QString file = folder + QStringLiteral("/list.2do");
        WriteFile(file, ListBytes(kSmall, 1));
        return file;
    }

private Q_SLOTS:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        // The unprivileged saver must reach the folders inside.
        QVERIFY(QFile::setPermissions(dir->path(), QFile::ReadOwner | QFile::WriteOwner |
                                                       QFile::ExeOwner | QFile::ReadOther |
                                                       QFile::ExeOther));
    }
    void cleanup() { dir.reset(); }

    // The disk fills up while the new file is written, or has no room for another file at
    // all. A real tmpfs is used where the tests may mount one; the injected failure of the
    // file layer stands in for it everywhere.
    void fullDisk_data() {
        QTest::addColumn<QByteArray>("mountOptions");
        QTest::addColumn<QString>("expected");
        QTest::newRow("tmpfs full") << QByteArray("size=128k,nr_inodes=64")
                                    << QStringLiteral(
                                           "Cannot write file %1: No space left on "
                                           "device");
        QTest::newRow("tmpfs without a free inode")
            << QByteArray("size=1m,nr_inodes=2") << QStringLiteral("Cannot create file %1");
        QTest::newRow("injected write failure")
            << QByteArray() << QStringLiteral("Cannot write file %1: No space left on device");
    }
    void fullDisk() {
        QFETCH(QByteArray, mountOptions);
        QFETCH(QString, expected);
        const QString folder = path(QStringLiteral("disk"));
        TTmpfs disk;
        if (!mountOptions.isEmpty() && !disk.Mount(folder, mountOptions)) {
            QSKIP("no tmpfs can be mounted here; the injected row covers the full disk");
        }
        const QString file = prepareList(folder);
        std::optional<TWriteLimit> limit;
        if (mountOptions.isEmpty()) {
            limit.emplace(4096);
        }

        TTodoItemCollection big;
        FillBigList(big, 3000);
        SetGeneration(big, 2);
        try {
            SaveToFile(big, file);
            QFAIL("the save onto the full disk succeeded");
        } catch (const EPellmarkError& e) {
            QCOMPARE(e.Message(), expected.arg(file));
        }
        QCOMPARE(ReadFile(file), ListBytes(kSmall, 1));
        QCOMPARE(FolderEntries(folder), QStringList{QStringLiteral("list.2do")});

        // Nothing of the list is lost: it saves completely once there is room elsewhere.
        limit.reset();
        const QString elsewhere = path(QStringLiteral("elsewhere.2do"));
        SaveToFile(big, elsewhere);
        QCOMPARE(ReadFile(elsewhere), ListBytes(3000, 2));
        // The failed save gave its space back: a list that fits saves on the same disk.
        if (expected.startsWith(QStringLiteral("Cannot write"))) {
            TTodoItemCollection small;
            FillBigList(small, kSmall);
            SetGeneration(small, 3);
            SaveToFile(small, file);
            QCOMPARE(ReadFile(file), ListBytes(kSmall, 3));
        }
    }

    // No file can be made in a read-only folder, so the list cannot be replaced there.
    void readOnlyFolder() {
        const QString folder = path(QStringLiteral("locked"));
        const QString file = prepareList(folder);
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);
        const TSaverResult result = SaveAsUser(file, kSmall, 2);
        ::chmod(QFile::encodeName(folder).constData(), 0755);
        if (CannotSwitchUser(result)) {
            QSKIP("running as root without the right to become an unprivileged user");
        }
        QCOMPARE(result.Output, QStringLiteral("Cannot create file %1").arg(file));
        QCOMPARE(result.ExitCode, 1);
        QCOMPARE(ReadFile(file), ListBytes(kSmall, 1));
        QCOMPARE(FolderEntries(folder), QStringList{QStringLiteral("list.2do")});
    }

    // A file marked read-only is not replaced, even though its folder would allow it.
    void readOnlyFile() {
        const QString folder = path(QStringLiteral("open"));
        const QString file = prepareList(folder);
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0777) == 0);
        QVERIFY(::chmod(QFile::encodeName(file).constData(), 0444) == 0);
        const TSaverResult result = SaveAsUser(file, kSmall, 2);
        if (CannotSwitchUser(result)) {
            QSKIP("running as root without the right to become an unprivileged user");
        }
        QCOMPARE(result.Output, QStringLiteral("Cannot create file %1").arg(file));
        QCOMPARE(result.ExitCode, 1);
        QCOMPARE(ReadFile(file), ListBytes(kSmall, 1));
        QCOMPARE(FolderEntries(folder), QStringList{QStringLiteral("list.2do")});
    }

    // The file dialog has returned a name; before the save, another process changes what
    // is there. %1 is the file, %2 its folder.
    void changedBetweenDialogAndSave_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("error");
        QTest::newRow("file deleted") << QStringLiteral("rm -- \"$1\"") << QString();
        QTest::newRow("file replaced")
            << QStringLiteral("printf 'other' > \"$1.new\" && mv -- \"$1.new\" \"$1\"")
            << QString();
        QTest::newRow("file replaced by a folder")
            << QStringLiteral("rm -- \"$1\" && mkdir -- \"$1\"")
            << QStringLiteral("Cannot create file %1");
        QTest::newRow("folder removed")
            << QStringLiteral("rm -r -- \"$2\"") << QStringLiteral("Cannot create file %1");
    }
    void changedBetweenDialogAndSave() {
        QFETCH(QString, command);
        QFETCH(QString, error);
        const QString folder = path(QStringLiteral("chosen"));
        const QString file = prepareList(folder);
        QCOMPARE(QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), command,
                                                          QStringLiteral("sh"), file, folder}),
                 0);
        const QStringList before = QDir(folder).exists() ? FolderEntries(folder) : QStringList();

        TTodoItemCollection items;
        FillBigList(items, kSmall);
        SetGeneration(items, 2);
        if (error.isEmpty()) {
            SaveToFile(items, file);
            QCOMPARE(ReadFile(file), ListBytes(kSmall, 2));
            QCOMPARE(FolderEntries(folder), QStringList{QStringLiteral("list.2do")});
            return;
        }
        try {
            SaveToFile(items, file);
            QFAIL("the save succeeded");
        } catch (const EFCreateError& e) {
            QCOMPARE(e.Message(), error.arg(file));
        }
        // What the other process left is left alone, and the list can still be saved.
        QCOMPARE(QDir(folder).exists() ? FolderEntries(folder) : QStringList(), before);
        const QString elsewhere = path(QStringLiteral("elsewhere.2do"));
        SaveToFile(items, elsewhere);
        QCOMPARE(ReadFile(elsewhere), ListBytes(kSmall, 2));
    }

    // The file to open was deleted after the dialog: the list shown stays as it was.
    void deletedBeforeOpen() {
        const QString file = prepareList(path(QStringLiteral("gone")));
        QVERIFY(QFile::remove(file));
        TTodoItemCollection items;
        FillBigList(items, 3);
        try {
            LoadFromFile(items, file);
            QFAIL("loading a deleted file succeeded");
        } catch (const EFOpenError& e) {
            QCOMPARE(e.Message(), QStringLiteral("Cannot open file %1").arg(file));
        }
        QCOMPARE(ItemsToBytes(items), ListBytes(3, 0));
    }

    // Another program has the file open while it is saved, also with an exclusive lock on
    // all of it (both kinds of lock are advisory here and do not stop a rename): it goes on
    // reading the complete previous list, and the name leads to the complete new one.
    void heldOpenByAnotherProcess_data() {
        QTest::addColumn<QString>("lock");
        QTest::newRow("open") << QString();
        QTest::newRow("flock") << QStringLiteral("flock");
        QTest::newRow("POSIX record lock") << QStringLiteral("fcntl");
    }
    void heldOpenByAnotherProcess() {
        QFETCH(QString, lock);
        const QString folder = path(QStringLiteral("shared"));
        const QString file = prepareList(folder);
        QProcess holder;
        QStringList arguments{QStringLiteral("hold"), file};
        if (!lock.isEmpty()) {
            arguments << lock;
        }
        holder.start(QStringLiteral(PELLMARK_SAVER), arguments);
        QVERIFY(holder.waitForReadyRead(30000));
        QCOMPARE(holder.readLine().trimmed(), QByteArray("open"));

        TTodoItemCollection items;
        FillBigList(items, kSmall);
        SetGeneration(items, 2);
        SaveToFile(items, file);
        QCOMPARE(ReadFile(file), ListBytes(kSmall, 2));
        QCOMPARE(FolderEntries(folder), QStringList{QStringLiteral("list.2do")});

        holder.write("read\n");
        holder.closeWriteChannel();
        QVERIFY(holder.waitForFinished(30000));
        const QByteArray old = ListBytes(kSmall, 1);
        QCOMPARE(holder.readAllStandardOutput().trimmed(),
                 QByteArray::number(old.size()) + ' ' +
                     QCryptographicHash::hash(old, QCryptographicHash::Sha1).toHex());
    }

    // A damaged column layout file is refused with a message that names the file and the
    // byte; the columns keep what they had and the file is not touched.
    void damagedLayoutFile_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("problem");
        const QByteArray example =
            Hex("01000000 03000000 01 0400 23000000 02 0400 446f6e65 03 0100 07");
        QTest::newRow("empty") << QByteArray()
                               << QStringLiteral("at byte 0 (the file ends inside a record)");
        QTest::newRow("count cut")
            << Hex("0100") << QStringLiteral("at byte 2 (the file ends inside a record)");
        QTest::newRow("record cut")
            << example.left(20) << QStringLiteral("at byte 20 (the file ends inside a record)");
        QTest::newRow("caption beyond the end")
            << Hex("01000000 01000000 02 ffff 4142")
            << QStringLiteral("at byte 13 (the file ends inside a record)");
        QTest::newRow("two billion columns")
            << Hex("00943577") + QByteArray(22, '\0')
            << QStringLiteral("at byte 0 (column count 2000000000 is more than the file can hold)");
        QTest::newRow("endless field count")
            << Hex("01000000 ffffff7f 01 0400")
            << QStringLiteral("at byte 4 (field count 2147483647 is more than the file can hold)");
        QTest::newRow("a text file")
            << QByteArray("Subject,Due date\r\n")
            << QStringLiteral("at byte 0 (column count 1784837459 is more than the file can hold)");
    }
    void damagedLayoutFile() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, problem);
        const QString file = path(QStringLiteral("columninfo.txt"));
        WriteFile(file, bytes);

        TTodoColumnCollection columns;
        for (const char* caption : {"Subject", "Due", "Done"}) {
            columns.Add()->SetCaption(caption);
        }
        columns.GetItem(1)->SetTodoData(tdDueDate);
        columns.GetItem(2)->SetWidth(35);
        const QByteArray before = ColumnsToBytes(columns);
        try {
            LoadColumns(columns, file);
            QFAIL("a damaged layout file was accepted");
        } catch (const EReadError& e) {
            QCOMPARE(e.Message(),
                     QStringLiteral("Cannot read file %1: damaged %2").arg(file, problem));
        }
        QCOMPARE(ColumnsToBytes(columns), before);
        QCOMPARE(ReadFile(file), bytes);
    }

    void unreadableLayoutFile() {
        const QString file = path(QStringLiteral("columninfo.txt"));
        QVERIFY(QDir().mkdir(file));
        TTodoColumnCollection columns;
        columns.Add()->SetCaption("Subject");
        try {
            LoadColumns(columns, file);
            QFAIL("a folder was read as a layout file");
        } catch (const EFOpenError& e) {
            QCOMPARE(e.Message(), QStringLiteral("Cannot open file %1").arg(file));
        }
        QCOMPARE(columns.Count(), 1);
        QCOMPARE(columns.GetItem(0)->Caption(), std::string("Subject"));
    }
};

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
