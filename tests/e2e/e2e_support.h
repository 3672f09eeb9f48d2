#pragma once

// Helpers of the real-window suite: answering the program's real dialogs and message boxes
// as a user would, xdotool, and a window manager for the tests that need one.

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>

// Answers the modal windows that open while the code under test waits in them, one step
// per window, in order. A window that no step is left for is rejected after a few
// seconds and recorded, so a wrong turn fails the test instead of hanging it.
class TModalScript {
public:
    using TStep = std::function<void(QWidget* modal)>;

    TModalScript() {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { Poll(); });
        timer_.start();
    }

    TModalScript& Then(TStep step) {
        steps_.push_back(std::move(step));
        return *this;
    }
    // Steps not used yet.
    int Left() const { return int(steps_.size()); }
    // Texts of the message boxes and titles of the other windows, as they opened.
    QStringList Seen;
    int Unexpected = 0;

    // Clicks the button of a message box that carries this text ("&Yes", "OK").
    static TStep Click(const QString& buttonText) {
        return [buttonText](QWidget* modal) {
            for (QAbstractButton* button : modal->findChildren<QAbstractButton*>()) {
                if (button->text() == buttonText) {
                    QTest::mouseClick(button, Qt::LeftButton);
                    return;
                }
            }
            qWarning("no button %s", qPrintable(buttonText));
            if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                dialog->reject();
            }
        };
    }
    // Types a name into a file dialog and accepts it, as Enter would.
    static TStep ChooseFile(const QString& path) {
        return [path](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            auto* edit =
                dialog ? dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
            if (!edit) {
                qWarning("not the program's own file dialog");
                if (dialog) {
                    dialog->reject();
                }
                return;
            }
            edit->setText(path);
            QTest::keyClick(edit, Qt::Key_Return);
        };
    }
    static TStep Cancel() {
        return [](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); };
    }

private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || modal == current_) {
            if (modal && modal == current_ && since_.elapsed() > 8000) {
                if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                    ++Unexpected;
                    dialog->reject();
                }
            }
            return;
        }
        current_ = modal;
        since_.start();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            Seen << box->text();
        } else {
            Seen << modal->windowTitle();
        }
        if (steps_.empty()) {
            return;  // rejected when the time is up
        }
        TStep step = std::move(steps_.front());
        steps_.pop_front();
        // Out of the timer's call, so that the step may wait in nested loops itself.
        QTimer::singleShot(50, modal, [step, modal] { step(modal); });
    }

    std::deque<TStep> steps_;
    QPointer<QWidget> current_;
    QElapsedTimer since_;
    QTimer timer_;
};

// Runs xdotool; its output, trimmed, or a null string when it failed.
inline QString Xdotool(const QStringList& arguments, int timeout = 15000) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForFinished(timeout) || process.exitCode() != 0) {
        return {};
    }
    // Not null, also when xdotool said nothing.
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed() + QLatin1String("");
}

inline void StopProcess(QProcess* process) {
    if (process && process->state() != QProcess::NotRunning) {
        process->terminate();
        if (!process->waitForFinished(5000)) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
}

// A window manager on the test's X server, for what only a window manager does
// (maximizing). Null when none is installed.
inline std::unique_ptr<QProcess> StartWindowManager() {
    const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
    if (openbox.isEmpty()) {
        return nullptr;
    }
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(openbox, {QStringLiteral("--sm-disable")});
    if (!process->waitForStarted(5000)) {
        return nullptr;
    }
    // Ready once it announces itself on the root window.
    const bool ready = QTest::qWaitFor(
        [] {
            QProcess xprop;
            xprop.start(QStringLiteral("xprop"),
                        {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
            xprop.waitForFinished(3000);
            return xprop.readAllStandardOutput().contains("window id");
        },
        10000);
    if (!ready) {
        StopProcess(process.get());
        return nullptr;
    }
    return process;
}
