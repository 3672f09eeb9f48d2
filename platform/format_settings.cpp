#include "platform/format_settings.h"

namespace {

QChar FirstSeparator(const QString& pattern, QChar fallback) {
    bool quoted = false;
    for (const QChar c : pattern) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
        } else if (!quoted && !c.isLetter() && !c.isSpace()) {
            return c;
        }
    }
    return fallback;
}

}  // namespace

QString FromQtPattern(const QString& qt) {
    QString out;
    const qsizetype n = qt.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = qt[i];
        qsizetype run = 1;
        while (i + run < n && qt[i + run] == c) {
            ++run;
        }
        switch (c.unicode()) {
            case '\'': {
                // Qt quotes with '...', and '' is a literal quote.
                qsizetype j = i + 1;
                QString literal;
                while (j < n) {
                    if (qt[j] == QLatin1Char('\'')) {
                        if (j + 1 < n && qt[j + 1] == QLatin1Char('\'')) {
                            literal += QLatin1Char('\'');
                            j += 2;
                            continue;
                        }
                        break;
                    }
                    literal += qt[j++];
                }
                if (i + 1 < n && qt[i + 1] == QLatin1Char('\'') && literal.isEmpty()) {
                    out += QStringLiteral("\"'\"");
                    i += 2;
                } else {
                    out += QLatin1Char('"') + literal + QLatin1Char('"');
                    i = j + 1;
                }
                continue;
            }
            case 'M':
                out += QString(run, QLatin1Char('m'));
                break;
            case 'm':
                out += QString(std::min<qsizetype>(run, 2), QLatin1Char('n'));
                break;
            case 'd':
            case 'y':
            case 'h':
            case 's':
            case 'z':
                out += QString(run, c);
                break;
            case 'H':
                out += QString(run, QLatin1Char('h'));
                break;
            case 'A':
            case 'a':
                out += QStringLiteral("ampm");
                if (i + 1 < n && (qt[i + 1] == QLatin1Char('P') || qt[i + 1] == QLatin1Char('p'))) {
                    run = 2;
                }
                break;
            case 't':
                // Time zone names have no equivalent; drop them with a blank before them.
                if (out.endsWith(QLatin1Char(' '))) {
                    out.chop(1);
                }
                break;
            case '/':
            case ':':
                // In the program's language these stand for the locale's separators.
                out += QString(run, c);
                break;
            default:
                for (qsizetype k = 0; k < run; ++k) {
                    if (c.isLetter() || c == QLatin1Char('"')) {
                        out += QLatin1Char('"') + QString(c) + QLatin1Char('"');
                    } else {
                        out += c;
                    }
                }
                break;
        }
        i += run;
    }
    return out;
}

TFormatSettings FormatSettingsFor(const QLocale& locale) {
    TFormatSettings s = TFormatSettings::Neutral();
    const QString shortDate = locale.dateFormat(QLocale::ShortFormat);
    const QString longTime = locale.timeFormat(QLocale::LongFormat);
    s.DateSeparator = FirstSeparator(shortDate, QLatin1Char('/'));
    s.TimeSeparator = FirstSeparator(locale.timeFormat(QLocale::ShortFormat), QLatin1Char(':'));
    s.TimeAMString = locale.amText();
    s.TimePMString = locale.pmText();
    // Separators inside the translated patterns are the locale's own characters; keep them
    // literal so that '/' and ':' are not replaced a second time.
    auto translate = [&](const QString& qt) {
        QString p = FromQtPattern(qt);
        p.replace(QLatin1Char('/'), s.DateSeparator == QLatin1Char('/') ? QStringLiteral("/")
                                                                        : QStringLiteral("\"/\""));
        return p;
    };
    s.ShortDateFormat = translate(shortDate);
    s.LongDateFormat = translate(locale.dateFormat(QLocale::LongFormat));
    s.ShortTimeFormat = translate(locale.timeFormat(QLocale::ShortFormat));
    s.LongTimeFormat = translate(longTime);
    for (int m = 1; m <= 12; ++m) {
        s.ShortMonthNames[m - 1] = locale.monthName(m, QLocale::ShortFormat);
        s.LongMonthNames[m - 1] = locale.monthName(m, QLocale::LongFormat);
    }
    for (int d = 0; d < 7; ++d) {
        const int qtDay = d == 0 ? 7 : d;  // Sunday first
        s.ShortDayNames[d] = locale.dayName(qtDay, QLocale::ShortFormat);
        s.LongDayNames[d] = locale.dayName(qtDay, QLocale::LongFormat);
    }
    return s;
}

const TFormatSettings& SystemFormatSettings() {
    static const TFormatSettings settings = FormatSettingsFor(QLocale::system());
    return settings;
}
