#include "calendar/time_zones.h"

#include <libical/ical.h>
#include <QDateTime>
#include <algorithm>

struct TTimeZones::TFileZone {
    icaltimezone* zone;
    explicit TFileZone(icaltimezone* z) : zone(z) {}
    ~TFileZone() { icaltimezone_free(zone, 1); }
    TFileZone(const TFileZone&) = delete;
    TFileZone& operator=(const TFileZone&) = delete;
};

namespace {

// libical expands a zone's observances into a table of changes up to the year it converts
// (at most 2037), walking every instance of their rules. Zones in the wild repeat yearly
// with a handful of BY values; a rule such as FREQ=SECONDLY would take it hours, so zones
// whose rules could make more than this many changes are not used.
constexpr long kMostZoneChanges = 20000;

int ListSize(const short* values, int capacity) {
    int n = 0;
    while (n < capacity && values[n] != ICAL_RECURRENCE_ARRAY_MAX) {
        ++n;
    }
    return n;
}

// At most how many changes one yearly rule makes in a year; -1 for any other rule.
long ChangesPerYear(const icalrecurrencetype& rule) {
    if (rule.freq != ICAL_YEARLY_RECURRENCE) {
        return -1;
    }
    const long months = ListSize(rule.by_month, ICAL_BY_MONTH_SIZE);
    const long days = ListSize(rule.by_day, ICAL_BY_DAY_SIZE);
    const long monthDays = ListSize(rule.by_month_day, ICAL_BY_MONTHDAY_SIZE);
    const long yearDays = ListSize(rule.by_year_day, ICAL_BY_YEARDAY_SIZE);
    const long weeks = ListSize(rule.by_week_no, ICAL_BY_WEEKNO_SIZE);
    long dates = 1;
    if (yearDays > 0) {
        dates = yearDays;
    } else if (weeks > 0) {
        dates = weeks * 7;
    } else if (days > 0 || monthDays > 0) {
        const long perMonth = monthDays > 0 ? monthDays : days * 5;
        dates = (months > 0 ? months : 12) * perMonth;
    }
    const long times = std::max(1, ListSize(rule.by_hour, ICAL_BY_HOUR_SIZE)) *
                       std::max(1, ListSize(rule.by_minute, ICAL_BY_MINUTE_SIZE)) *
                       std::max(1, ListSize(rule.by_second, ICAL_BY_SECOND_SIZE));
    return dates * times;
}

// Whether libical can expand the observances of a VTIMEZONE in reasonable time.
bool ExpandsQuickly(icalcomponent* zone) {
    constexpr int kLastYear = 2037;
    long changes = 0;
    for (icalcomponent* part = icalcomponent_get_first_component(zone, ICAL_ANY_COMPONENT); part;
         part = icalcomponent_get_next_component(zone, ICAL_ANY_COMPONENT)) {
        const int start = icalcomponent_get_dtstart(part).year;
        const long years = std::max(1, kLastYear - std::max(start, 0) + 1);
        for (icalproperty* p = icalcomponent_get_first_property(part, ICAL_RRULE_PROPERTY); p;
             p = icalcomponent_get_next_property(part, ICAL_RRULE_PROPERTY)) {
            const icalrecurrencetype rule = icalproperty_get_rrule(p);
            const long perYear = ChangesPerYear(rule);
            if (perYear < 0) {
                return false;
            }
            changes += perYear * years / std::max<long>(rule.interval, 1);
            if (changes > kMostZoneChanges) {
                return false;
            }
        }
        for (icalproperty* p = icalcomponent_get_first_property(part, ICAL_RDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(part, ICAL_RDATE_PROPERTY)) {
            if (++changes > kMostZoneChanges) {
                return false;
            }
        }
    }
    return true;
}

QTimeZone SystemZone(std::string_view tzid) {
    QByteArray id(tzid.data(), qsizetype(tzid.size()));
    while (id.startsWith('/')) {
        id.remove(0, 1);
    }
    if (QTimeZone::isTimeZoneIdAvailable(id)) {
        return QTimeZone(id);
    }
    // A prefix before Area/Location, as some programs write it.
    const qsizetype last = id.lastIndexOf('/');
    const qsizetype area = last > 0 ? id.lastIndexOf('/', last - 1) : -1;
    if (area >= 0 && QTimeZone::isTimeZoneIdAvailable(id.mid(area + 1))) {
        return QTimeZone(id.mid(area + 1));
    }
    const QByteArray iana = QTimeZone::windowsIdToDefaultIanaId(id);
    return iana.isEmpty() ? QTimeZone() : QTimeZone(iana);
}

}  // namespace

TTimeZones::TTimeZones() {
    // libical may be built to abort on errors; a bad definition must never end the process.
    icalerror_set_errors_are_fatal(0);
}

TTimeZones::~TTimeZones() = default;

bool TTimeZones::Define(const std::string& component) {
    icalcomponent* parsed = icalparser_parse_string(component.c_str());
    if (!parsed) {
        return false;
    }
    if (icalcomponent_isa(parsed) != ICAL_VTIMEZONE_COMPONENT || !ExpandsQuickly(parsed)) {
        icalcomponent_free(parsed);
        return false;
    }
    const icalproperty* tzidProperty = icalcomponent_get_first_property(parsed, ICAL_TZID_PROPERTY);
    const char* tzid = tzidProperty ? icalproperty_get_tzid(tzidProperty) : nullptr;
    if (!tzid || !*tzid) {
        icalcomponent_free(parsed);
        return false;
    }
    const std::string name = tzid;
    icaltimezone* zone = icaltimezone_new();
    if (!icaltimezone_set_component(zone, parsed)) {
        icaltimezone_free(zone, 1);
        icalcomponent_free(parsed);
        return false;
    }
    zones_[name] = TZone{std::make_unique<TFileZone>(zone), QTimeZone()};
    return true;
}

const TTimeZones::TZone& TTimeZones::Find(std::string_view tzid) {
    const auto found = zones_.find(tzid);
    if (found != zones_.end()) {
        return found->second;
    }
    return zones_.emplace(std::string(tzid), TZone{nullptr, SystemZone(tzid)}).first->second;
}

bool TTimeZones::ToUtcSeconds(std::string_view tzid, const TCivilTime& time,
                              std::int64_t& seconds) {
    const TZone& zone = Find(tzid);
    if (zone.file) {
        icaltimetype t = icaltime_null_time();
        t.year = time.Year;
        t.month = time.Month;
        t.day = time.Day;
        t.hour = time.Hour;
        t.minute = time.Minute;
        t.second = time.Second;
        icaltimezone_convert_time(&t, zone.file->zone, icaltimezone_get_utc_timezone());
        seconds = SecondsFromCivil({t.year, t.month, t.day, t.hour, t.minute, t.second});
        return true;
    }
    if (!zone.system.isValid()) {
        return false;
    }
    const QDateTime moment(QDate(time.Year, time.Month, time.Day),
                           QTime(time.Hour, time.Minute, time.Second), zone.system);
    seconds = moment.toSecsSinceEpoch();
    return true;
}
