#pragma once

// Reading iCalendar text component by component, one content line at a time.
//
// The text is one or more VCALENDAR objects. Every BEGIN must be closed by the END of the
// same name, components nest at most MaxComponentDepth deep, and every line lies inside a
// VCALENDAR; anything else raises ECalendarError naming the line.

#include <functional>
#include <string>
#include <vector>

#include "calendar/line_reader.h"
#include "calendar/vtodo_mapping.h"

inline constexpr std::size_t MaxComponentDepth = 16;

class TCalendarWalker {
public:
    struct TOpen {
        std::string Name;  // upper case
        int Line = 0;      // of its BEGIN
    };

    explicit TCalendarWalker(TReadBytes read, bool keepRaw = false);

    // The next content line, or false at the end of the input (after checking that every
    // component was closed and there was a VCALENDAR at all).
    bool Next();
    const TContentLine& Line() const { return line_; }
    // The components the line lies in, outermost first. A BEGIN line lies in the component
    // it begins, an END line in the one it ends.
    const std::vector<TOpen>& Path() const { return path_; }
    bool IsBegin() const { return kind_ == Kind::Begin; }
    bool IsEnd() const { return kind_ == Kind::End; }
    const TLineReader& Reader() const { return reader_; }

private:
    enum class Kind { Property, Begin, End };

    TLineReader reader_;
    TContentLine line_;
    std::vector<TOpen> path_;
    std::string component_;
    Kind kind_ = Kind::Property;
    bool popNext_ = false;
    bool sawCalendar_ = false;
};

// Reads the VTODOs of iCalendar text and hands each over as an item, in the order of the
// input, as soon as its END:VTODO is read. VTIMEZONE components define the zones of the
// TZID parameters after them. Other components (VEVENT, VJOURNAL, VFREEBUSY), a VALARM
// inside a VTODO, and RRULE are skipped with a warning line each; so is an unknown time
// zone (once), whose times are then taken as local times. ECalendarError for input that
// is malformed or holds a value that cannot be read. `onZone`, if given, gets the line of
// each VTIMEZONE's BEGIN; `local`, if given, converts local times (and keeps what it
// learnt for the next call).
void ReadVTodos(TReadBytes read, const std::function<void(TTodoItem& item)>& onItem,
                const TCalendarWarning& warn, const std::function<void(int line)>& onZone = {},
                TLocalTime* local = nullptr);
