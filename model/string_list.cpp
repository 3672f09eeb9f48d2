#include "model/string_list.h"

#include "model/errors.h"

#include <algorithm>

TStringList& TStringList::operator=(const TStringList& other) {
    Assign(other);
    return *this;
}

const std::string& TStringList::Get(int index) const {
    if (index < 0 || index >= Count()) {
        throw EListError(index);
    }
    return lines_[static_cast<std::size_t>(index)];
}

void TStringList::Add(std::string line) {
    lines_.push_back(std::move(line));
    Notify();
}

void TStringList::Insert(int index, std::string line) {
    if (index < 0 || index > Count()) {
        throw EListError(index);
    }
    lines_.insert(lines_.begin() + index, std::move(line));
    Notify();
}

void TStringList::Put(int index, std::string line) {
    if (index < 0 || index >= Count()) {
        throw EListError(index);
    }
    lines_[static_cast<std::size_t>(index)] = std::move(line);
    Notify();
}

void TStringList::Delete(int index) {
    if (index < 0 || index >= Count()) {
        throw EListError(index);
    }
    lines_.erase(lines_.begin() + index);
    Notify();
}

void TStringList::Clear() {
    if (lines_.empty()) {
        return;
    }
    lines_.clear();
    Notify();
}

void TStringList::Assign(const TStringList& other) {
    if (this != &other) {
        lines_ = other.lines_;
    }
    Notify();
}

std::string TStringList::Text() const {
    std::size_t size = 0;
    for (const auto& line : lines_) {
        size += line.size() + 2;
    }
    std::string text;
    text.reserve(size);
    for (const auto& line : lines_) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::vector<std::string> TStringList::SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    const std::size_t end = std::min(text.find('\0'), text.size());
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < end) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(text.substr(start, i - start));
            ++i;
            if (c == '\r' && i < end && text[i] == '\n') {
                ++i;
            }
            start = i;
        } else {
            ++i;
        }
    }
    if (start < end) {
        lines.emplace_back(text.substr(start, end - start));
    }
    return lines;
}

void TStringList::SetText(std::string_view text) {
    lines_ = SplitLines(text);
    Notify();
}

void TStringList::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0 && pendingChange_) {
        pendingChange_ = false;
        Changed();
    }
}

void TStringList::Notify() {
    if (updateCount_ > 0) {
        pendingChange_ = true;
        return;
    }
    Changed();
}
