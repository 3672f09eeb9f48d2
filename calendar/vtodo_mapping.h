#pragma once

// How a to-do item and a VTODO correspond: the one place that decides it, for the export
// and import of pellmark-cli and for the CalDAV sync.
//
// Item to VTODO. After UID and DTSTAMP, which the caller writes, in this order:
//   SUMMARY           the subject, when it is not empty
//   DESCRIPTION       the notes lines joined by line breaks, when there are notes
//   PRIORITY          Highest, High, Normal, Low, Lowest as 1, 3, 5, 7, 9; none for others
//   STATUS            COMPLETED for a complete item or the Completed state, IN-PROCESS for
//                     In progress, NEEDS-ACTION for everything else
//   PERCENT-COMPLETE  100 for a complete item, otherwise the completion up to 100
//   CREATED           the creation date in UTC, to the second
//   DUE               the due date as a floating local date-time, to the second
//   COMPLETED         the completion date in UTC, to the second
//   CATEGORIES        the project as one category, when it is not empty
// A date never set (0), one that is no date and one whose year in UTC has five digits are
// left out. Texts go out as UTF-8 with control characters as blanks (tabs stay, and the
// line breaks between notes lines).
//
// VTODO to item. Each field comes from the standard properties:
//   SUMMARY → subject, DESCRIPTION → notes (one line per line break)
//   PRIORITY 1-2 Highest, 3-4 High, 5, 0 and none Normal, 6-7 Low, 8-9 Lowest
//   STATUS NEEDS-ACTION Not started, IN-PROCESS In progress, COMPLETED Completed (and
//     complete), CANCELLED Deferred
//   PERCENT-COMPLETE → completion (without it: 100 for a complete item, else 0)
//   COMPLETED → completion date, and the item is complete
//   CREATED → creation date, DUE → due date
//   CATEGORIES → project: every category of every CATEGORIES, joined by ", "
// Dates: a DATE is midnight local time, a floating date-time is taken as it stands, UTC
// and TZID date-times are converted to local time. Every other field keeps the value of a
// new item.
//
// Whatever the standard properties cannot carry exactly travels in an X-PELLMARK-<FIELD>
// property, written exactly when the value read back from the standard properties would
// differ from the item's; on import it overrides what the standard properties gave. The
// field names are the .2do file's, upper case: COMPLETE (TRUE or FALSE); COMPLETION,
// PRIORITY, STATUS (0 to 255); IMAGEINDEX, TAG, TOTALTIME (32-bit integers);
// COMPLETIONDATE, CREATIONDATE, DUEDATE (the day number counted from 30 December 1899, as
// the shortest decimal that reads back to the same double, or for NaN and the infinities
// "ieee754:" and the 16 hex digits of their bits); SUBJECT, RESOURCE, PROJECT, NOTES (an
// escaped TEXT, the notes lines joined by line breaks; with ENCODING=BASE64 the bytes in
// base64 when they are not UTF-8 or hold control characters).

#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "calendar/content_line.h"
#include "calendar/local_time.h"
#include "calendar/time_zones.h"
#include "calendar/todo_fields.h"
#include "model/todo_item.h"

// Item to VTODO -----------------------------------------------------------------------

// A whole VTODO: BEGIN:VTODO, UID, DTSTAMP (`stamp` as StampText gives it), the item's
// `properties` as AppendVTodoProperties writes them, END:VTODO.
void AppendVTodo(std::string& out, std::string_view uid, std::string_view stamp,
                 std::string_view properties);
// A moment in UTC as DTSTAMP holds it: 20240501T080000Z.
std::string StampText(const QDateTime& moment);
// BEGIN:VCALENDAR, VERSION:2.0 and PRODID; and END:VCALENDAR.
void AppendCalendarBegin(std::string& out, std::string_view prodid);
void AppendCalendarEnd(std::string& out);

// Appends every property of the item's VTODO after UID and DTSTAMP: the standard ones and
// the X-PELLMARK ones it needs. Each folded and ended by CR LF.
void AppendVTodoProperties(std::string& out, const TTodoItem& item, TLocalTime& local);
// Only the standard properties that carry `fields` (STATUS for Complete or Status,
// PERCENT-COMPLETE for Complete or Completion, the rest one field each).
void AppendStandardProperties(std::string& out, const TTodoItem& item, TTodoFields fields,
                              TLocalTime& local);
// The X-PELLMARK property with the exact value of one field.
void AppendOverride(std::string& out, const TTodoItem& item, TTodoField field);

// The names of the properties that carry a field: its standard ones and the X-PELLMARK one.
// DUE's field also owns DURATION, which may not stand beside DUE.
std::vector<std::string_view> PropertyNames(TTodoField field);

// VTODO to item -----------------------------------------------------------------------

using TCalendarWarning = std::function<void(const QString& message)>;

enum class TVTodoStatus : std::uint8_t { None, NeedsAction, InProcess, Completed, Cancelled };

// What the properties of one VTODO say: the item they make, the texts and the creation
// and due dates already in it, and what decides the other fields at its end.
struct TVTodoValues {
    TTodoItem Item{nullptr};
    std::optional<int> Priority;
    std::optional<int> Percent;
    TVTodoStatus Status = TVTodoStatus::None;
    std::optional<TDateTime> Completed;
    // The X-PELLMARK values, in their fields.
    TTodoItem Overrides{nullptr};
    TTodoFields Overridden = 0;
};

class TVTodoPropertyReader {
public:
    // `warn` gets a line for each property that is skipped (RRULE) and for each unknown
    // time zone, once; it may be empty.
    TVTodoPropertyReader(TTimeZones& zones, TLocalTime& local, TCalendarWarning warn);

    // Takes one property of the VTODO that becomes item number `item` (for messages);
    // properties without a field are left alone. ECalendarError naming the line, the item
    // and the property for a value that cannot be read.
    void Read(const TContentLine& line, int item, TVTodoValues& values);

private:
    TDateTime Date(const TContentLine& line, int item);
    void ReadStatus(const TContentLine& line, int item, TVTodoValues& values);
    std::string Unescaped(std::string_view value);
    void Override(const TContentLine& line, int item, TVTodoValues& values);

    TTimeZones& zones_;
    TLocalTime& local_;
    TCalendarWarning warn_;
    std::set<std::string, std::less<>> unknownZones_;
    std::string text_;
};

// Sets the rest of values.Item once every property is read: priority, state, completion
// and its date from the standard properties, then, with `overrides`, every field an
// X-PELLMARK property gives.
void FinishItem(TVTodoValues& values, bool overrides = true);
