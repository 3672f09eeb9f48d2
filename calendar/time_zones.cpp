#include "calendar/time_zones.h"

#include <libical/ical.h>
#include <QDateTime>

struct TTimeZones::TFileZone {
    icaltimezone* zone;
    explicit TFileZone(icaltimezone* z) : zone(z) {}
    ~TFileZone() { icaltimezone_free(zone, 1); }
    TFileZone(const TFileZone&) = delete;
    TFileZone& operator=(const TFileZone&) = delete;
};

namespace {

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
    if (icalcomponent_isa(parsed) != ICAL_VTIMEZONE_COMPONENT) {
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
