#include "model/integer_text.h"

#include <charconv>

std::optional<long long> IntegerFromText(std::string_view text, long long low, long long high,
                                         bool allowPlus) {
    if (allowPlus && !text.empty() && text[0] == '+') {
        text.remove_prefix(1);
    }
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low ||
        value > high) {
        return std::nullopt;
    }
    return value;
}
