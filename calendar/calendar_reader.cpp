#include "calendar/calendar_reader.h"

#include <optional>

#include "calendar/calendar_error.h"

namespace {

// A VTIMEZONE is a few dozen lines; one this long is no time zone.
constexpr std::size_t kMaxZoneText = std::size_t(1) << 20;

std::string UpperName(std::string_view value) {
    std::string name(value);
    for (char& c : name) {
        if (c >= 'a' && c <= 'z') {
            c = char(c - 'a' + 'A');
        }
    }
    return name;
}

}  // namespace

TCalendarWalker::TCalendarWalker(TReadBytes read, bool keepRaw)
    : reader_(std::move(read), keepRaw) {}

bool TCalendarWalker::Next() {
    if (popNext_) {
        path_.pop_back();
        popNext_ = false;
    }
    if (!reader_.Next(line_)) {
        if (!path_.empty()) {
            throw ECalendarError(reader_.LineNumber(),
                                 QStringLiteral("the input ends inside the %2 begun at line %1: "
                                                "END:%2 is missing")
                                     .arg(path_.back().Line)
                                     .arg(QString::fromStdString(path_.back().Name)));
        }
        if (!sawCalendar_) {
            throw ECalendarError(reader_.LineNumber(),
                                 QStringLiteral("no iCalendar data: BEGIN:VCALENDAR is missing"));
        }
        return false;
    }
    const int number = line_.Number;
    kind_ = line_.Is("BEGIN") ? Kind::Begin : line_.Is("END") ? Kind::End : Kind::Property;
    if (kind_ == Kind::Property) {
        if (path_.empty()) {
            throw ECalendarError(number, QStringLiteral("%1 outside BEGIN:VCALENDAR and "
                                                        "END:VCALENDAR")
                                             .arg(QLatin1String(line_.Name)));
        }
        return true;
    }
    const std::string name = UpperName(line_.Value);
    if (name.empty()) {
        throw ECalendarError(
            number, QStringLiteral("%1 without a component name").arg(QLatin1String(line_.Name)));
    }
    const QString shown = QString::fromUtf8(name.data(), qsizetype(name.size()));
    if (kind_ == Kind::End) {
        if (path_.empty()) {
            throw ECalendarError(number, QStringLiteral("END:%1 without BEGIN:%1").arg(shown));
        }
        if (path_.back().Name != name) {
            throw ECalendarError(number,
                                 QStringLiteral("END:%2 where the %3 begun at line %1 "
                                                "should end")
                                     .arg(path_.back().Line)
                                     .arg(shown, QString::fromStdString(path_.back().Name)));
        }
        popNext_ = true;
        return true;
    }
    if (path_.empty() ? name != "VCALENDAR" : name == "VCALENDAR") {
        throw ECalendarError(number, path_.empty()
                                         ? QStringLiteral("BEGIN:%1 outside BEGIN:VCALENDAR "
                                                          "and END:VCALENDAR")
                                               .arg(shown)
                                         : QStringLiteral("BEGIN:VCALENDAR inside the %2 "
                                                          "begun at line %1")
                                               .arg(path_.back().Line)
                                               .arg(QString::fromStdString(path_.back().Name)));
    }
    if (path_.size() >= MaxComponentDepth) {
        throw ECalendarError(
            number, QStringLiteral("components nested more than %1 deep").arg(MaxComponentDepth));
    }
    sawCalendar_ = true;
    path_.push_back({name, number});
    return true;
}

void ReadVTodos(TReadBytes read, const std::function<void(TTodoItem& item)>& onItem,
                const TCalendarWarning& warn) {
    TCalendarWalker walker(std::move(read));
    TTimeZones zones;
    TLocalTime local;
    TVTodoPropertyReader properties(zones, local, warn);
    std::optional<TVTodoValues> values;
    std::string zone;  // the VTIMEZONE being read, as text for libical
    int items = 0;
    const auto warning = [&](const QString& message) {
        if (warn) {
            warn(message);
        }
    };
    while (walker.Next()) {
        const TContentLine& line = walker.Line();
        const auto& path = walker.Path();
        const bool inZone = path.size() >= 2 && path[1].Name == "VTIMEZONE";
        if (inZone) {
            zone += walker.Reader().Text();
            zone += "\r\n";
            if (zone.size() > kMaxZoneText) {
                throw ECalendarError(
                    path[1].Line,
                    QStringLiteral("the VTIMEZONE is longer than %1 bytes").arg(kMaxZoneText));
            }
        }
        if (walker.IsBegin()) {
            const QString name = QString::fromStdString(path.back().Name);
            if (path.size() == 2 && path[1].Name == "VTODO") {
                values.emplace();
            } else if (path.size() == 2 && !inZone) {
                warning(QStringLiteral("line %1: skipped a %2: only VTODO components become "
                                       "items")
                            .arg(line.Number)
                            .arg(name));
            } else if (path.size() == 3 && path[1].Name == "VTODO") {
                warning(QStringLiteral("line %1: skipped the %3 of item %2%4")
                            .arg(line.Number)
                            .arg(items)
                            .arg(name, name == QLatin1String("VALARM")
                                           ? QStringLiteral(": Pellmark has no alarms")
                                           : QString()));
            }
        } else if (walker.IsEnd() && path.size() == 2) {
            if (path[1].Name == "VTODO") {
                TTodoItem item(nullptr);
                ItemFromValues(*values, item);
                values.reset();
                onItem(item);
                ++items;
            } else if (inZone) {
                if (!zones.Define(zone)) {
                    warning(QStringLiteral("line %1: the VTIMEZONE cannot be read; its TZID "
                                           "counts as unknown")
                                .arg(path[1].Line));
                }
                zone.clear();
            }
        } else if (path.size() == 2 && values && !walker.IsBegin() && !walker.IsEnd()) {
            properties.Read(line, items, *values);
        }
    }
}
