#pragma once

// Writing iCalendar content lines: TEXT escaping and folding.
//
// Folding follows libical 3.0, which wrote Pellmark's iCalendar before, so that the export
// keeps its bytes: a line (with its CR LF counted) of 75 octets or more is broken after
// the last ';', ':' or blank among its first 74 octets, or failing that before the last
// character that starts within them (never inside a UTF-8 sequence), and the next line
// starts with a blank. One fault of libical is mended: where its rule would break between
// the final CR and LF (73 octets left with no place to break), the rest stays on the line.

#include <string>
#include <string_view>

// Appends `line` (unfolded, without a line end) folded, with CR LF after it.
void AppendFoldedLine(std::string& out, std::string_view line);

// Ends the content line written unfolded from `start` to the end of `out`: folds it as
// AppendFoldedLine does and adds CR LF. Most lines are short and stay where they are.
void FoldContentLine(std::string& out, std::size_t start);
inline void EndContentLine(std::string& out, std::size_t start) {
    if (out.size() - start + 2 < 75) {
        out.append("\r\n", 2);
    } else {
        FoldContentLine(out, start);
    }
}

// The length of the start of `text` that is printable ASCII without \ ; and ,: the bytes
// a TEXT value holds as they are.
std::size_t PlainTextLength(std::string_view text);

// Appends `text` as an escaped TEXT value: \ ; , become \\ \; \, and a line break \n.
// The text should hold no other control characters than tabs and line breaks.
void AppendEscapedText(std::string& out, std::string_view text);
