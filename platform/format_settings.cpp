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

// A field without an equivalent is left out together with one blank beside it.
void DropField(TDatePattern& out, const QString& qt, qsizetype& next) {
    if (!out.empty() && out.back().Kind == TDatePatternPart::dpLiteral && !out.back().Quoted &&
        out.back().Text.endsWith(QLatin1Char(' '))) {
        out.back().Text.chop(1);
        if (out.back().Text.isEmpty()) {
            out.pop_back();
        }
    } else if (next < qt.size() && qt[next] == QLatin1Char(' ')) {
        ++next;
    }
}

TDatePatternPart Field(TDatePatternPart::TKind kind, qsizetype count) {
    TDatePatternPart part;
    part.Kind = kind;
    part.Count = static_cast<int>(count);
    return part;
}

TDatePatternPart Literal(const QString& text, bool quoted) {
    TDatePatternPart part;
    part.Text = text;
    part.Quoted = quoted;
    return part;
}

// The pieces of a Qt pattern. A literal '/' or ':' is quoted unless it is the locale's own
// separator, because unquoted they stand for the separators.
TDatePattern QtPatternParts(const QString& qt, QChar dateSeparator, QChar timeSeparator) {
    using P = TDatePatternPart;
    const bool dropMarkers = MarkerBeforeHour(qt);
    TDatePattern out;
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
                    out.push_back(Literal(QStringLiteral("'"), true));
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
                    out.push_back(Literal(literal, true));
                }
                i = j + 1;
                continue;
            }
            case 'M':
                out.push_back(Field(P::dpMonth, run));
                break;
            case 'm':
                out.push_back(Field(P::dpMinute, std::min<qsizetype>(run, 2)));
                break;
            case 'd':
                out.push_back(Field(P::dpDay, run));
                break;
            case 'y':
                out.push_back(Field(P::dpYear, run));
                break;
            case 'h':
            case 'H':
                out.push_back(Field(P::dpHour, run));
                break;
            case 's':
                out.push_back(Field(P::dpSecond, run));
                break;
            case 'z':
                out.push_back(Field(P::dpMilliSecond, run));
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
                out.push_back(Field(P::dpAmPm, 1));  // the locale's texts
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
                if (dateSeparator == QLatin1Char('/')) {
                    out.insert(out.end(), run, Field(P::dpDateSeparator, 1));
                } else {
                    out.push_back(Literal(QString(run, c), true));
                }
                break;
            case ':':
                if (timeSeparator == QLatin1Char(':')) {
                    out.insert(out.end(), run, Field(P::dpTimeSeparator, 1));
                } else {
                    out.push_back(Literal(QString(run, c), true));
                }
                break;
            default:
                out.push_back(Literal(QString(run, c), c.isLetter() || c == QLatin1Char('"')));
                break;
        }
        i += run;
    }
    return out;
}

QString Translate(const QString& qt, QChar dateSeparator, QChar timeSeparator) {
    return DatePatternText(QtPatternParts(qt, dateSeparator, timeSeparator));
}

// The Qt display pattern of a program format; ddddd, dddddd, t and c bring in the
// locale's formats, as far as two levels down.
void AppendQtPattern(QString& out, QString& literal, const QString& format,
                     const TFormatSettings& settings, int depth) {
    using P = TDatePatternPart;
    if (depth > 2) {
        return;
    }
    auto field = [&](const QString& text) {
        // Qt quotes literals with '...' and writes a quote inside them twice; one quoted
        // run for all literal text between two fields.
        if (!literal.isEmpty()) {
            QString quoted = literal;
            quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
            out += QLatin1Char('\'') + quoted + QLatin1Char('\'');
            literal.clear();
        }
        out += text;
    };
    auto nested = [&](const QString& inner) {
        AppendQtPattern(out, literal, inner, settings, depth + 1);
    };
    for (const P& part : ParseDatePattern(format)) {
        const qsizetype count = part.Count;
        switch (part.Kind) {
            case P::dpLiteral:
                literal += part.Text;
                break;
            case P::dpYear:
                field(count <= 2 ? QStringLiteral("yy") : QStringLiteral("yyyy"));
                break;
            case P::dpMonth:
                field(QString(std::min<qsizetype>(count, 4), QLatin1Char('M')));
                break;
            case P::dpDay:
                if (count <= 4) {
                    field(QString(count, QLatin1Char('d')));
                } else {
                    nested(count == 5 ? settings.ShortDateFormat : settings.LongDateFormat);
                }
                break;
            case P::dpHour:
                field(QString(std::min<qsizetype>(count, 2), QLatin1Char('h')));
                break;
            case P::dpMinute:
                field(QString(std::min<qsizetype>(count, 2), QLatin1Char('m')));
                break;
            case P::dpSecond:
                field(QString(std::min<qsizetype>(count, 2), QLatin1Char('s')));
                break;
            case P::dpMilliSecond:
                field(count > 1 ? QStringLiteral("zzz") : QStringLiteral("z"));
                break;
            case P::dpTime:
                nested(count == 1 ? settings.ShortTimeFormat : settings.LongTimeFormat);
                break;
            case P::dpDateTime:
                nested(settings.ShortDateFormat);
                literal += QLatin1Char(' ');
                nested(settings.LongTimeFormat);
                break;
            case P::dpAmPm:
                field(QStringLiteral("AP"));
                break;
            case P::dpDateSeparator:
                literal += settings.DateSeparator;
                break;
            case P::dpTimeSeparator:
                literal += settings.TimeSeparator;
                break;
        }
    }
    if (depth == 0) {
        field(QString());
    }
}

}  // namespace

QString FromQtPattern(const QString& qt) {
    return Translate(qt, QLatin1Char('/'), QLatin1Char(':'));
}

QString ToQtPattern(const QString& format, const TFormatSettings& settings) {
    QString out;
    QString literal;
    AppendQtPattern(out, literal, format, settings, 0);
    return out.isEmpty() ? QStringLiteral("MM/dd/yyyy") : out;
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
