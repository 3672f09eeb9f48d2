#pragma once

// An ordered list of byte-string lines, as the notes of an item and the memo editor hold
// them. Every change calls Changed(), which a subclass may use to notify its owner.

#include <string>
#include <string_view>
#include <vector>

class TStringList {
public:
    TStringList() = default;
    TStringList(std::initializer_list<std::string> lines) : lines_(lines) {}
    explicit TStringList(std::vector<std::string> lines) : lines_(std::move(lines)) {}
    TStringList(const TStringList& other) : lines_(other.lines_) {}
    TStringList& operator=(const TStringList& other);
    virtual ~TStringList() = default;

    int Count() const { return static_cast<int>(lines_.size()); }
    bool IsEmpty() const { return lines_.empty(); }
    // Throws EListError for an index outside 0..Count()-1.
    const std::string& Get(int index) const;
    const std::string& operator[](int index) const { return Get(index); }
    const std::vector<std::string>& Lines() const { return lines_; }

    void Add(std::string line);
    void Insert(int index, std::string line);
    void Put(int index, std::string line);
    void Delete(int index);
    void Clear();
    // Replaces all lines by those of the other list; one change notification.
    void Assign(const TStringList& other);

    // Exchanges the lines with another list without any change notification.
    void SwapLines(TStringList& other) { lines_.swap(other.lines_); }

    // All lines, each followed by CR LF, the last one too.
    std::string Text() const;
    // Splits at CR LF, a lone CR and a lone LF; a zero byte ends the text.
    void SetText(std::string_view text);
    static std::vector<std::string> SplitLines(std::string_view text);

    // Nestable; the outermost EndUpdate reports one change if anything changed inside.
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();

    friend bool operator==(const TStringList& a, const TStringList& b) {
        return a.lines_ == b.lines_;
    }

protected:
    virtual void Changed() {}

private:
    void Notify();

    std::vector<std::string> lines_;
    int updateCount_ = 0;
    bool pendingChange_ = false;
};
