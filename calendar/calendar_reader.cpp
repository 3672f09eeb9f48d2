#include "calendar/calendar_reader.h"

#include <optional>

#include "calendar/calendar_error.h"

namespace {

// A VTIMEZONE is a few dozen lines; one this long is no time zone.
constexpr std::size_t kMaxZoneText = std::size_t(1) << 20;

void UpperName(std::string_view value, std::string& name) {
    name.assign(value);
    for (char& c : name) {
        if (c >= 'a' && c <= 'z') {
            c = char(c - 'a' + 'A');
        }
    }
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
    const std::string_view name = line_.Name;
    kind_ = name.size() == 5 && name == "BEGIN" ? Kind::Begin
            : name.size() == 3 && name == "END" ? Kind::End
                                                : Kind::Property;
    if (kind_ == Kind::Property) {
        if (path_.empty()) {
            throw ECalendarError(number, QStringLiteral("%1 outside BEGIN:VCALENDAR and "
                                                        "END:VCALENDAR")
                                             .arg(QLatin1String(line_.Name)));
        }
        return true;
    }
    UpperName(line_.Value, component_);
    const std::string& component = component_;
    if (component.empty()) {
        throw ECalendarError(
            number, QStringLiteral("%1 without a component name").arg(QLatin1String(line_.Name)));
    }
    const auto shown = [&component] {
        return QString::fromUtf8(component.data(), qsizetype(component.size()));
    };
    if (kind_ == Kind::End) {
        if (path_.empty()) {
            throw ECalendarError(number, QStringLiteral("END:%1 without BEGIN:%1").arg(shown()));
        }
        if (path_.back().Name != component) {
            throw ECalendarError(number,
                                 QStringLiteral("END:%2 where the %3 begun at line %1 "
                                                "should end")
                                     .arg(path_.back().Line)
                                     .arg(shown(), QString::fromStdString(path_.back().Name)));
        }
        popNext_ = true;
        return true;
    }
    if (path_.empty() ? component != "VCALENDAR" : component == "VCALENDAR") {
        throw ECalendarError(number, path_.empty()
                                         ? QStringLiteral("BEGIN:%1 outside BEGIN:VCALENDAR "
                                                          "and END:VCALENDAR")
                                               .arg(shown())
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
    path_.push_back({component, number});
    return true;
}

void ReadVTodos(TReadBytes read, const std::function<void(TTodoItem& item)>& onItem,
                const TCalendarWarning& warn, const std::function<void(int line)>& onZone,
                TLocalTime* local) {
    TCalendarWalker walker(std::move(read));
    TTimeZones zones;
    std::optional<TLocalTime> ownLocal;
    TVTodoPropertyReader properties(zones, local ? *local : ownLocal.emplace(), warn);
    std::optional<TVTodoValues> values;
    std::string zone;  // the VTIMEZONE being read, as text for libical
    // What the component inside the VCALENDAR is that the lines now lie in.
    enum class TTop { None, Todo, Zone, Other } top = TTop::None;
    int items = 0;
    const auto warning = [&](const QString& message) {
        if (warn) {
            warn(message);
        }
    };
    const auto addToZone = [&](const TCalendarWalker& w) {
        zone += w.Reader().Text();
        zone += "\r\n";
        if (zone.size() > kMaxZoneText) {
            throw ECalendarError(w.Path()[1].Line, QStringLiteral("the VTIMEZONE is longer than "
                                                                  "%1 bytes")
                                                       .arg(kMaxZoneText));
        }
    };
    while (walker.Next()) {
        const TContentLine& line = walker.Line();
        const auto& path = walker.Path();
        const std::size_t depth = path.size();
        if (!walker.IsBegin() && !walker.IsEnd()) {
            if (depth == 2 && top == TTop::Todo) {
                properties.Read(line, items, *values);
            } else if (top == TTop::Zone) {
                addToZone(walker);
            }
            continue;
        }
        if (walker.IsEnd()) {
            if (top == TTop::Zone) {
                addToZone(walker);
            }
            if (depth == 2) {
                if (top == TTop::Todo) {
                    FinishItem(*values);
                    onItem(values->Item);
                    values.reset();
                    ++items;
                } else if (top == TTop::Zone) {
                    if (!zones.Define(zone)) {
                        warning(QStringLiteral("line %1: the VTIMEZONE cannot be read; its TZID "
                                               "counts as unknown")
                                    .arg(path[1].Line));
                    }
                    zone.clear();
                }
                top = TTop::None;
            }
            continue;
        }
        const std::string& name = path.back().Name;
        if (depth == 2) {
            if (name == "VTODO") {
                top = TTop::Todo;
                values.emplace();
            } else if (name == "VTIMEZONE") {
                top = TTop::Zone;
                if (onZone) {
                    onZone(line.Number);
                }
            } else {
                top = TTop::Other;
                warning(QStringLiteral("line %1: skipped a %2: only VTODO components become "
                                       "items")
                            .arg(line.Number)
                            .arg(QString::fromStdString(name)));
            }
        } else if (depth == 3 && top == TTop::Todo) {
            warning(QStringLiteral("line %1: skipped the %3 of item %2%4")
                        .arg(line.Number)
                        .arg(items)
                        .arg(QString::fromStdString(name),
                             name == "VALARM" ? QStringLiteral(": Pellmark has no alarms")
                                              : QString()));
        }
        if (top == TTop::Zone) {
            addToZone(walker);
        }
    }
}
