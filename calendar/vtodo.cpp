#include "calendar/vtodo.h"

#include "calendar/calendar_error.h"
#include "calendar/calendar_reader.h"

namespace {

constexpr std::size_t kTodoDepth = 2;  // VCALENDAR, VTODO

}  // namespace

std::vector<TVTodo::TLine> TVTodo::ReadLines(std::string_view text, std::size_t& todo) {
    std::vector<TLine> lines;
    todo = std::string::npos;
    TCalendarWalker walker(ReadFromMemory(text), true);
    while (walker.Next()) {
        const auto& path = walker.Path();
        if (todo == std::string::npos && walker.IsBegin() && path.size() == kTodoDepth &&
            path.back().Name == "VTODO") {
            todo = lines.size();
        }
        lines.push_back({walker.Reader().Raw(), std::string(walker.Reader().Text()),
                         std::string(walker.Line().Name), path.size(),
                         path.size() >= 2 ? path[1].Name : std::string(), walker.Line().Number});
    }
    return lines;
}

TVTodo TVTodo::Parse(std::string_view text) {
    TVTodo todo;
    todo.lines_ = ReadLines(text, todo.begin_);
    if (todo.begin_ == std::string::npos) {
        throw ECalendarError(1, QStringLiteral("no VTODO in the calendar object"));
    }
    todo.end_ = todo.begin_ + 1;
    while (todo.lines_[todo.end_].depth > kTodoDepth || todo.lines_[todo.end_].name != "END") {
        ++todo.end_;
    }
    return todo;
}

TVTodo TVTodo::FromItem(const TTodoItem& item, std::string_view uid, const QDateTime& stamp) {
    std::string properties;
    TLocalTime local;
    AppendVTodoProperties(properties, item, local);
    std::string text;
    AppendCalendarBegin(text, "-//Pellmark//Pellmark//EN");
    AppendVTodo(text, uid, StampText(stamp), properties);
    AppendCalendarEnd(text);
    return Parse(text);
}

std::string TVTodo::Text() const {
    std::string text;
    for (const TLine& line : lines_) {
        text += line.raw;
    }
    return text;
}

bool TVTodo::IsOwnProperty(std::size_t index) const {
    return index > begin_ && index < end_ && lines_[index].depth == kTodoDepth &&
           lines_[index].name != "BEGIN" && lines_[index].name != "END";
}

std::string TVTodo::Uid() const {
    for (std::size_t i = begin_; i < end_; ++i) {
        if (IsOwnProperty(i) && lines_[i].name == "UID") {
            std::string text = lines_[i].text;
            TContentLine line;
            ParseContentLine(text, 0, line);
            std::string uid;
            UnescapeText(line.Value, uid);
            return uid;
        }
    }
    return {};
}

void TVTodo::ReadValues(TVTodoValues& values, const TCalendarWarning& warn) const {
    TTimeZones zones;
    std::string zone;
    for (const TLine& line : lines_) {
        if (line.top == "VTIMEZONE") {
            zone += line.text + "\r\n";
            if (line.depth == 2 && line.name == "END") {
                zones.Define(zone);
                zone.clear();
            }
        }
    }
    TLocalTime local;
    TVTodoPropertyReader reader(zones, local, warn);
    TContentLine parsed;
    std::string text;
    for (std::size_t i = begin_; i < end_; ++i) {
        if (IsOwnProperty(i)) {
            text = lines_[i].text;
            ParseContentLine(text, lines_[i].number, parsed);
            reader.Read(parsed, 0, values);
        }
    }
}

void TVTodo::ReadItem(TTodoItem& item, const TCalendarWarning& warn) const {
    TVTodoValues values;
    ReadValues(values, warn);
    FinishItem(values);
    CopyFields(values.Item, item, AllTodoFields);
}

void TVTodo::Replace(std::string_view name, std::vector<TLine> lines) {
    std::size_t at = std::string::npos;
    for (std::size_t i = end_; i-- > begin_ + 1;) {
        if (IsOwnProperty(i) && lines_[i].name == name) {
            lines_.erase(lines_.begin() + std::ptrdiff_t(i));
            --end_;
            at = i;
        }
    }
    if (at == std::string::npos) {
        // Before the first component inside the VTODO, or its END.
        at = begin_ + 1;
        while (at < end_ && lines_[at].depth == kTodoDepth) {
            ++at;
        }
    }
    for (TLine& line : lines) {
        line.depth = kTodoDepth;
        line.number = 0;
    }
    end_ += lines.size();
    lines_.insert(lines_.begin() + std::ptrdiff_t(at), std::make_move_iterator(lines.begin()),
                  std::make_move_iterator(lines.end()));
}

void TVTodo::WriteFields(const TTodoItem& item, TTodoFields fields) {
    TTodoItem target(nullptr);
    ReadItem(target);
    CopyFields(item, target, fields);

    // The standard properties, each put where its kind was.
    TLocalTime local;
    std::string written = "BEGIN:VCALENDAR\r\n";
    AppendStandardProperties(written, target, fields, local);
    written += "END:VCALENDAR\r\n";
    std::size_t unused;
    std::vector<TLine> fresh = ReadLines(written, unused);
    for (int i = 0; i < TodoFieldCount; ++i) {
        if (!(fields & (1 << i))) {
            continue;
        }
        for (const std::string_view name : PropertyNames(TTodoField(1 << i))) {
            if (name.starts_with("X-")) {
                continue;
            }
            std::vector<TLine> lines;
            for (const TLine& line : fresh) {
                if (line.name == name) {
                    lines.push_back(line);
                }
            }
            Replace(name, std::move(lines));
        }
    }

    // Then the X-PELLMARK properties: there exactly for the fields the standard ones now
    // do not carry. One that already says the right value stays as it is.
    TVTodoValues values;
    ReadValues(values, {});
    FinishItem(values, false);
    const TTodoFields needed = DifferingFields(values.Item, target);
    for (int i = 0; i < TodoFieldCount; ++i) {
        const auto field = TTodoField(1 << i);
        const std::string_view name = PropertyNames(field).back();
        std::vector<TLine> lines;
        if (needed & field) {
            std::string line = "BEGIN:VCALENDAR\r\n";
            AppendOverride(line, target, field);
            line += "END:VCALENDAR\r\n";
            lines = ReadLines(line, unused);
            lines.erase(lines.begin());
            lines.pop_back();
        }
        std::size_t present = 0;
        bool same = false;
        for (std::size_t l = begin_; l < end_; ++l) {
            if (IsOwnProperty(l) && lines_[l].name == name) {
                ++present;
                same = !lines.empty() && lines_[l].text == lines[0].text;
            }
        }
        if (present != lines.size() || (present == 1 && !same)) {
            Replace(name, std::move(lines));
        }
    }
}
