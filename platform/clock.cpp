#include "platform/clock.h"

#include <QApplication>
#include <QDateTime>
#include <QThread>

#include "model/date_time.h"

TDateTime TQtClock::Now() const {
    return QDateTimeToDateTime(QDateTime::currentDateTime());
}

void TQtClock::Beep() {
    QApplication::beep();
}

void TQtClock::Sleep(int milliseconds) {
    if (milliseconds > 0) {
        QThread::msleep(static_cast<unsigned long>(milliseconds));
    }
}
