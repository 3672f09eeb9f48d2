#pragma once

// One iCalendar content line (RFC 5545, 3.1) after unfolding: NAME *(;PARAM=VALUE) :VALUE.
// The parts are views into the text the line was parsed from; the name and the parameter
// names are in upper case, as iCalendar names are case-insensitive.

#include <string>
#include <string_view>
#include <vector>

struct TParameter {
    std::string_view Name;
    // The value as written, without the quotes of a quoted value. A list of values
    // (MEMBER="a","b") stays one text.
    std::string_view Value;
};

struct TContentLine {
    std::string_view Name;
    std::vector<TParameter> Parameters;
    std::string_view Value;  // still escaped, as in the input
    int Number = 0;          // the line of the input where it begins, from 1

    // The value of the first parameter of that (upper-case) name, or nullptr.
    const std::string_view* Parameter(std::string_view name) const;
    bool Is(std::string_view name) const { return Name == name; }
};

// Splits the `size` bytes at `text` (one unfolded line without its line end) into `line`,
// whose views then point into the text; the name and parameter names are changed to upper
// case in the text itself. Raises ECalendarError naming line `number` for a line that is
// no content line.
void ParseContentLine(char* text, std::size_t size, int number, TContentLine& line);
inline void ParseContentLine(std::string& text, int number, TContentLine& line) {
    ParseContentLine(text.data(), text.size(), number, line);
}

// The text of an escaped TEXT value: \\ \; \, and \n or \N become \ ; , and `lineBreak`;
// a backslash before any other character stays as it is.
void UnescapeText(std::string_view value, std::string& out, std::string_view lineBreak = "\n");
// The values of a comma-separated TEXT list (CATEGORIES), each unescaped; empty values are
// left out.
std::vector<std::string> SplitTextList(std::string_view value);
