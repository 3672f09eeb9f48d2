#pragma once

// The display texts of the four states and the five priorities. Setting a text asks the
// owning list to repaint through OnChange.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "model/todo_types.h"

// The text with A to Z lowered and every other byte kept: texts are bytes of the system
// code page, where only ASCII letters are known to be letters.
std::string LowerAscii(std::string_view text);

class TStatusStrings {
public:
    const std::string& Deferred() const { return texts_[tsDeferred]; }
    void SetDeferred(const std::string& value) { Set(tsDeferred, value); }
    const std::string& NotStarted() const { return texts_[tsNotStarted]; }
    void SetNotStarted(const std::string& value) { Set(tsNotStarted, value); }
    const std::string& Completed() const { return texts_[tsCompleted]; }
    void SetCompleted(const std::string& value) { Set(tsCompleted, value); }
    const std::string& InProgress() const { return texts_[tsInProgress]; }
    void SetInProgress(const std::string& value) { Set(tsInProgress, value); }

    // The text of a status; empty for a value outside the four states.
    std::string GetString(TTodoStatus status) const;
    void SetString(TTodoStatus status, const std::string& value) { Set(status, value); }
    // The status whose text equals `text`, both lowered by LowerAscii; when two texts are
    // equal the later status wins. Nullopt when none does.
    std::optional<TTodoStatus> Find(std::string_view text) const;

    std::function<void()> OnChange;

private:
    void Set(TTodoStatus status, const std::string& value);

    std::array<std::string, TodoStatusCount> texts_ = {"Not started", "Completed", "In progress",
                                                       "Deferred"};
};

class TPriorityStrings {
public:
    const std::string& Lowest() const { return texts_[tpLowest]; }
    void SetLowest(const std::string& value) { Set(tpLowest, value); }
    const std::string& Low() const { return texts_[tpLow]; }
    void SetLow(const std::string& value) { Set(tpLow, value); }
    const std::string& Normal() const { return texts_[tpNormal]; }
    void SetNormal(const std::string& value) { Set(tpNormal, value); }
    const std::string& High() const { return texts_[tpHigh]; }
    void SetHigh(const std::string& value) { Set(tpHigh, value); }
    const std::string& Highest() const { return texts_[tpHighest]; }
    void SetHighest(const std::string& value) { Set(tpHighest, value); }

    // The text of a priority; empty for a value outside the five priorities.
    std::string GetString(TTodoPriority priority) const;
    void SetString(TTodoPriority priority, const std::string& value) { Set(priority, value); }
    // The priority whose text equals `text` in the same way.
    std::optional<TTodoPriority> Find(std::string_view text) const;

    std::function<void()> OnChange;

private:
    void Set(TTodoPriority priority, const std::string& value);

    std::array<std::string, TodoPriorityCount> texts_ = {"Lowest", "Low", "Normal", "High",
                                                         "Highest"};
};
