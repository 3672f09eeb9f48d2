#pragma once

// The system's date and time conventions, in the format-string language of the program.

#include <QLocale>

#include "model/date_time.h"

// Separators, am/pm texts, month and day names and the short and long date and time
// formats of the given locale, translated from Qt's patterns into the program's.
TFormatSettings FormatSettingsFor(const QLocale& locale);

// The settings of the user's locale, read once.
const TFormatSettings& SystemFormatSettings();

// A Qt date/time pattern ("M/d/yy", "h:mm:ss AP") in the program's pattern language
// ("m/d/yy", "h:nn:ss ampm").
QString FromQtPattern(const QString& qtPattern);

// A format of the program ("MM/d/yyyy", "mm/dd/yyyy h:nn am/pm") as a Qt display pattern
// showing the same fields ("MM'/'d'/'yyyy"), for a date editor; the separators and the
// formats that ddddd, dddddd, t and c stand for are the given locale's. A format without
// fields gives "MM/dd/yyyy".
QString ToQtPattern(const QString& format,
                    const TFormatSettings& settings = SystemFormatSettings());
