#pragma once

// Aligned plain-text tables for the terminal: the `show` and `columns` commands.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/todo_item.h"
#include "model/todo_types.h"

class TTextTable {
public:
    void AddColumn(std::string caption, bool rightAligned = false);
    // Cells are byte strings in the system code page, one per column. AddCell adds the
    // next cell of the row being filled, AddRow a whole row.
    void AddCell(std::string_view bytes);
    // Room for `rows` rows of about `bytesPerRow` bytes, so that a long table is not moved
    // as it grows.
    void Reserve(std::size_t rows, std::size_t bytesPerRow);
    void AddRow(const std::vector<std::string>& cells);

    // The header, a rule of dashes, then the rows; columns two blanks apart and padded to
    // their widest cell by the characters' width on a terminal, no blanks at line ends.
    // Control characters in cells print as '?', so a list cannot send the terminal escape
    // sequences.
    std::string Render() const;

    // A table made in parts (on several threads), each a table with the same columns: the
    // widths of the columns over all of them, the captions included, and each part's lines
    // at those widths, the first part's with the header and rule before them.
    static std::vector<int> Widths(std::span<const TTextTable> parts);
    std::string Render(const std::vector<int>& widths, bool header) const;

private:
    struct TColumn {
        std::string Caption;
        bool RightAligned;
    };
    // A cell as it prints, within shown_, and its width on a terminal.
    struct TCell {
        std::size_t Offset;
        std::uint32_t Size;
        int Width;
    };
    std::vector<TColumn> columns_;
    // Every row's cells in one text, so a table of 100,000 rows is not a million strings.
    std::string shown_;
    std::vector<TCell> cells_;
    std::vector<int> widths_;  // the widest cell of each column so far
    std::size_t nextColumn_ = 0;
};

// Whether numbers of this kind are right-aligned in a table.
bool DataKindIsNumeric(TTodoData kind);

// The cells of a list as the list draws them: "MM/d/yyyy" dates, "N%" completion ("100%"
// when complete), "Nh" total time, the display texts of status and priority, "[x]" or
// "[ ]" for Complete, the first notes line. Keeps the texts it has made of the kinds whose
// text follows from one value (all but the texts), as a list repeats its days, states and
// numbers.
class TItemCellTexts {
public:
    // The bytes of the cell, valid until the next call.
    std::string_view Text(const TTodoItem& item, TTodoData kind);

private:
    std::string scratch_;
    std::array<std::unordered_map<std::uint64_t, std::string>, TodoDataCount> made_;
};

// One cell's text, as TItemCellTexts makes it.
std::string ItemCellText(const TTodoItem& item, TTodoData kind);

// The number of terminal cells a text takes (wide East Asian characters count two,
// combining marks none).
int DisplayWidth(const QString& text);
