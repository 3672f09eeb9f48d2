#pragma once

// The time zones a TZID parameter names (DUE;TZID=Europe/Berlin:20240501T093000): first the
// VTIMEZONE definitions of the same file, read with libical, then the system's zone of
// that name (an IANA name such as Europe/Berlin, also behind a prefix such as
// /mozilla.org/.../Europe/Berlin, or a Windows name such as "W. Europe Standard Time").

#include <QTimeZone>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "calendar/calendar_time.h"

class TTimeZones {
public:
    TTimeZones();
    ~TTimeZones();
    TTimeZones(const TTimeZones&) = delete;
    TTimeZones& operator=(const TTimeZones&) = delete;

    // Adds the zone of one VTIMEZONE component, given as its text from BEGIN:VTIMEZONE to
    // END:VTIMEZONE. False when libical cannot use it or it has no TZID; its TZID then
    // resolves as if it had no definition.
    bool Define(const std::string& component);
    // The UTC second of a date and time in zone `tzid`; false for a zone neither the file
    // nor the system knows.
    bool ToUtcSeconds(std::string_view tzid, const TCivilTime& time, std::int64_t& seconds);

private:
    struct TFileZone;
    struct TZone {
        std::unique_ptr<TFileZone> file;  // or
        QTimeZone system;                 // invalid when neither is known
    };
    const TZone& Find(std::string_view tzid);

    std::map<std::string, TZone, std::less<>> zones_;
};
