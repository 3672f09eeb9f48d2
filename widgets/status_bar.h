#pragma once

// The main window's status bar: a message pane that takes the free width and always shows
// its tooltip on hover, a clock pane that keeps itself current, and a notice pane.

#include <QLabel>
#include <QStatusBar>
#include <QTimer>
#include <functional>

class TStatusBar : public QStatusBar {
    Q_OBJECT

public:
    explicit TStatusBar(QWidget* parent = nullptr);

    QLabel* MessagePane() const { return message_; }
    QLabel* ClockPane() const { return clock_; }
    QLabel* NoticePane() const { return notice_; }

    QString Message() const { return message_->text(); }
    void SetMessage(const QString& text) { message_->setText(text); }
    // The message pane's tooltip.
    QString Hint() const { return message_->toolTip(); }
    void SetHint(const QString& text) { message_->setToolTip(text); }
    void SetNotice(const QString& text) { notice_->setText(text); }

    // What the clock pane shows; called once a second. The default is the local time in
    // Qt's short format.
    void SetClockText(std::function<QString()> text);
    // Re-reads the clock now (the timer does this every second).
    void UpdateClock();

private:
    QLabel* message_;
    QLabel* clock_;
    QLabel* notice_;
    QTimer timer_;
    std::function<QString()> clockText_;
};
