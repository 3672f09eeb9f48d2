#pragma once

// Reads iCalendar text one content line at a time from a source of bytes, without holding
// more than one line: unfolds (a line end, CR LF or LF alone, followed by a blank or a tab
// continues the line), skips empty lines and a UTF-8 byte order mark, and gives each line
// the number of the input line where it begins.
//
// Refused with ECalendarError naming the line: a line longer than MaxContentLineLength once
// unfolded (so a huge unbroken input costs no more memory than that), bytes that are not
// UTF-8, a zero byte, and anything ParseContentLine refuses.

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "calendar/content_line.h"

// Fills `into` with up to `size` bytes and returns how many; 0 only at the end of the
// input. May throw (a read error of the file).
using TReadBytes = std::function<std::size_t(char* into, std::size_t size)>;

TReadBytes ReadFromStream(std::istream& in);
// The bytes must outlive the reader.
TReadBytes ReadFromMemory(std::string_view bytes);

// 4 MiB: far more than the longest line Pellmark writes (a 65535-byte text, escaped).
inline constexpr std::size_t MaxContentLineLength = std::size_t(4) << 20;

class TLineReader {
public:
    // With keepRaw, Raw() gives each line's bytes as they stood in the input.
    explicit TLineReader(TReadBytes read, bool keepRaw = false);

    // The next content line, or false at the end of the input. The views of `line` stay
    // valid until the next call.
    bool Next(TContentLine& line);
    // The number the next line would get: one past the last line of the input at the end.
    int LineNumber() const { return physicalLine_; }
    // The last content line unfolded, its name and parameter names in upper case; valid
    // until the next call.
    std::string_view Text() const { return current_; }
    // The folded lines of the last content line with their line ends (keepRaw only).
    const std::string& Raw() const { return raw_; }

private:
    // Appends the rest of the current input line without its line end to text_; false at
    // the end of the input when there was nothing left.
    bool ReadInputLine();
    // The next byte without taking it; -1 at the end of the input.
    int Peek();
    bool Fill();
    // Refuses a line too long, and one that is not `plain` (ASCII without a zero byte)
    // unless it is UTF-8 without a zero byte.
    void Check(std::string_view text, int number, bool plain) const;

    TReadBytes read_;
    bool keepRaw_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool atEnd_ = false;
    bool started_ = false;
    int physicalLine_ = 1;
    int lineStart_ = 1;
    std::string text_;  // a line that had to be put together
    std::string_view current_;
    std::string raw_;
};
