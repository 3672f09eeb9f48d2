// The single-copy rule with real processes: the stand-in program started several times.

#include <sys/stat.h>
#include <unistd.h>
#include <QDateTime>
#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <memory>

#include "app/instance_message.h"
#include "probe_process.h"

namespace {

const QString kProbe = QStringLiteral(PELLMARK_PROBE);

struct Channel {
    QString socket;
    QString lock;
};

Channel ChannelOf(ProbeProcess& probe) {
    const QStringList parts = probe.WaitForLine(QStringLiteral("channel ")).split(QLatin1Char(' '));
    return parts.size() == 3 ? Channel{parts[1], parts[2]} : Channel{};
}

// Sends raw bytes as another start would; returns whether the running copy acknowledged.
bool SendRaw(const QString& socketPath, const QByteArray& bytes) {
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(2000)) {
        return false;
    }
    socket.write(bytes);
    socket.waitForBytesWritten(2000);
    QByteArray answer;
    // The running copy either answers and closes, or just closes.
    static_cast<void>(QTest::qWaitFor(
        [&] {
            answer += socket.readAll();
            return socket.state() == QLocalSocket::UnconnectedState || !answer.isEmpty();
        },
        8000));
    answer += socket.readAll();
    return answer == QByteArray(1, kInstanceMessageAck);
}

QByteArray Raw(const std::string& bytes) {
    return QByteArray::fromStdString(bytes);
}

QByteArray Header(quint32 block, quint32 token) {
    QByteArray out = Raw(std::string(kInstanceMessageName));
    for (quint32 v : {block, token}) {
        for (int shift = 0; shift < 32; shift += 8) {
            out.append(static_cast<char>((v >> shift) & 0xFF));
        }
    }
    return out;
}

}  // namespace

class TestRunOnce : public QObject {
    Q_OBJECT

    // Starts a copy and waits until it runs as the first copy.
    void StartFirst(ProbeProcess& probe) {
        probe.Start();
        QVERIFY2(!probe.WaitForLine(QStringLiteral("ready")).isEmpty(),
                 qPrintable(probe.Lines().join(QLatin1Char('|'))));
    }
    // Starts a copy that must hand over and quit.
    void StartSecond(ProbeProcess& probe, const QStringList& arguments = {}) {
        probe.Start(arguments);
        QVERIFY(probe.WaitForFinished());
        QVERIFY(!probe.Crashed());
        QCOMPARE(probe.ExitCode(), 3);
        QVERIFY(probe.HasLine(QStringLiteral("handed-over")));
        QVERIFY(!probe.HasLine(QStringLiteral("ready")));
        // It quits without the exit flow.
        QVERIFY(!probe.HasLine(QStringLiteral("close")));
    }

private Q_SLOTS:
    void secondStartHandsOver() {
        ProbeProcess first;
        StartFirst(first);
        first.Send(QStringLiteral("other"));
        QTRY_VERIFY(first.Query(QStringLiteral("state")).contains(QStringLiteral("active=0")));

        ProbeProcess second;
        StartSecond(second,
                    {QStringLiteral("alpha"), QStringLiteral("b c"), QStringLiteral("\u00fcber")});
        const QString other = first.WaitForLine(QStringLiteral("other "));
        QVERIFY(other.startsWith(QStringLiteral("other 3 ")));
        QCOMPARE(OtherStrings(other),
                 (QStringList{kProbe, QStringLiteral("alpha"), QStringLiteral("b c"),
                              QStringLiteral("\u00fcber")}));
        // The running copy came to the front and goes on running.
        QTRY_COMPARE(first.Query(QStringLiteral("state")),
                     QStringLiteral("state visible=1 minimized=0 active=1 tray=- icon=0"));
        QVERIFY(!first.Finished());
    }

