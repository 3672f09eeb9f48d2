// A process saving a list of 100,000 items is killed with SIGKILL at random moments, again
// and again. After every kill the file must be one complete save, the previous one or the
// next one, never damaged, mixed or missing; a temporary file may be left behind, but only
// a hidden one beside the list.
//
// Building the file's bytes takes most of a save, so half of the kills wait until the
// temporary file appears and strike while it is written, flushed and renamed.

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <deque>
#include <random>
#include <vector>

#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <unistd.h>

#include "fault_support.h"
#include "model/errors.h"

namespace {

constexpr int kItems = 100000;
constexpr int kKills = 50;

bool WaitForLine(QProcess& process, const QByteArray& line, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        while (process.canReadLine()) {
            if (process.readLine().trimmed() == line) {
                return true;
            }
        }
        process.waitForReadyRead(int(std::max<qint64>(1, timeoutMs - timer.elapsed())));
    }
    return false;
}

// Reports files created in or renamed into one folder.
class TFolderWatch {
public:
    explicit TFolderWatch(const QString& folder) : fd_(::inotify_init1(IN_NONBLOCK)) {
        if (fd_ >= 0) {
            ::inotify_add_watch(fd_, QFile::encodeName(folder).constData(),
                                IN_CREATE | IN_MOVED_TO);
        }
    }
    ~TFolderWatch() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    bool IsValid() const { return fd_ >= 0; }

    // Forgets what happened so far.
    void Drain() {
        pending_.clear();
        Read(0);
        pending_.clear();
    }

    // Waits until a file whose name matches appears; false after the timeout.
    bool WaitFor(const QRegularExpression& name, int timeoutMs) {
        QElapsedTimer timer;
        timer.start();
        for (;;) {
            while (!pending_.empty()) {
                const QString next = pending_.front();
                pending_.pop_front();
                if (name.match(next).hasMatch()) {
                    return true;
                }
            }
            const qint64 left = timeoutMs - timer.elapsed();
            if (left <= 0) {
                return false;
            }
            Read(int(left));
        }
    }

private:
    void Read(int timeoutMs) {
        pollfd wait{fd_, POLLIN, 0};
        if (::poll(&wait, 1, timeoutMs) <= 0) {
            return;
        }
        alignas(inotify_event) char buffer[4096];
        ssize_t n;
        while ((n = ::read(fd_, buffer, sizeof buffer)) > 0) {
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0) {
                    pending_.push_back(QFile::decodeName(event->name));
                }
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
    }

    int fd_;
    std::deque<QString> pending_;
};

// The saved bytes of the big list for any generation: one save with the generation patched
// into every item's Tag, which makes checking a file after a kill cheap.
class TGenerationBytes {
public:
    explicit TGenerationBytes(TTodoItemCollection& list) {
        SetGeneration(list, 0);
        base_ = ItemsToBytes(list);
        // A record ends with Tag (3 + 4 bytes), TotalTime (3 + 4) and Project (3 + text).
        qsizetype end = 4;
        for (const TTodoItem* item : list) {
            QByteArray record;
            AppendItemRecord(record, *item);
            end += record.size();
            offsets_.push_back(end - qsizetype(item->Project().size()) - 3 - 7 - 4);
        }
    }

    QByteArray Of(int generation) const {
        QByteArray bytes = base_;
        const auto value = static_cast<std::uint32_t>(generation);
        for (const qsizetype at : offsets_) {
            for (int i = 0; i < 4; ++i) {
                bytes[at + i] = char((value >> (8 * i)) & 0xFF);
            }
        }
        return bytes;
    }

    // The generation in the first item's Tag, or -1 when the file is too short for it.
    int Read(const QByteArray& bytes) const {
        const qsizetype at = offsets_.front();
        if (bytes.size() < at + 4) {
            return -1;
        }
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i) {
            value = (value << 8) | std::uint8_t(bytes[at + i]);
        }
        return int(value);
    }

private:
    QByteArray base_;
    std::vector<qsizetype> offsets_;
};

}  // namespace

