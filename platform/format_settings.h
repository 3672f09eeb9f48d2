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
