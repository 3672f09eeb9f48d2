#include "model/string_list.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "model/errors.h"

namespace {

constexpr std::string_view kBreak = "\r\n";

// True when the text already is lines each followed by CR LF: no zero byte, no lone CR or
// LF, and a CR LF at the end. Every file the program writes holds its notes this way. The
// text is looked at eight bytes at a time; only words with a byte below 14 (zero, CR, LF
// and a few others) are looked at byte by byte.
bool IsLineText(std::string_view text) {
    const std::size_t size = text.size();
    if (size == 0) {
        return true;
    }
    if (size < 2 || text[size - 2] != '\r' || text[size - 1] != '\n') {
        return false;
    }
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
    std::size_t i = 0;
    while (i < size) {
        if (i + 8 <= size) {
            std::uint64_t word;
            std::memcpy(&word, text.data() + i, sizeof word);
            // Non-zero exactly when some byte of the word is below 14.
            if (((word - kOnes * 14) & ~word & kHighs) == 0) {
                i += 8;
                continue;
            }
        }
        const std::size_t stop = std::min(size, i + 8);
        for (; i < stop; ++i) {
            const char c = text[i];
            if (c == '\0' || c == '\n') {
                return false;
            }
            if (c == '\r') {
                if (i + 1 >= size || text[i + 1] != '\n') {
                    return false;
                }
                ++i;  // the LF of the pair; it may lie in the next word
                if (i >= stop) {
                    ++i;
                    break;
                }
            }
        }
    }
    return true;
}

// The lines, each followed by CR LF, in one allocation.
template <typename TIterator>
std::string JoinLines(TIterator first, TIterator last) {
    std::size_t size = 0;
    for (TIterator line = first; line != last; ++line) {
        size += line->size() + kBreak.size();
    }
    std::string text;
    text.reserve(size);
    for (TIterator line = first; line != last; ++line) {
        text += *line;
        text += kBreak;
    }
    return text;
}

}  // namespace

TStringList::TStringList(std::initializer_list<std::string> lines)
    : text_(JoinLines(lines.begin(), lines.end())) {}

TStringList::TStringList(std::span<const std::string> lines)
    : text_(JoinLines(lines.begin(), lines.end())) {}

TStringList& TStringList::operator=(const TStringList& other) {
    Assign(other);
    return *this;
}

int TStringList::Count() const {
    int count = 0;
    for (std::size_t at = text_.find(kBreak); at != std::string::npos;
         at = text_.find(kBreak, at + kBreak.size())) {
        ++count;
    }
    return count;
}

bool TStringList::FindLine(int index, std::size_t& start, std::size_t& length) const {
    if (index < 0) {
        return false;
    }
    std::size_t at = 0;
    for (int i = 0;; ++i) {
        const std::size_t end = text_.find(kBreak, at);
        if (end == std::string::npos) {
            return false;
        }
        if (i == index) {
            start = at;
            length = end - at;
            return true;
        }
        at = end + kBreak.size();
    }
}

std::string TStringList::Get(int index) const {
    std::size_t start = 0;
    std::size_t length = 0;
    if (!FindLine(index, start, length)) {
        throw EListError(index);
    }
    return text_.substr(start, length);
}

void TStringList::Add(std::string_view line) {
    text_.reserve(text_.size() + line.size() + kBreak.size());
    text_ += line;
    text_ += kBreak;
    Notify();
}

void TStringList::Insert(int index, std::string_view line) {
    std::size_t start = text_.size();
    std::size_t length = 0;
    if (index != Count() && !FindLine(index, start, length)) {
        throw EListError(index);
    }
    std::string inserted;
    inserted.reserve(line.size() + kBreak.size());
    inserted += line;
    inserted += kBreak;
    text_.insert(start, inserted);
    Notify();
}

void TStringList::Put(int index, std::string_view line) {
    std::size_t start = 0;
    std::size_t length = 0;
    if (!FindLine(index, start, length)) {
        throw EListError(index);
    }
    text_.replace(start, length, line);
    Notify();
}

void TStringList::Delete(int index) {
    std::size_t start = 0;
    std::size_t length = 0;
    if (!FindLine(index, start, length)) {
        throw EListError(index);
    }
    text_.erase(start, length + kBreak.size());
    Notify();
}

void TStringList::Clear() {
    if (text_.empty()) {
        return;
    }
    text_.clear();
    Notify();
}

void TStringList::Assign(const TStringList& other) {
    if (this != &other) {
        text_ = other.text_;
    }
    Notify();
}

std::vector<std::string> TStringList::SplitLines(std::string_view text) {
    // Counted first, so that the vector is allocated once.
    std::size_t count = 0;
    ForEachLine(text, [&count](std::string_view) { ++count; });
    std::vector<std::string> lines;
    lines.reserve(count);
    ForEachLine(text, [&lines](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

void TStringList::SetText(std::string_view text) {
    if (IsLineText(text)) {
        text_.assign(text);
    } else {
        // Every break (CR LF, lone CR, lone LF) becomes CR LF, the text ends at a zero byte
        // and a last line without a break gets one.
        text = text.substr(0, std::min(text.find('\0'), text.size()));
        std::string normal;
        normal.reserve(text.size() + text.size() / 2 + kBreak.size());
        bool open = false;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '\r' || c == '\n') {
                normal += kBreak;
                if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                    ++i;
                }
                open = false;
            } else {
                normal += c;
                open = true;
            }
        }
        if (open) {
            normal += kBreak;
        }
        normal.shrink_to_fit();
        text_.swap(normal);
    }
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
