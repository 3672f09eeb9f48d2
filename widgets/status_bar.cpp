#include "widgets/status_bar.h"

#include <QDateTime>
#include <QLocale>

TStatusBar::TStatusBar(QWidget* parent)
    : QStatusBar(parent),
      message_(new QLabel(this)),
      clock_(new QLabel(this)),
      notice_(new QLabel(this)) {
    setFixedHeight(19);
    setSizeGripEnabled(false);
    setStyleSheet(QStringLiteral("QStatusBar::item { border: none; }"));
    message_->setObjectName(QStringLiteral("MessagePane"));
    clock_->setObjectName(QStringLiteral("ClockPane"));
    notice_->setObjectName(QStringLiteral("NoticePane"));
    message_->setMinimumWidth(1);
    message_->setTextFormat(Qt::PlainText);
    notice_->setTextFormat(Qt::PlainText);
    clock_->setFixedWidth(130);
    clock_->setAlignment(Qt::AlignCenter);
    addWidget(message_, 1);
    addPermanentWidget(clock_);
    addPermanentWidget(notice_);

    clockText_ = [] {
        return QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
    };
    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, &TStatusBar::UpdateClock);
    timer_.start();
    UpdateClock();
}

void TStatusBar::SetClockText(std::function<QString()> text) {
    clockText_ = std::move(text);
    UpdateClock();
}

void TStatusBar::UpdateClock() {
    if (clockText_) {
        clock_->setText(clockText_());
    }
}
