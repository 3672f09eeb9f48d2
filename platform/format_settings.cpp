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

bool IsMarker(QChar c) {
    return c == QLatin1Char('A') || c == QLatin1Char('a');
}

bool IsHour(QChar c) {
    return c == QLatin1Char('H') || c == QLatin1Char('h');
}

// The program's formatter makes an hour 12-hour only when an am/pm marker follows it.
// Qt also allows the marker in front ("AP h:mm" in Korean); that cannot be said in the
// program's language, so such a pattern loses its markers and shows 24-hour time rather
// than "PM 21:07".
bool MarkerBeforeHour(const QString& qt) {
    bool quoted = false;
    for (const QChar c : qt) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
        } else if (!quoted && IsMarker(c)) {
            return true;
        } else if (!quoted && IsHour(c)) {
            return false;
        }
    }
    return false;
}

QString Quoted(const QString& literal) {
    const QChar quote = literal.contains(QLatin1Char('"')) ? QLatin1Char('\'') : QLatin1Char('"');
    return quote + literal + quote;
}

// A field without an equivalent is left out together with one blank beside it.
void DropField(QString& out, const QString& qt, qsizetype& next) {
    if (out.endsWith(QLatin1Char(' '))) {
        out.chop(1);
    } else if (next < qt.size() && qt[next] == QLatin1Char(' ')) {
        ++next;
    }
}

// The Qt pattern in the program's language. A literal '/' or ':' is quoted unless it is
// the locale's own separator, because unquoted they stand for the separators.
QString Translate(const QString& qt, QChar dateSeparator, QChar timeSeparator) {
    const bool dropMarkers = MarkerBeforeHour(qt);
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
                // Qt quotes with '...', and '' is a literal quote, inside quotes too.
                if (run >= 2) {
                    out += Quoted(QStringLiteral("'"));
                    i += 2;
                    continue;
                }
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
                if (!literal.isEmpty()) {
                    out += Quoted(literal);
                }
                i = j + 1;
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
            case 'a': {
                if (i + 1 < n && (qt[i + 1] == QLatin1Char('P') || qt[i + 1] == QLatin1Char('p'))) {
                    run = 2;
                }
                if (dropMarkers) {
                    qsizetype next = i + run;
                    DropField(out, qt, next);
                    i = next;
                    continue;
                }
                out += QStringLiteral("ampm");
                break;
            }
            case 't': {
                // Time zone names have no equivalent.
                qsizetype next = i + run;
                DropField(out, qt, next);
                i = next;
                continue;
            }
            case '/':
                out +=
                    dateSeparator == QLatin1Char('/') ? QString(run, c) : Quoted(QString(run, c));
                break;
            case ':':
                out +=
                    timeSeparator == QLatin1Char(':') ? QString(run, c) : Quoted(QString(run, c));
                break;
            default:
                if (c.isLetter() || c == QLatin1Char('"')) {
                    out += Quoted(QString(run, c));
                } else {
                    out += QString(run, c);
                }
                break;
        }
        i += run;
    }
    return out;
}

}  // namespace

QString FromQtPattern(const QString& qt) {
    return Translate(qt, QLatin1Char('/'), QLatin1Char(':'));
}

TFormatSettings FormatSettingsFor(const QLocale& locale) {
    TFormatSettings s = TFormatSettings::Neutral();
    const QString shortDate = locale.dateFormat(QLocale::ShortFormat);
    const QString shortTime = locale.timeFormat(QLocale::ShortFormat);
    s.DateSeparator = FirstSeparator(shortDate, QLatin1Char('/'));
    s.TimeSeparator = FirstSeparator(shortTime, QLatin1Char(':'));
    s.TimeAMString = locale.amText();
    s.TimePMString = locale.pmText();
    auto translate = [&](const QString& qt) {
        return Translate(qt, s.DateSeparator, s.TimeSeparator);
    };
    s.ShortDateFormat = translate(shortDate);
    s.LongDateFormat = translate(locale.dateFormat(QLocale::LongFormat));
    s.ShortTimeFormat = translate(shortTime);
    s.LongTimeFormat = translate(locale.timeFormat(QLocale::LongFormat));
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