class TestKillSave : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void killWhileSaving() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString file = dir.filePath(QStringLiteral("list.2do"));
        const QRegularExpression tempName(QStringLiteral("^\\.list\\.2do\\.[A-Za-z0-9]{6}$"));
        const QRegularExpression listName(QStringLiteral("^list\\.2do$"));
        TFolderWatch watch(dir.path());
        QVERIFY(watch.IsValid());

        TTodoItemCollection list;
        FillBigList(list, kItems);
        const TGenerationBytes generations(list);
        SetGeneration(list, 7);
        QVERIFY(generations.Of(7) == ItemsToBytes(list));
        QCOMPARE(generations.Read(generations.Of(7)), 7);
        SetGeneration(list, 0);
        QElapsedTimer timer;
        timer.start();
        SaveToFile(list, file);
        const qint64 saveUs = std::max<qint64>(1000, timer.nsecsElapsed() / 1000);

        const quint32 seed = qEnvironmentVariableIsSet("PELLMARK_KILL_SEED")
                                 ? quint32(qEnvironmentVariableIntValue("PELLMARK_KILL_SEED"))
                                 : QRandomGenerator::global()->generate();
        std::mt19937 random(seed);
        qint64 writeUs = 0;  // from the temporary file's creation to the rename, measured below

        int onDisk = 0;
        int keptOld = 0;
        int gotNew = 0;
        int tempLeft = 0;
        for (int kill = 0; kill < kKills; ++kill) {
            const QString where = QStringLiteral("seed %1, kill %2").arg(seed).arg(kill);
            QProcess saver;
            saver.start(QStringLiteral(PELLMARK_SAVER),
                        {QStringLiteral("loop"), file, QString::number(kItems),
                         QString::number(onDisk + 1)});
            QVERIFY2(WaitForLine(saver, "ready", 60000), "the saver did not start");
            watch.Drain();
            // The moment of the kill is the point of the test, so these waits are on time.
            if (kill == 0) {
                // The first saver shows how long the file itself takes to write.
                QVERIFY(watch.WaitFor(tempName, 60000));
                timer.restart();
                QVERIFY(watch.WaitFor(listName, 60000));
                writeUs = std::max<qint64>(100, timer.nsecsElapsed() / 1000);
            } else if (kill % 2 == 1) {
                // Anywhere: from the end of building the list to within its third save.
                QThread::usleep(static_cast<unsigned long>(
                    std::uniform_int_distribution<qint64>(0, saveUs * 5 / 2)(random)));
            } else {
                // While the temporary file is written, flushed and renamed.
                QVERIFY(watch.WaitFor(tempName, 60000));
                QThread::usleep(static_cast<unsigned long>(
                    std::uniform_int_distribution<qint64>(0, writeUs * 6 / 5)(random)));
            }
            QVERIFY(::kill(pid_t(saver.processId()), SIGKILL) == 0);
            QVERIFY(saver.waitForFinished(30000));
            QCOMPARE(saver.exitStatus(), QProcess::CrashExit);

            QStringList others = FolderEntries(dir.path());
            QVERIFY2(others.removeAll(QStringLiteral("list.2do")) == 1,
                     qPrintable(where + QStringLiteral(": the list is missing")));
            for (const QString& name : others) {
                QVERIFY2(tempName.match(name).hasMatch(),
                         qPrintable(where + QLatin1Char(' ') + name));
                QVERIFY(QFile::remove(dir.filePath(name)));
                ++tempLeft;
            }

            const QByteArray bytes = ReadWholeFile(file);
            const int generation = generations.Read(bytes);
            QVERIFY2(generation >= onDisk && bytes == generations.Of(generation),
                     qPrintable(where + QStringLiteral(": the file of %1 bytes is not one "
                                                       "complete save")
                                            .arg(bytes.size())));
            (generation == onDisk ? keptOld : gotNew)++;
            onDisk = generation;
        }
        qInfo(
            "%d kills survived (seed %u; one save %lld ms, of it %lld ms writing the file): %d "
            "kept the previous file, %d found a newer complete one, %d left a temporary file",
            kKills, seed, saveUs / 1000, writeUs / 1000, keptOld, gotNew, tempLeft);
        QCOMPARE(keptOld + gotNew, kKills);
    }
};

QTEST_GUILESS_MAIN(TestKillSave)
#include "tst_kill_save.moc"
