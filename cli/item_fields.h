#pragma once

// The item properties as the exchange formats (JSON, CSV) name and spell them, shared by
// the writers and readers so that every value written reads back to the same bits.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "model/integer_text.h"
#include "model/todo_item.h"
#include "model/todo_types.h"

// The fourteen properties in the order of their file tags, the order of every export.
enum TItemField : std::uint8_t {
    ifComplete,
    ifCompletion,
    ifCompletionDate,
    ifCreationDate,
    ifDueDate,
    ifImageIndex,
    ifNotes,
    ifPriority,
    ifResource,
    ifStatus,
    ifSubject,
    ifTag,
    ifTotalTime,
    ifProject,
};
inline constexpr int ItemFieldCount = 14;

// Views of literals, so each stays a C string too.
inline constexpr std::array<std::string_view, ItemFieldCount> kItemFieldNames = {
    "Complete", "Completion", "CompletionDate", "CreationDate", "DueDate", "ImageIndex", "Notes",
    "Priority", "Resource",   "Status",         "Subject",      "Tag",     "TotalTime",  "Project"};

// "Complete", "Completion", ... "Project".
const char* ItemFieldName(TItemField field);
std::optional<TItemField> ItemFieldFromName(std::string_view name);

// Dates as text. A date whose local date-time with milliseconds converts back to exactly
// the same double is written as ISO 8601 without a zone ("2023-03-15T12:00:00",
// "2023-03-15T12:00:00.250"); any other finite value as the shortest decimal number that
// reads back to the same double ("45000.123456789"); NaN and the infinities as their bit
// pattern ("ieee754:7ff8000000000000"). The date never set, +0.0, is the empty text.
std::string DateToText(TDateTime value);
void AppendDateText(std::string& out, TDateTime value);
// Reads any form DateToText writes, and a plain date "2023-03-15" (midnight) or a time
// without seconds; the empty text is 0.0. Nullopt for anything else.
std::optional<TDateTime> DateFromText(std::string_view text);
// Only the ISO forms: what a person types for a date.
std::optional<TDateTime> IsoDateFromText(std::string_view text);

// "tpNormal", or the decimal number when the value has no name.
std::string PriorityToText(TTodoPriority value);
std::string StatusToText(TTodoStatus value);
// The value name ("tpNormal") or, with allowNumbers, a decimal number 0..255.
std::optional<TTodoPriority> PriorityFromText(std::string_view text, bool allowNumbers);
std::optional<TTodoStatus> StatusFromText(std::string_view text, bool allowNumbers);
// What a person types: the value name or the display text, ignoring case ("high",
// "In progress", "tsDeferred").
std::optional<TTodoPriority> PriorityFromUserText(std::string_view text);
std::optional<TTodoStatus> StatusFromUserText(std::string_view text);

// The data kind of a column by its value name, that name without "td" or its caption, ignoring
// case and blanks ("tdDueDate", "duedate", "Due Date", "done").
std::optional<TTodoData> DataKindFromText(std::string_view text);
