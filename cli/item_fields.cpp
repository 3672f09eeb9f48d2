#include "cli/item_fields.h"

#include <QDate>
#include <QTime>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "model/date_time.h"
#include "model/todo_strings.h"

namespace {

constexpr std::string_view kBitsPrefix = "ieee754:";

bool SameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && LowerAscii(a) == LowerAscii(b);
}

// Reads exactly `count` decimal digits at `at`.
bool Digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
    if (at + count > text.size()) {
        return false;
    }
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

std::optional<TDateTime> BitsFromText(std::string_view text) {
    if (text.size() != kBitsPrefix.size() + 16 ||
        text.substr(0, kBitsPrefix.size()) != kBitsPrefix) {
        return std::nullopt;
    }
    const std::string_view hex = text.substr(kBitsPrefix.size());
    std::uint64_t bits = 0;
    const auto [end, error] = std::from_chars(hex.data(), hex.data() + hex.size(), bits, 16);
    if (error != std::errc() || end != hex.data() + hex.size()) {
        return std::nullopt;
    }
    return std::bit_cast<double>(bits);
}

template <typename Enum>
std::optional<Enum> EnumFromText(std::string_view text, bool allowNumbers, int count,
                                 const char* (*name)(Enum)) {
    for (int i = 0; i < count; ++i) {
        if (text == name(static_cast<Enum>(i))) {
            return static_cast<Enum>(i);
        }
    }
    if (allowNumbers) {
        if (const auto number = IntegerFromText(text, 0, 255)) {
            return static_cast<Enum>(*number);
        }
    }
    return std::nullopt;
}

// A display text as the window's lists convert it back, or a value name, ignoring case.
template <typename Enum, typename Strings>
std::optional<Enum> EnumFromUserText(std::string_view text, int count, const char* (*name)(Enum)) {
    if (const std::optional<Enum> value = Strings().Find(text)) {
        return value;
    }
    for (int i = 0; i < count; ++i) {
        if (EqualIgnoringCase(text, name(static_cast<Enum>(i)))) {
            return static_cast<Enum>(i);
        }
    }
    return std::nullopt;
}

}  // namespace

const char* ItemFieldName(TItemField field) {
    return field < kItemFieldNames.size() ? kItemFieldNames[field].data() : "";
}

std::optional<TItemField> ItemFieldFromName(std::string_view name) {
    for (std::size_t i = 0; i < kItemFieldNames.size(); ++i) {
        if (name == kItemFieldNames[i]) {
            return static_cast<TItemField>(i);
        }
    }
    return std::nullopt;
}

void AppendDateText(std::string& out, TDateTime value) {
    if (SameBits(value, 0.0)) {
        return;
    }
    if (!std::isfinite(value)) {
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx",
                      static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(value)));
        out += kBitsPrefix;
        out += hex;
        return;
    }
    TDateTimeParts p;
    if (DecodeDateTime(value, p) && SameBits(EncodeDateTime(p), value)) {
        // DecodeDateTime's years have four digits. The digits are put in place without
        // snprintf's cost: exports write millions.
        char text[24];
        auto put = [](char* at, int number, int digits) {
            for (int i = digits - 1; i >= 0; --i, number /= 10) {
                at[i] = char('0' + number % 10);
            }
        };
        std::memcpy(text, "0000-00-00T00:00:00.000", 23);
        put(text, p.Year, 4);
        put(text + 5, p.Month, 2);
        put(text + 8, p.Day, 2);
        put(text + 11, p.Hour, 2);
        put(text + 14, p.Minute, 2);
        put(text + 17, p.Second, 2);
        put(text + 20, p.MilliSecond, 3);
        out.append(text, p.MilliSecond != 0 ? 23 : 19);
        return;
    }
    char buffer[64];
    // Without a precision to_chars gives the shortest text that reads back exactly.
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (error == std::errc()) {
        out.append(buffer, end);
    }
}

