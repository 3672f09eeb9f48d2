#include "calendar/content_line.h"

#include <array>

#include "calendar/calendar_error.h"

namespace {

// Each character of a name in upper case; 0 for characters a name cannot hold.
constexpr std::array<char, 256> kNameChars = [] {
    std::array<char, 256> chars{};
    for (char c = 'A'; c <= 'Z'; ++c) {
        chars[std::size_t(c)] = c;
        chars[std::size_t(c - 'A' + 'a')] = c;
    }
    for (char c = '0'; c <= '9'; ++c) {
        chars[std::size_t(c)] = c;
    }
    chars['-'] = '-';
    return chars;
}();

// Upper-cases the name that starts at `at` in place and returns where it ends.
std::size_t ReadName(char* data, std::size_t size, std::size_t at) {
    for (; at < size; ++at) {
        const char upper = kNameChars[static_cast<unsigned char>(data[at])];
        if (upper == 0) {
            break;
        }
        data[at] = upper;
    }
    return at;
}

QString Printable(std::string_view bytes) {
    constexpr std::size_t kShown = 40;
    QString text = QString::fromUtf8(bytes.data(), qsizetype(std::min(bytes.size(), kShown)));
    if (bytes.size() > kShown) {
        text += QStringLiteral("...");
    }
    return text;
}

}  // namespace

const std::string_view* TContentLine::Parameter(std::string_view name) const {
    for (const TParameter& parameter : Parameters) {
        if (parameter.Name == name) {
            return &parameter.Value;
        }
    }
    return nullptr;
}

void ParseContentLine(char* data, std::size_t size, int number, TContentLine& line) {
    line.Number = number;
    line.Parameters.clear();
    const std::string_view text(data, size);
    std::size_t at = ReadName(data, size, 0);
    const std::string_view all = text;
    if (at == 0 || at >= text.size() || (text[at] != ':' && text[at] != ';')) {
        if (all.find(':') == std::string_view::npos) {
            throw ECalendarError(number, QStringLiteral("\"%1\" has no colon: a content line is "
                                                        "NAME:VALUE")
                                             .arg(Printable(all)));
        }
        throw ECalendarError(number, QStringLiteral("\"%1\" is not NAME:VALUE: a name holds "
                                                    "only letters, digits and hyphens")
                                         .arg(Printable(all)));
    }
    line.Name = all.substr(0, at);
    while (text[at] == ';') {
        const std::size_t nameStart = at + 1;
        const std::size_t nameEnd = ReadName(data, size, nameStart);
        if (nameEnd == nameStart || nameEnd >= text.size() || text[nameEnd] != '=') {
            throw ECalendarError(number, QStringLiteral("a parameter of %1 is not NAME=VALUE")
                                             .arg(QLatin1String(line.Name)));
        }
        // One value or several separated by commas, each plain or quoted; the quotes protect
        // ; : and , inside.
        const std::size_t valueStart = nameEnd + 1;
        std::size_t end = valueStart;
        int values = 0;
        bool quoted = false;
        for (;;) {
            ++values;
            if (end < text.size() && text[end] == '"') {
                const std::size_t close = all.find('"', end + 1);
                if (close == std::string_view::npos) {
                    throw ECalendarError(number, QStringLiteral("a quoted parameter value of %1 is "
                                                                "not closed")
                                                     .arg(QLatin1String(line.Name)));
                }
                quoted = true;
                end = close + 1;
            } else {
                quoted = false;
                while (end < text.size() && text[end] != ';' && text[end] != ':' &&
                       text[end] != ',' && text[end] != '"') {
                    ++end;
                }
            }
            if (end < text.size() && text[end] == ',') {
                ++end;
                continue;
            }
            break;
        }
        if (end >= text.size() || (text[end] != ';' && text[end] != ':')) {
            throw ECalendarError(number, end >= text.size()
                                             ? QStringLiteral("the parameters of %1 are not "
                                                              "followed by a colon and the value")
                                                   .arg(QLatin1String(line.Name))
                                             : QStringLiteral("a parameter value of %1 holds a "
                                                              "stray quote")
                                                   .arg(QLatin1String(line.Name)));
        }
        std::string_view value = all.substr(valueStart, end - valueStart);
        if (quoted && values == 1) {
            value = value.substr(1, value.size() - 2);
        }
        line.Parameters.push_back({all.substr(nameStart, nameEnd - nameStart), value});
        at = end;
    }
    line.Value = all.substr(at + 1);
}

void UnescapeText(std::string_view value, std::string& out, std::string_view lineBreak) {
    out.clear();
    std::size_t start = 0;
    for (std::size_t at = value.find('\\'); at != std::string_view::npos;
         at = value.find('\\', start)) {
        out.append(value.substr(start, at - start));
        if (at + 1 >= value.size()) {
            out += '\\';
            start = at + 1;
            break;
        }
        const char c = value[at + 1];
        if (c == 'n' || c == 'N') {
            out += lineBreak;
        } else if (c == '\\' || c == ';' || c == ',') {
            out += c;
        } else {
            out += '\\';
            out += c;
        }
        start = at + 2;
    }
    if (start < value.size()) {
        out.append(value.substr(start));
    }
}

std::vector<std::string> SplitTextList(std::string_view value) {
    std::vector<std::string> values;
    std::string one;
    std::size_t start = 0;
    for (std::size_t at = 0;; ++at) {
        if (at < value.size() && value[at] == '\\') {
            if (at + 1 < value.size()) {
                ++at;  // an escaped character, a comma among them, belongs to the value
            }
            continue;
        }
        if (at >= value.size() || value[at] == ',') {
            UnescapeText(value.substr(start, at - start), one);
            if (!one.empty()) {
                values.push_back(one);
            }
            start = at + 1;
            if (at >= value.size()) {
                return values;
            }
        }
    }
}
