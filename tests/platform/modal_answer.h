#pragma once

// Answers the next modal dialog while the code under test waits in its exec(): polls for
// a modal widget of type T and hands it to the answer, which inspects and closes it. A
// dialog that nobody answers is rejected after a few seconds, so a failing test does not
// hang; Answered() tells whether the answer ran.

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>

template <typename T>
class TModalAnswer {
public:
    explicit TModalAnswer(std::function<void(T*)> answer) : answer_(std::move(answer)) {
        elapsed_.start();
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { Poll(); });
        timer_.start();
    }

    bool Answered() const { return answered_; }

private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!answered_) {
            if (T* dialog = qobject_cast<T*>(modal); dialog && dialog->isVisible()) {
                answered_ = true;
                answer_(dialog);
                return;
            }
        }
        // Nobody closed it (a failed check in the answer, or a dialog nobody expected).
        if (elapsed_.elapsed() > 5000) {
            if (auto* open = qobject_cast<QDialog*>(modal)) {
                open->reject();
            }
        }
    }

    std::function<void(T*)> answer_;
    QTimer timer_;
    QElapsedTimer elapsed_;
    bool answered_ = false;
};
