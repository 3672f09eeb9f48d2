#pragma once

// The text of one cell: what an item's field reads as in a column of a data kind. The rows,
// their full-text hints, their type-ahead and the command-line table all take their texts
// from here; they differ in small ways, and each says how through the context. A find bar
// or a screen reader reads the rows' texts.

#include <QString>
#include <cstdint>
#include <functional>
#include <string>

#include "model/date_time.h"
#include "model/todo_item.h"
#include "model/todo_types.h"

// How a completion reads.
enum class TCompletionText : std::uint8_t {
    Percent,  // "40%", and "100%" for a completed item whatever its number (the rows)
    Number,   // the stored number alone, "40" (the hints)
    None,     // nothing: a completion bar shows instead
};

// How notes read.
enum class TNotesText : std::uint8_t {
    FirstLine,  // the first line, empty when there are none (the rows)
    AllLines,   // every line, each followed by CR LF (the hints)
    None,       // nothing: the notes show in the preview band
};

struct TCellTextContext {
    // The format of date cells, in the program's pattern language, and the locale's
    // pieces it refers to.
    QString DateFormat = QStringLiteral("MM/d/yyyy");
    const TFormatSettings* FormatSettings = &TFormatSettings::Neutral();
    // The display texts of states and priorities (bytes in the local 8-bit encoding);
    // such cells have no text while these are empty.
    std::function<std::string(TTodoStatus)> StatusText;
    std::function<std::string(TTodoPriority)> PriorityText;
    TCompletionText Completion = TCompletionText::Percent;
    TNotesText Notes = TNotesText::FirstLine;
    // The done check as "[x]" or "[ ]", which the rows draw as a box.
    bool CheckTexts = false;
    // The image index as a number ("" for none), where the rows draw the image.
    bool ImageIndexTexts = false;
};

// The text a column of this kind shows for the item; empty for the handle, for a kind out
// of range and for what the context leaves out. Dates that are no date read as "".
QString CellText(const TTodoItem& item, TTodoData kind, const TCellTextContext& context);
// For the text kinds (subject, resource, project, notes): the bytes whose text CellText
// shows, in the local 8-bit encoding: the item's own field, or `scratch` holding part of
// one. Null for the other kinds.
const std::string* CellTextBytes(const TTodoItem& item, TTodoData kind,
                                 const TCellTextContext& context, std::string& scratch);
