#include "model/todo_types.h"

#include <array>

namespace {

constexpr std::array<const char*, TodoDataCount> kDataNames = {
    "tdSubject",      "tdCompletion", "tdNotes",    "tdPriority",  "tdDueDate",
    "tdStatus",       "tdImage",      "tdComplete", "tdTotalTime", "tdCompletionDate",
    "tdCreationDate", "tdResource",   "tdHandle",   "tdProject"};
constexpr std::array<const char*, TodoPriorityCount> kPriorityNames = {
    "tpLowest", "tpLow", "tpNormal", "tpHigh", "tpHighest"};
constexpr std::array<const char*, TodoStatusCount> kStatusNames = {"tsNotStarted", "tsCompleted",
                                                                   "tsInProgress", "tsDeferred"};

template <typename Enum, std::size_t N>
bool FindName(const std::array<const char*, N>& names, const QString& name, Enum& value) {
    for (std::size_t i = 0; i < N; ++i) {
        if (name == QLatin1String(names[i])) {
            value = static_cast<Enum>(i);
            return true;
        }
    }
    return false;
}

}  // namespace

const char* TodoDataName(TTodoData value) {
    return value < kDataNames.size() ? kDataNames[value] : nullptr;
}

const char* TodoPriorityName(TTodoPriority value) {
    return value < kPriorityNames.size() ? kPriorityNames[value] : nullptr;
}

const char* TodoStatusName(TTodoStatus value) {
    return value < kStatusNames.size() ? kStatusNames[value] : nullptr;
}

bool TodoDataFromName(const QString& name, TTodoData& value) {
    return FindName(kDataNames, name, value);
}

bool TodoPriorityFromName(const QString& name, TTodoPriority& value) {
    return FindName(kPriorityNames, name, value);
}

bool TodoStatusFromName(const QString& name, TTodoStatus& value) {
    return FindName(kStatusNames, name, value);
}
