#include <QLocale>
#include <QTest>

#include "platform/format_settings.h"

namespace {

// Tuesday 5 March 2024, 21:07:03, and the same day at 9:07:03 in the morning.
TDateTime Evening() {
    return EncodeDateTime(QDate(2024, 3, 5), QTime(21, 7, 3));
}
TDateTime Morning() {
    return EncodeDateTime(QDate(2024, 3, 5), QTime(9, 7, 3));
}

}  // namespace

class TestFormatSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fromQtPattern_data() {
        QTest::addColumn<QString>("qt");
        QTest::addColumn<QString>("program");
        QTest::newRow("US short date") << "M/d/yy"
                                       << "m/d/yy";
        QTest::newRow("minutes are n") << "HH:mm"
                                       << "hh:nn";
        QTest::newRow("marker after, zone dropped") << "h:mm:ss AP t"
                                                    << "h:nn:ss ampm";
        QTest::newRow("lower-case marker") << "h:mm ap"
                                           << "h:nn ampm";
        QTest::newRow("long date") << "dddd, MMMM d, yyyy"
                                   << "dddd, mmmm d, yyyy";
        QTest::newRow("quoted word") << "d. MMMM yyyy 'um' HH:mm"
                                     << "d. mmmm yyyy \"um\" hh:nn";
        QTest::newRow("escaped quote") << "'o''clock' H"
                                       << "\"o'clock\" h";
        QTest::newRow("lone quote") << "H''"
                                    << "h\"'\"";
        QTest::newRow("bare letters are quoted") << "H時mm分"
                                                 << "h\"時\"nn\"分\"";
        QTest::newRow("zone first") << "t HH:mm"
                                    << "hh:nn";
        QTest::newRow("marker before the hour is dropped") << "AP h:mm"
                                                           << "h:nn";
        QTest::newRow("milliseconds") << "HH:mm:ss.zzz"
                                      << "hh:nn:ss.zzz";
    }
    void fromQtPattern() {
        QFETCH(QString, qt);
        QFETCH(QString, program);
        QCOMPARE(FromQtPattern(qt), program);
    }

    // The date editor's display pattern shows the fields a cell shows.
    void toQtPattern_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("qt");
        QTest::newRow("the window's format") << "MM/d/yyyy"
                                             << "C"
                                             << "MM'/'d'/'yyyy";
        QTest::newRow("m after an hour is minutes") << "mm/dd/yyyy h:mm am/pm"
                                                    << "C"
                                                    << "MM'/'dd'/'yyyy' 'h':'mm' 'AP";
        QTest::newRow("literals side by side quoted once") << "yyyy. mm. dd."
                                                           << "C"
                                                           << "yyyy'. 'MM'. 'dd'.'";
        QTest::newRow("a quote in a literal") << "d \"o'clock\""
                                              << "C"
                                              << "d' o''clock'";
        QTest::newRow("milliseconds") << "hh:nn:ss.zzz"
                                      << "C"
                                      << "hh':'mm':'ss'.'zzz";
        QTest::newRow("the locale's separators") << "dd/mm/yy hh:nn"
                                                 << "de_DE"
                                                 << "dd'.'MM'.'yy' 'hh':'mm";
        QTest::newRow("the locale's short date") << "ddddd"
                                                 << "de_DE"
                                                 << "dd'.'MM'.'yy";
        QTest::newRow("no fields") << ""
                                   << "C"
                                   << "MM/dd/yyyy";
    }
    void toQtPattern() {
        QFETCH(QString, program);
        QFETCH(QString, locale);
        QFETCH(QString, qt);
        const TFormatSettings settings = locale == QLatin1String("C")
                                             ? TFormatSettings::Neutral()
                                             : FormatSettingsFor(QLocale(locale));
        QCOMPARE(ToQtPattern(program, settings), qt);
    }

    void locales_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QChar>("dateSeparator");
        QTest::addColumn<QChar>("timeSeparator");
        QTest::addColumn<QString>("shortDate");
        QTest::addColumn<QString>("longTime");
        QTest::addColumn<QString>("pm");
        QTest::addColumn<QString>("marchLong");
        QTest::newRow("en_US") << "en_US" << QChar(u'/') << QChar(u':') << "m/d/yy"
                               << "h:nn:ss ampm"
                               << "PM"
                               << "March";
        QTest::newRow("de_DE") << "de_DE" << QChar(u'.') << QChar(u':') << "dd.mm.yy"
                               << "hh:nn:ss"
                               << "PM" << QString::fromUtf8("März");
        QTest::newRow("C") << "C" << QChar(u'/') << QChar(u':') << "d mmm yyyy"
                           << "hh:nn:ss"
                           << "PM"
                           << "March";
    }
    void locales() {
        QFETCH(QString, locale);
        QFETCH(QChar, dateSeparator);
        QFETCH(QChar, timeSeparator);
        QFETCH(QString, shortDate);
        QFETCH(QString, longTime);
        QFETCH(QString, pm);
        QFETCH(QString, marchLong);
        const TFormatSettings s = FormatSettingsFor(QLocale(locale));
        QCOMPARE(s.DateSeparator, dateSeparator);
        QCOMPARE(s.TimeSeparator, timeSeparator);
        QCOMPARE(s.ShortDateFormat, shortDate);
        QCOMPARE(s.LongTimeFormat, longTime);
        QCOMPARE(s.TimePMString, pm);
        QCOMPARE(s.LongMonthNames[2], marchLong);
        QCOMPARE(s.ShortDayNames[2].isEmpty(), false);
    }

    // The patterns the program uses, with every letter in them.
    void programPatterns_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("format");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("date cell") << "en_US"
                                   << "MM/d/yyyy" << Evening() << "03/5/2024";
        QTest::newRow("date cell, German separator") << "de_DE"
                                                     << "MM/d/yyyy" << Evening() << "03.5.2024";
        QTest::newRow("date cell, no date") << "en_US"
                                            << "MM/d/yyyy" << qInf() << "";
        QTest::newRow("clock pane pm")
            << "en_US"
            << "mm/dd/yyyy h:nn am/pm" << Evening() << "03/05/2024 9:07 pm";
        QTest::newRow("clock pane am")
            << "C"
            << "mm/dd/yyyy h:nn am/pm" << Morning() << "03/05/2024 9:07 am";
        QTest::newRow("clock pane midnight")
            << "C"
            << "mm/dd/yyyy h:nn am/pm" << QDateToDateTime(QDate(2024, 3, 5))
            << "03/05/2024 12:00 am";
        QTest::newRow("clock pane noon")
            << "C"
            << "mm/dd/yyyy h:nn am/pm" << EncodeDateTime(QDate(2024, 3, 5), QTime(12, 30))
            << "03/05/2024 12:30 pm";
        QTest::newRow("mm right after h is minutes") << "C"
                                                     << "mm/dd h:mm" << Evening() << "03/05 21:07";
        QTest::newRow("mm after the minutes is the month again")
            << "C"
            << "h:nn mm" << Evening() << "21:07 03";
        QTest::newRow("mm after hh across a literal") << "C"
                                                      << "hh\" h \"mm" << Evening() << "21 h 07";
        QTest::newRow("system short date, en_US") << "en_US"
                                                  << "ddddd" << Evening() << "3/5/24";
        QTest::newRow("system long time, en_US") << "en_US"
                                                 << "tt" << Evening() << "9:07:03 PM";
        QTest::newRow("system short date, de_DE") << "de_DE"
                                                  << "ddddd" << Evening() << "05.03.24";
        QTest::newRow("system long time, de_DE") << "de_DE"
                                                 << "tt" << Morning() << "09:07:03";
        QTest::newRow("system short date, C") << "C"
                                              << "ddddd" << Evening() << "5 Mar 2024";
        QTest::newRow("system long time, C") << "C"
                                             << "tt" << Evening() << "21:07:03";
        QTest::newRow("both, de_DE") << "de_DE"
                                     << "c" << Evening() << "05.03.24 21:07:03";
    }
    void programPatterns() {
        QFETCH(QString, locale);
        QFETCH(QString, format);
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(FormatDateTime(format, value, FormatSettingsFor(QLocale(locale))), expected);
    }

    // Korean puts the am/pm marker in front of the hour, which the program's formatter
    // cannot make 12-hour; the time must not read "PM 21:07".
    void markerInFrontOfTheHour() {
        const QLocale korean(QStringLiteral("ko_KR"));
        const TFormatSettings s = FormatSettingsFor(korean);
        for (const QString& format : {QStringLiteral("t"), QStringLiteral("tt")}) {
            const QString text = FormatDateTime(format, Evening(), s);
            QVERIFY2(text.contains(QStringLiteral("21")), qPrintable(text));
            QVERIFY2(!text.contains(korean.pmText()), qPrintable(text));
        }
    }

    // A '/' that the pattern means literally must not turn into the locale's separator.
    void literalSeparatorsStayLiteral() {
        TFormatSettings s = FormatSettingsFor(QLocale(QStringLiteral("de_DE")));
        QCOMPARE(s.DateSeparator, QLatin1Char('.'));
        s.LongDateFormat = FromQtPattern(QStringLiteral("d/M"));  // '/' as separator
        QCOMPARE(FormatDateTime(QStringLiteral("dddddd"), Evening(), s), QStringLiteral("5.3"));
    }
};

QTEST_MAIN(TestFormatSettings)
#include "tst_format_settings.moc"
