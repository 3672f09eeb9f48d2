#pragma once

// Runs the stand-in program (instance_probe.cpp) as a real process and reads its report
// lines as they come.

#include <QFileInfo>
#include <QProcess>
#include <QTest>

class ProbeProcess {
public:
    explicit ProbeProcess(QString program = QStringLiteral(PELLMARK_PROBE))
        : program_(std::move(program)) {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }
    ~ProbeProcess() { Stop(); }

    void Start(const QStringList& arguments = {},
               const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
        process_.setProcessEnvironment(environment);
        process_.start(program_, arguments);
    }
    // Kills the process if it still runs.
    void Stop() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    // Waits until a line starting with the prefix has come; returns it, or empty.
    QString WaitForLine(const QString& prefix, int timeout = 10000) {
        QString found;
        static_cast<void>(QTest::qWaitFor(
            [&] { return !(found = Find(prefix)).isEmpty() || Finished(); }, timeout));
        if (found.isEmpty()) {
            found = Find(prefix);  // the last lines of a process that just ended
        }
        return found;
    }
    bool HasLine(const QString& prefix) {
        Collect();
        return !Find(prefix).isEmpty();
    }
    // Sends a command and waits for its answer (a line starting with the command's word).
    QString Query(const QString& command, int timeout = 5000) {
        const qsizetype before = lines_.size();
        process_.write(command.toLatin1() + '\n');
        QString answer;
        static_cast<void>(QTest::qWaitFor(
            [&] {
                Collect();
                for (qsizetype i = before; i < lines_.size(); ++i) {
                    if (lines_[i].startsWith(command + QLatin1Char(' '))) {
                        answer = lines_[i];
                        return true;
                    }
                }
                return false;
            },
            timeout));
        return answer;
    }
    void Send(const QString& command) { process_.write(command.toLatin1() + '\n'); }

    bool WaitForFinished(int timeout = 15000) {
        static_cast<void>(QTest::qWaitFor([&] { return Finished(); }, timeout));
        return Finished();
    }
    bool Finished() {
        Collect();
        return process_.state() == QProcess::NotRunning;
    }
    int ExitCode() const { return process_.exitCode(); }
    bool Crashed() const { return process_.exitStatus() == QProcess::CrashExit; }
    QStringList Lines() {
        Collect();
        return lines_;
    }
    QStringList LinesStartingWith(const QString& prefix) {
        Collect();
        QStringList out;
        for (const QString& line : lines_) {
            if (line.startsWith(prefix)) {
                out << line;
            }
        }
        return out;
    }
    QProcess& Process() { return process_; }

private:
    QString Find(const QString& prefix) {
        Collect();
        for (const QString& line : lines_) {
            if (line.startsWith(prefix)) {
                return line;
            }
        }
        return {};
    }
    void Collect() {
        buffer_ += process_.readAllStandardOutput();
        for (qsizetype at; (at = buffer_.indexOf('\n')) >= 0;) {
            lines_ << QString::fromLocal8Bit(buffer_.left(at));
            buffer_.remove(0, at + 1);
        }
    }

    QString program_;
    QProcess process_;
    QByteArray buffer_;
    QStringList lines_;
};

// Decodes the strings of an "other COUNT S0 S1 ..." line.
inline QStringList OtherStrings(const QString& line) {
    QStringList parts = line.split(QLatin1Char(' '));
    QStringList out;
    for (qsizetype i = 2; i < parts.size(); ++i) {
        out << QString::fromLocal8Bit(QByteArray::fromPercentEncoding(parts[i].toLatin1()));
    }
    return out;
}
