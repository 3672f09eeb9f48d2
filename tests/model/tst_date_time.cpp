#include <QTest>

#include "model/date_time.h"

class TestDateTime : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decodes_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QDateTime>("expected");
        QTest::newRow("epoch") << 0.0 << QDateTime(QDate(1899, 12, 30), QTime(0, 0));
        QTest::newRow("noon") << 45000.5 << QDateTime(QDate(2023, 3, 15), QTime(12, 0));
        QTest::newRow("due") << 45007.0 << QDateTime(QDate(2023, 3, 22), QTime(0, 0));
        QTest::newRow("before epoch") << -1.25 << QDateTime(QDate(1899, 12, 29), QTime(6, 0));
    }

    // Half a day either side of the epoch is the same moment of the same day.
    void halfDayBeforeTheEpoch() {
        QCOMPARE(DateTimeToQDateTime(-0.5), QDateTime(QDate(1899, 12, 30), QTime(12, 0)));
    }
    void decodes() {
        QFETCH(double, value);
        QFETCH(QDateTime, expected);
        QCOMPARE(DateTimeToQDateTime(value), expected);
        QCOMPARE(QDateTimeToDateTime(expected), value);
    }

    // Days are taken apart and put together by arithmetic: every 13th day of the whole
    // range, so every day of the week, agrees with Qt's calendar.
    void daysAgreeWithQDate() {
        const QDate epoch(1899, 12, 30);
        for (int day = -657433; day < 2958466; day += 13) {
            TDateTimeParts parts;
            // Before 1899 the time of day counts away from zero, as the day does.
            QVERIFY(DecodeDateTime(day < 0 ? day - 0.75 : day + 0.75, parts));
            const QDate date = epoch.addDays(day);
            if (parts.Year != date.year() || parts.Month != date.month() ||
                parts.Day != date.day() || parts.DayOfWeek != date.dayOfWeek() % 7 + 1 ||
                parts.Hour != 18) {
                QFAIL(qPrintable(QStringLiteral("day %1").arg(day)));
            }
            QCOMPARE(EncodeDateTime(parts), EncodeDateTime(date, QTime(18, 0)));
        }
    }

    void noDateIsEmpty() {
        QVERIFY(!DateTimeToQDateTime(std::numeric_limits<double>::quiet_NaN()).isValid());
        QVERIFY(!DateTimeToQDateTime(1e300).isValid());
        QCOMPARE(
            FormatDateTime(QStringLiteral("MM/d/yyyy"), std::numeric_limits<double>::infinity()),
            QString());
    }

    void formats_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        const double morning = EncodeDateTime(QDate(2024, 3, 5), QTime(9, 7, 3, 45));
        const double evening = EncodeDateTime(QDate(2024, 11, 25), QTime(21, 30, 0));
        QTest::newRow("date cells") << "MM/d/yyyy" << morning << "03/5/2024";
        QTest::newRow("zero date") << "MM/d/yyyy" << 0.0 << "12/30/1899";
        QTest::newRow("clock am") << "mm/dd/yyyy h:nn am/pm" << morning << "03/05/2024 9:07 am";
        QTest::newRow("clock pm") << "mm/dd/yyyy h:nn am/pm" << evening << "11/25/2024 9:30 pm";
        QTest::newRow("midnight is 12") << "h:nn AM/PM" << 45000.0 << "12:00 AM";
        QTest::newRow("mm after h is minutes") << "h:mm" << morning << "9:07";
        QTest::newRow("mm after h across quotes") << "hh' h 'mm" << evening << "21 h 30";
        QTest::newRow("24 hours without marker") << "hh:nn:ss.zzz" << morning << "09:07:03.045";
        QTest::newRow("names") << "ddd dddd mmm mmmm yy" << morning << "Tue Tuesday Mar March 24";
        QTest::newRow("a/p and ampm") << "h a/p, h ampm" << evening << "9 p, 9 PM";
        QTest::newRow("quoted letters") << "\"dd\" d 'of' m" << morning << "dd 5 of 3";
        QTest::newRow("short date and time") << "c" << morning << "3/5/2024 9:07:03 AM";
        QTest::newRow("c without time") << "c" << 45000.0 << "3/15/2023";
        QTest::newRow("ddddd and tt") << "ddddd tt" << evening << "11/25/2024 9:30:00 PM";
    }
    void formats() {
        QFETCH(QString, format);
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(FormatDateTime(format, value), expected);
    }

    void separatorsComeFromTheSettings() {
        TFormatSettings german = TFormatSettings::Neutral();
        german.DateSeparator = QLatin1Char('.');
        german.TimeSeparator = QLatin1Char('-');
        QCOMPARE(FormatDateTime(QStringLiteral("MM/d/yyyy h:nn"), 45000.5, german),
                 QStringLiteral("03.15.2023 12-00"));
    }
};

QTEST_GUILESS_MAIN(TestDateTime)
#include "tst_date_time.moc"
