#pragma once

// An ordered list of byte-string lines, as the notes of an item and the memo editor hold
// them. Every change calls Changed(), which a subclass may use to notify its owner.
//
// The lines are kept as the one text they make, each line followed by CR LF (the form the
// .2do file stores): a loaded list holds a notes list per item, and one text takes a third
// of the memory of separate line strings and is read from a file in one copy. A line given
// to Add, Insert or Put should hold no CR LF pair; one that does becomes two lines there.

#include <algorithm>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class TStringList {
public:
    TStringList() = default;
    TStringList(std::initializer_list<std::string> lines);
    explicit TStringList(std::span<const std::string> lines);
    TStringList(const TStringList& other) : text_(other.text_) {}
    TStringList& operator=(const TStringList& other);
    virtual ~TStringList() = default;

    int Count() const;
    bool IsEmpty() const { return text_.empty(); }
    // Throws EListError for an index outside 0..Count()-1.
    std::string Get(int index) const;
    std::string operator[](int index) const { return Get(index); }
    std::vector<std::string> Lines() const { return SplitLines(text_); }

    void Add(std::string_view line);
    void Insert(int index, std::string_view line);
    void Put(int index, std::string_view line);
    void Delete(int index);
    void Clear();
    // Replaces all lines by those of the other list; one change notification.
    void Assign(const TStringList& other);

    // Exchanges the lines with another list without any change notification.
    void SwapLines(TStringList& other) { text_.swap(other.text_); }
    // Takes the other list's lines without any change notification; the other list is
    // left with lines of no use until it is given new ones.
    void TakeLines(TStringList& other) { text_ = std::move(other.text_); }

    // All lines, each followed by CR LF, the last one too.
    const std::string& Text() const { return text_; }
    // Splits at CR LF, a lone CR and a lone LF; a zero byte ends the text.
    void SetText(std::string_view text);
    static std::vector<std::string> SplitLines(std::string_view text);
    // Calls f(std::string_view) for each line SplitLines would give, without copying.
    template <typename F>
    static void ForEachLine(std::string_view text, F f) {
        text = text.substr(0, std::min(text.find('\0'), text.size()));
        std::size_t start = 0;
        for (std::size_t i = 0; i < text.size();) {
            const char c = text[i];
            if (c != '\r' && c != '\n') {
                ++i;
                continue;
            }
            f(text.substr(start, i - start));
            ++i;
            if (c == '\r' && i < text.size() && text[i] == '\n') {
                ++i;
            }
            start = i;
        }
        if (start < text.size()) {
            f(text.substr(start));
        }
    }

    // Nestable; the outermost EndUpdate reports one change if anything changed inside.
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();

    friend bool operator==(const TStringList& a, const TStringList& b) {
        return a.text_ == b.text_;
    }

protected:
    virtual void Changed() {}

private:
    void Notify();
    // Where line `index` starts in the text, and its length without the CR LF; false when
    // there is no such line.
    bool FindLine(int index, std::size_t& start, std::size_t& length) const;

    std::string text_;
    int updateCount_ = 0;
    bool pendingChange_ = false;
};
