#pragma once

// Errors of the iCalendar reader: input that is no iCalendar text (a line without a colon,
// BEGIN and END that do not match, bytes that are not UTF-8, a file that ends inside a
// component) or a value that cannot be read (a bad date, a bad number). The message starts
// with the line, "line 12: ...", and names the item and the property where there is one.

#include "model/errors.h"

class ECalendarError : public EPellmarkError {
public:
    using EPellmarkError::EPellmarkError;
    ECalendarError(int line, const QString& what)
        : EPellmarkError(QStringLiteral("line %1: %2").arg(line).arg(what)) {}
};
