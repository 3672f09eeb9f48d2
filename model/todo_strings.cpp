#include "model/todo_strings.h"

namespace {

// The index of the last text equal to `text`, both lowered.
template <std::size_t N>
std::optional<std::size_t> FindLowered(const std::array<std::string, N>& texts,
                                       std::string_view text) {
    const std::string lower = LowerAscii(text);
    std::optional<std::size_t> found;
    for (std::size_t i = 0; i < N; ++i) {
        if (LowerAscii(texts[i]) == lower) {
            found = i;
        }
    }
    return found;
}

}  // namespace

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

std::optional<TTodoStatus> TStatusStrings::Find(std::string_view text) const {
    const auto index = FindLowered(texts_, text);
    return index ? std::optional<TTodoStatus>(static_cast<TTodoStatus>(*index)) : std::nullopt;
}

std::optional<TTodoPriority> TPriorityStrings::Find(std::string_view text) const {
    const auto index = FindLowered(texts_, text);
    return index ? std::optional<TTodoPriority>(static_cast<TTodoPriority>(*index)) : std::nullopt;
}

std::string TStatusStrings::GetString(TTodoStatus status) const {
    return status < texts_.size() ? texts_[status] : std::string();
}

void TStatusStrings::Set(TTodoStatus status, const std::string& value) {
    if (status >= texts_.size()) {
        return;
    }
    texts_[status] = value;
    if (OnChange) {
        OnChange();
    }
}

std::string TPriorityStrings::GetString(TTodoPriority priority) const {
    return priority < texts_.size() ? texts_[priority] : std::string();
}

void TPriorityStrings::Set(TTodoPriority priority, const std::string& value) {
    if (priority >= texts_.size()) {
        return;
    }
    texts_[priority] = value;
    if (OnChange) {
        OnChange();
    }
}