std::string DateToText(TDateTime value) {
    std::string text;
    AppendDateText(text, value);
    return text;
}

std::optional<TDateTime> IsoDateFromText(std::string_view text) {
    // yyyy-MM-dd, optionally followed by T or a blank and HH:mm[:ss[.zzz]].
    int year, month, day, hour = 0, minute = 0, second = 0, msec = 0;
    if (!Digits(text, 0, 4, year) || text.size() < 10 || text[4] != '-' ||
        !Digits(text, 5, 2, month) || text[7] != '-' || !Digits(text, 8, 2, day)) {
        return std::nullopt;
    }
    std::size_t at = 10;
    if (at < text.size()) {
        if ((text[at] != 'T' && text[at] != ' ') || !Digits(text, at + 1, 2, hour) ||
            at + 3 >= text.size() || text[at + 3] != ':' || !Digits(text, at + 4, 2, minute)) {
            return std::nullopt;
        }
        at += 6;
        if (at < text.size()) {
            if (text[at] != ':' || !Digits(text, at + 1, 2, second)) {
                return std::nullopt;
            }
            at += 3;
            if (at < text.size()) {
                if (text[at] != '.' || text.size() - at - 1 < 1 || text.size() - at - 1 > 3 ||
                    !Digits(text, at + 1, text.size() - at - 1, msec)) {
                    return std::nullopt;
                }
                // ".5" is half a second, as in every ISO 8601 reader.
                for (std::size_t digits = text.size() - at - 1; digits < 3; ++digits) {
                    msec *= 10;
                }
                at = text.size();
            }
        }
    }
    const QDate date(year, month, day);
    const QTime time(hour, minute, second, msec);
    if (!date.isValid() || !time.isValid()) {
        return std::nullopt;
    }
    return EncodeDateTime(date, time);
}

std::optional<TDateTime> DateFromText(std::string_view text) {
    if (text.empty()) {
        return 0.0;
    }
    if (const auto iso = IsoDateFromText(text)) {
        return iso;
    }
    if (const auto bits = BitsFromText(text)) {
        return bits;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc() && end == text.data() + text.size()) {
        return value;
    }
    return std::nullopt;
}

std::string PriorityToText(TTodoPriority value) {
    const char* name = TodoPriorityName(value);
    return name ? std::string(name) : std::to_string(int(value));
}

std::string StatusToText(TTodoStatus value) {
    const char* name = TodoStatusName(value);
    return name ? std::string(name) : std::to_string(int(value));
}

std::optional<TTodoPriority> PriorityFromText(std::string_view text, bool allowNumbers) {
    return EnumFromText<TTodoPriority>(text, allowNumbers, TodoPriorityCount, TodoPriorityName);
}

std::optional<TTodoStatus> StatusFromText(std::string_view text, bool allowNumbers) {
    return EnumFromText<TTodoStatus>(text, allowNumbers, TodoStatusCount, TodoStatusName);
}

std::optional<TTodoPriority> PriorityFromUserText(std::string_view text) {
    return EnumFromUserText<TTodoPriority, TPriorityStrings>(text, TodoPriorityCount,
                                                             TodoPriorityName);
}

std::optional<TTodoStatus> StatusFromUserText(std::string_view text) {
    return EnumFromUserText<TTodoStatus, TStatusStrings>(text, TodoStatusCount, TodoStatusName);
}

std::optional<TTodoData> DataKindFromText(std::string_view text) {
    std::string compact(text);
    std::erase(compact, ' ');
    for (int i = 0; i < TodoDataCount; ++i) {
        const auto kind = static_cast<TTodoData>(i);
        const std::string_view name = TodoDataName(kind);
        std::string caption = TodoDataCaption(kind);
        std::erase(caption, ' ');
        if (EqualIgnoringCase(compact, name) || EqualIgnoringCase(compact, name.substr(2)) ||
            EqualIgnoringCase(compact, caption)) {
            return kind;
        }
    }
    return std::nullopt;
}