    // Without a notification area a minimised copy is an ordinary one; another start
    // brings it back.
    void minimisedCopyComesBack() {
        ProbeProcess first;
        StartFirst(first);
        first.Send(QStringLiteral("minimize"));
        QTRY_VERIFY(first.Query(QStringLiteral("state")).contains(QStringLiteral("minimized=1")));
        QVERIFY(first.Query(QStringLiteral("state")).contains(QStringLiteral("visible=1")));
        ProbeProcess second;
        StartSecond(second);
        QTRY_COMPARE(first.Query(QStringLiteral("state")),
                     QStringLiteral("state visible=1 minimized=0 active=1 tray=- icon=0"));
        QCOMPARE(first.LinesStartingWith(QStringLiteral("other ")),
                 QStringList{QStringLiteral("other 0 ") +
                             QString::fromLatin1(kProbe.toLocal8Bit().toPercentEncoding())});
    }

    void renamedCopyRunsSeparately() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString renamed = folder.filePath(QStringLiteral("pellmark-renamed"));
        QVERIFY(QFile::copy(kProbe, renamed));
        QVERIFY(
            QFile::setPermissions(renamed, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        ProbeProcess first;
        StartFirst(first);
        ProbeProcess copy(renamed);
        StartFirst(copy);
        QVERIFY(ChannelOf(copy).socket != ChannelOf(first).socket);

        ProbeProcess again;
        StartSecond(again, {QStringLiteral("to-first")});
        QVERIFY(first.WaitForLine(QStringLiteral("other ")).endsWith(QStringLiteral(" to-first")));
        ProbeProcess copyAgain(renamed);
        StartSecond(copyAgain, {QStringLiteral("to-copy")});
        QVERIFY(copy.WaitForLine(QStringLiteral("other ")).endsWith(QStringLiteral(" to-copy")));
        QCOMPARE(first.LinesStartingWith(QStringLiteral("other ")).size(), 1);
        QCOMPARE(copy.LinesStartingWith(QStringLiteral("other ")).size(), 1);
    }

    // A copy killed outright leaves its lock and socket behind; the next start runs.
    void staleLockAndSocket() {
        ProbeProcess killed;
        StartFirst(killed);
        const Channel channel = ChannelOf(killed);
        killed.Stop();
        QVERIFY(QFile::exists(channel.lock));
        QVERIFY(QFile::exists(channel.socket));

        ProbeProcess next;
        StartFirst(next);
        QCOMPARE(ChannelOf(next).socket, channel.socket);
        ProbeProcess second;
        StartSecond(second);
        QVERIFY(!next.WaitForLine(QStringLiteral("other ")).isEmpty());
    }

    // A copy that has run for hours still holds its lock: only a dead holder makes it stale.
    void oldLockOfLiveCopyHolds() {
        ProbeProcess first;
        StartFirst(first);
        QFile lock(ChannelOf(first).lock);
        QVERIFY(lock.open(QIODevice::ReadOnly));
        QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-6 * 3600),
                                 QFileDevice::FileModificationTime));
        lock.close();
        ProbeProcess second;
        StartSecond(second);
        QVERIFY(!first.WaitForLine(QStringLiteral("other ")).isEmpty());
    }

    // A copy that ends normally leaves nothing behind.
    void cleanExitRemovesChannel() {
        Channel channel;
        {
            ProbeProcess first;
            StartFirst(first);
            channel = ChannelOf(first);
            first.Send(QStringLiteral("exit"));
            QVERIFY(first.WaitForFinished());
            QCOMPARE(first.ExitCode(), 0);
            QVERIFY(first.HasLine(QStringLiteral("close")));
        }
        QVERIFY(!QFile::exists(channel.lock));
        QVERIFY(!QFile::exists(channel.socket));
    }

    void simultaneousStarts() {
        for (int round = 0; round < 3; ++round) {
            std::vector<std::unique_ptr<ProbeProcess>> copies;
            for (int i = 0; i < 3; ++i) {
                copies.push_back(std::make_unique<ProbeProcess>());
                copies.back()->Start({QStringLiteral("copy%1").arg(i)});
            }
            // Settled: every copy either runs as the first or has ended.
            QTRY_VERIFY_WITH_TIMEOUT(
                std::all_of(
                    copies.begin(), copies.end(),
                    [](auto& p) { return p->Finished() || p->HasLine(QStringLiteral("ready")); }),
                20000);
            ProbeProcess* running = nullptr;
            int handedOver = 0;
            for (auto& p : copies) {
                if (!p->Finished()) {
                    QVERIFY2(!running, "two copies running");
                    running = p.get();
                } else {
                    QCOMPARE(p->ExitCode(), 3);
                    ++handedOver;
                }
            }
            QVERIFY(running);
            QCOMPARE(handedOver, 2);
            QTRY_COMPARE(running->LinesStartingWith(QStringLiteral("other ")).size(), 2);
        }
    }

    // Nothing another process sends can harm the running copy; it only acts on a whole,
    // well-formed message.
    void malformedMessagesIgnored() {
        ProbeProcess first;
        StartFirst(first);
        const QString socket = ChannelOf(first).socket;
        const QByteArray good = Raw(EncodeInstanceMessage({"/x", "y"}, ""));
        const QList<QByteArray> bad{
            QByteArray("hello, world"),
            Header(70000, 0),
            Header(0xFFFFFFFF, 0xFFFFFFFF) + QByteArray(1000, 'x'),
            Raw(std::string(kInstanceMessageName)) + QByteArray(200000, 'x'),
            Header(4, 0) + QByteArray("abcd"),
            Header(0, 0),
            good + QByteArray("trailing"),
            good.left(good.size() - 1),  // closed before the end
            QByteArray(1, '\0'),
        };
        // A connection that never says anything does not hold up the others.
        QLocalSocket idle;
        idle.connectToServer(socket);
        QVERIFY(idle.waitForConnected(2000));
        for (const QByteArray& bytes : bad) {
            QVERIFY2(!SendRaw(socket, bytes), bytes.left(20).toHex().constData());
        }
        QVERIFY(!first.HasLine(QStringLiteral("other ")));
        QVERIFY(!first.Finished());

        QVERIFY(SendRaw(socket, good));
        QCOMPARE(first.WaitForLine(QStringLiteral("other ")), QStringLiteral("other 1 %2Fx y"));
        ProbeProcess second;
        StartSecond(second);
        QTRY_COMPARE(first.LinesStartingWith(QStringLiteral("other ")).size(), 2);
    }

    void channelIsTheUsersAlone() {
        ProbeProcess first;
        StartFirst(first);
        const QString socket = ChannelOf(first).socket;
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(socket).constData(), &info), 0);
        QVERIFY(S_ISSOCK(info.st_mode));
        QCOMPARE(info.st_mode & (S_IRWXG | S_IRWXO), mode_t(0));
        QCOMPARE(info.st_uid, ::geteuid());

        if (::geteuid() != 0 || !QFile::exists(QStringLiteral("/usr/bin/setpriv"))) {
            QSKIP("another user's process needs root and setpriv");
        }
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                 QFile::ExeOwner | QFile::ReadOther |
                                                 QFile::ExeOther);
        const QString copy = folder.filePath(QStringLiteral("intruder"));
        QVERIFY(QFile::copy(kProbe, copy));
        QFile::setPermissions(
            copy, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
        ProbeProcess intruder(QStringLiteral("/usr/bin/setpriv"));
        intruder.Start({QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                        QStringLiteral("--clear-groups"), copy, QStringLiteral("--connect"),
                        socket});
        QVERIFY(intruder.WaitForFinished());
        const QString result = intruder.WaitForLine(QStringLiteral("connect-result"));
        if (result.isEmpty()) {
            QSKIP("the other user cannot run the test program here");
        }
        QCOMPARE(result, QStringLiteral("connect-result refused"));
        QVERIFY(!first.HasLine(QStringLiteral("other ")));
    }

    // A running copy that does not answer (here: stopped) is not waited for forever; the
    // new start runs on its own.
    void hungCopyIsNotWaitedFor() {
        ProbeProcess first;
        StartFirst(first);
        const qint64 pid = first.Process().processId();
        QCOMPARE(::kill(static_cast<pid_t>(pid), SIGSTOP), 0);
        ProbeProcess second;
        second.Start();
        const bool ready = !second.WaitForLine(QStringLiteral("ready"), 30000).isEmpty();
        ::kill(static_cast<pid_t>(pid), SIGCONT);
        QVERIFY(ready);
        QVERIFY(!second.HasLine(QStringLiteral("handed-over")));
    }
};

QTEST_GUILESS_MAIN(TestRunOnce)
#include "tst_run_once.moc"
