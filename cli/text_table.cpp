#include "cli/text_table.h"

#include <QString>
#include <algorithm>

#include "cli/item_fields.h"
#include "model/cell_text.h"
#include "model/todo_strings.h"

namespace {

QString CellString(const std::string& bytes) {
    QString text = QString::fromLocal8Bit(bytes.data(), qsizetype(bytes.size()));
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control) {
            c = QLatin1Char('?');
        }
    }
    return text;
}

bool IsWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
           (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
           (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
}

}  // namespace

int DisplayWidth(const QString& text) {
    int width = 0;
    for (const char32_t c : text.toUcs4()) {
        const auto category = QChar::category(c);
        if (category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing ||
            category == QChar::Other_Format) {
            continue;
        }
        width += IsWide(c) ? 2 : 1;
    }
    return width;
}

void TTextTable::AddColumn(std::string caption, bool rightAligned) {
    columns_.push_back({std::move(caption), rightAligned});
}

void TTextTable::AddRow(std::vector<std::string> cells) {
    cells.resize(columns_.size());
    rows_.push_back(std::move(cells));
}

namespace {

// A cell as it is printed (control characters shown as '?') and its width in columns.
struct TShownCell {
    std::string Text;
    int Width = 0;
};

TShownCell ShownCell(const std::string& bytes) {
    // Most cells are printable ASCII: one column a byte, no conversion.
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) {
        return {bytes, int(bytes.size())};
    }
    const QString text = CellString(bytes);
    return {text.toLocal8Bit().toStdString(), DisplayWidth(text)};
}

}  // namespace

std::string TTextTable::Render() const {
    const std::size_t n = columns_.size();
    std::vector<std::vector<TShownCell>> lines;
    lines.reserve(rows_.size() + 2);
    std::vector<TShownCell> header;
    for (const Column& column : columns_) {
        header.push_back(ShownCell(column.caption));
    }
    lines.push_back(std::move(header));
    for (const auto& row : rows_) {
        std::vector<TShownCell> cells;
        cells.reserve(n);
        for (const std::string& cell : row) {
            cells.push_back(ShownCell(cell));
        }
        lines.push_back(std::move(cells));
    }
    std::vector<int> widths(n, 0);
    for (const auto& line : lines) {
        for (std::size_t c = 0; c < n; ++c) {
            widths[c] = std::max(widths[c], line[c].Width);
        }
    }
    std::vector<TShownCell> rule;
    for (std::size_t c = 0; c < n; ++c) {
        rule.push_back({std::string(std::size_t(widths[c]), '-'), widths[c]});
    }
    lines.insert(lines.begin() + 1, std::move(rule));

    std::string out;
    for (const auto& line : lines) {
        const std::size_t start = out.size();
        for (std::size_t c = 0; c < n; ++c) {
            const std::size_t padding = std::size_t(widths[c] - line[c].Width);
            if (c > 0) {
                out += "  ";
            }
            if (columns_[c].rightAligned) {
                out.append(padding, ' ');
                out += line[c].Text;
            } else {
                out += line[c].Text;
                out.append(padding, ' ');
            }
        }
        while (out.size() > start && out.back() == ' ') {
            out.pop_back();
        }
        out += '\n';
    }
    return out;
}

bool DataKindIsNumeric(TTodoData kind) {
    return kind == tdCompletion || kind == tdTotalTime || kind == tdImage;
}

std::string ItemCellText(const TTodoItem& item, TTodoData kind) {
    static const TCellTextContext texts = [] {
        TCellTextContext context;
        context.StatusText = [](TTodoStatus status) { return TStatusStrings().GetString(status); };
        context.PriorityText = [](TTodoPriority priority) {
            return TPriorityStrings().GetString(priority);
        };
        context.CheckTexts = true;
        context.ImageIndexTexts = true;
        return context;
    }();
    return CellText(item, kind, texts).toLocal8Bit().toStdString();
}
