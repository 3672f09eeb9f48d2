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

std::string TTextTable::Render() const {
    const std::size_t n = columns_.size();
    std::vector<std::vector<QString>> lines;
    lines.reserve(rows_.size() + 1);
    std::vector<QString> header;
    for (const Column& column : columns_) {
        header.push_back(CellString(column.caption));
    }
    lines.push_back(std::move(header));
    for (const auto& row : rows_) {
        std::vector<QString> cells;
        for (const std::string& cell : row) {
            cells.push_back(CellString(cell));
        }
        lines.push_back(std::move(cells));
    }
    std::vector<int> widths(n, 0);
    for (const auto& line : lines) {
        for (std::size_t c = 0; c < n; ++c) {
            widths[c] = std::max(widths[c], DisplayWidth(line[c]));
        }
    }
    std::vector<QString> rule;
    for (std::size_t c = 0; c < n; ++c) {
        rule.push_back(QString(widths[c], QLatin1Char('-')));
    }
    lines.insert(lines.begin() + 1, std::move(rule));

    std::string out;
    for (const auto& line : lines) {
        QString text;
        for (std::size_t c = 0; c < n; ++c) {
            const QString padding(widths[c] - DisplayWidth(line[c]), QLatin1Char(' '));
            if (c > 0) {
                text += QLatin1String("  ");
            }
            text += columns_[c].rightAligned ? padding + line[c] : line[c] + padding;
        }
        while (text.endsWith(QLatin1Char(' '))) {
            text.chop(1);
        }
        out += text.toLocal8Bit().toStdString();
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
