#pragma once

// The display texts of the four states and the five priorities. Setting a text asks the
// owning list to repaint through OnChange.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "model/todo_types.h"

// The text with A to Z lowered and every other byte kept: texts are bytes of the system
// code page, where only ASCII letters are known to be letters.
std::string LowerAscii(std::string_view text);

// The texts of the N values of an enumeration, with the lookup from a text back to its
// value.
template <typename T, std::size_t N>
class TValueTexts {
public:
    // The text of a value; empty for a value outside the N.
    std::string GetString(T value) const {
        return std::size_t(value) < N ? texts_[std::size_t(value)] : std::string();
    }
    void SetString(T value, const std::string& text) { Set(value, text); }
    // The value whose text equals `text`, both lowered by LowerAscii; when two texts are
    // equal the later value wins. Nullopt when none does.
    std::optional<T> Find(std::string_view text) const {
        const std::string lower = LowerAscii(text);
        std::optional<T> found;
        for (std::size_t i = 0; i < N; ++i) {
            if (LowerAscii(texts_[i]) == lower) {
                found = static_cast<T>(i);
            }
        }
        return found;
    }

    std::function<void()> OnChange;

protected:
    explicit TValueTexts(std::array<std::string, N> texts) : texts_(std::move(texts)) {}
    const std::string& Text(T value) const { return texts_[std::size_t(value)]; }
    void Set(T value, const std::string& text) {
        if (std::size_t(value) >= N) {
            return;
        }
        texts_[std::size_t(value)] = text;
        if (OnChange) {
            OnChange();
        }
    }

private:
    std::array<std::string, N> texts_;
};

class TStatusStrings : public TValueTexts<TTodoStatus, TodoStatusCount> {
public:
    TStatusStrings() : TValueTexts({"Not started", "Completed", "In progress", "Deferred"}) {}

    const std::string& Deferred() const { return Text(tsDeferred); }
    void SetDeferred(const std::string& value) { Set(tsDeferred, value); }
    const std::string& NotStarted() const { return Text(tsNotStarted); }
    void SetNotStarted(const std::string& value) { Set(tsNotStarted, value); }
    const std::string& Completed() const { return Text(tsCompleted); }
    void SetCompleted(const std::string& value) { Set(tsCompleted, value); }
    const std::string& InProgress() const { return Text(tsInProgress); }
    void SetInProgress(const std::string& value) { Set(tsInProgress, value); }
};

class TPriorityStrings : public TValueTexts<TTodoPriority, TodoPriorityCount> {
public:
    TPriorityStrings() : TValueTexts({"Lowest", "Low", "Normal", "High", "Highest"}) {}

    const std::string& Lowest() const { return Text(tpLowest); }
    void SetLowest(const std::string& value) { Set(tpLowest, value); }
    const std::string& Low() const { return Text(tpLow); }
    void SetLow(const std::string& value) { Set(tpLow, value); }
    const std::string& Normal() const { return Text(tpNormal); }
    void SetNormal(const std::string& value) { Set(tpNormal, value); }
    const std::string& High() const { return Text(tpHigh); }
    void SetHigh(const std::string& value) { Set(tpHigh, value); }
    const std::string& Highest() const { return Text(tpHighest); }
    void SetHighest(const std::string& value) { Set(tpHighest, value); }
};
