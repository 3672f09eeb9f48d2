#pragma once

// Aligned plain-text tables for the terminal: the `show` and `columns` commands.

#include <string>
#include <vector>

#include "model/todo_item.h"
#include "model/todo_types.h"

class TTextTable {
public:
    void AddColumn(std::string caption, bool rightAligned = false);
    // Cells are byte strings in the system code page, one per column.
    void AddRow(std::vector<std::string> cells);

    // The header, a rule of dashes, then the rows; columns two blanks apart and padded to
    // their widest cell by the characters' width on a terminal, no blanks at line ends.
    // Control characters in cells print as '?', so a list cannot send the terminal escape
    // sequences.
    std::string Render() const;

private:
    struct Column {
        std::string caption;
        bool rightAligned;
    };
    std::vector<Column> columns_;
    std::vector<std::vector<std::string>> rows_;
};

// Whether numbers of this kind are right-aligned in a table.
bool DataKindIsNumeric(TTodoData kind);

// A cell as the list draws it: "MM/d/yyyy" dates, "N%" completion ("100%" when complete),
// "Nh" total time, the display texts of status and priority, "[x]" or "[ ]" for Complete,
// the first notes line.
std::string ItemCellText(const TTodoItem& item, TTodoData kind);

// The number of terminal cells a text takes (wide East Asian characters count two,
// combining marks none).
int DisplayWidth(const QString& text);
