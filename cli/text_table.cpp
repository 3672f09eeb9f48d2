#include "cli/text_table.h"

#include <QString>
#include <algorithm>
#include <bit>

#include "cli/item_fields.h"
#include "model/cell_text.h"
#include "model/todo_strings.h"

namespace {

QString CellString(std::string_view bytes) {
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

void TTextTable::AddCell(std::string_view bytes) {
    const std::size_t offset = shown_.size();
    int width;
    // Most cells are printable ASCII: one column a byte, no conversion.
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) {
        shown_.append(bytes);
        width = int(bytes.size());
    } else {
        const QString text = CellString(bytes);
        shown_.append(text.toLocal8Bit().toStdString());
        width = DisplayWidth(text);
    }
    // The column a cell is in, counted along rather than as a remainder for each cell.
    if (nextColumn_ >= widths_.size()) {
        widths_.resize(nextColumn_ + 1, 0);
    }
    widths_[nextColumn_] = std::max(widths_[nextColumn_], width);
    nextColumn_ = nextColumn_ + 1 >= columns_.size() ? 0 : nextColumn_ + 1;
    cells_.push_back({offset, std::uint32_t(shown_.size() - offset), width});
}

void TTextTable::Reserve(std::size_t rows, std::size_t bytesPerRow) {
    cells_.reserve(rows * columns_.size());
    shown_.reserve(rows * bytesPerRow);
}

void TTextTable::AddRow(const std::vector<std::string>& cells) {
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        AddCell(c < cells.size() ? std::string_view(cells[c]) : std::string_view());
    }
}

std::string TTextTable::Render() const {
    return Render(Widths(std::span<const TTextTable>(this, 1)), true);
}

std::vector<int> TTextTable::Widths(std::span<const TTextTable> parts) {
    if (parts.empty()) {
        return {};
    }
    const std::vector<TColumn>& columns = parts.front().columns_;
    const std::size_t n = columns.size();
    std::vector<int> widths(n, 0);
    TTextTable header;
    header.columns_ = columns;
    for (const TColumn& column : columns) {
        header.AddCell(column.Caption);
    }
    const auto widen = [&widths, n](const TTextTable& table) {
        for (std::size_t c = 0; c < table.widths_.size() && c < n; ++c) {
            widths[c] = std::max(widths[c], table.widths_[c]);
        }
    };
    widen(header);
    for (const TTextTable& part : parts) {
        widen(part);
    }
    return widths;
}

std::string TTextTable::Render(const std::vector<int>& widths, bool withHeader) const {
    const std::size_t n = columns_.size();
    if (n == 0) {
        return {};
    }
    TTextTable header;
    header.columns_ = columns_;
    for (const TColumn& column : columns_) {
        header.AddCell(column.Caption);
    }
    std::size_t lineWidth = 2 * (n - 1) + 1;
    for (const int width : widths) {
        lineWidth += std::size_t(width);
    }

    std::string out;
    out.reserve(header.shown_.size() + shown_.size() + (cells_.size() / n + 2) * lineWidth);
    const auto addLine = [&](const std::string& shown, const TCell* line) {
        const std::size_t start = out.size();
        for (std::size_t c = 0; c < n; ++c) {
            const std::size_t padding = std::size_t(widths[c] - line[c].Width);
            if (c > 0) {
                out.append(2, ' ');
            }
            if (columns_[c].RightAligned) {
                out.append(padding, ' ');
            }
            out.append(shown, line[c].Offset, line[c].Size);
            if (!columns_[c].RightAligned) {
                out.append(padding, ' ');
            }
        }
        std::size_t end = out.size();
        while (end > start && out[end - 1] == ' ') {
            --end;
        }
        out.resize(end);
        out += '\n';
    };
    if (withHeader) {
        addLine(header.shown_, header.cells_.data());
        for (std::size_t c = 0; c < n; ++c) {
            if (c > 0) {
                out.append(2, ' ');
            }
            out.append(std::size_t(widths[c]), '-');
        }
        out += '\n';
    }
    for (std::size_t row = 0; row + n <= cells_.size(); row += n) {
        addLine(shown_, &cells_[row]);
    }
    return out;
}

bool DataKindIsNumeric(TTodoData kind) {
    return kind == tdCompletion || kind == tdTotalTime || kind == tdImage;
}

namespace {

const TCellTextContext& ListTexts() {
    static const TCellTextContext texts = [] {
        static const TStatusStrings statuses;
        static const TPriorityStrings priorities;
        TCellTextContext context;
        context.StatusText = [](TTodoStatus status) { return statuses.GetString(status); };
        context.PriorityText = [](TTodoPriority priority) {
            return priorities.GetString(priority);
        };
        context.CheckTexts = true;
        context.ImageIndexTexts = true;
        return context;
    }();
    return texts;
}

}  // namespace

std::string_view TItemCellTexts::Text(const TTodoItem& item, TTodoData kind) {
    // Text fields are their bytes: the table converts what is not plain ASCII itself.
    if (const std::string* bytes = CellTextBytes(item, kind, ListTexts(), scratch_)) {
        return *bytes;
    }
    // The one value the text of each other kind follows from.
    std::uint64_t value;
    switch (kind) {
        case tdCompletion:
            value = item.Complete() ? 100 : item.Completion();
            break;
        case tdPriority:
            value = item.Priority();
            break;
        case tdStatus:
            value = item.Status();
            break;
        case tdComplete:
            value = item.Complete();
            break;
        case tdTotalTime:
            value = std::uint32_t(item.TotalTime());
            break;
        case tdImage:
            value = std::uint32_t(item.ImageIndex());
            break;
        case tdDueDate:
            value = std::bit_cast<std::uint64_t>(item.DueDate());
            break;
        case tdCompletionDate:
            value = std::bit_cast<std::uint64_t>(item.CompletionDate());
            break;
        case tdCreationDate:
            value = std::bit_cast<std::uint64_t>(item.CreationDate());
            break;
        default:
            scratch_ = CellText(item, kind, ListTexts()).toLocal8Bit().toStdString();
            return scratch_;
    }
    auto& made = made_[kind];
    if (const auto found = made.find(value); found != made.end()) {
        return found->second;
    }
    std::string text = CellText(item, kind, ListTexts()).toLocal8Bit().toStdString();
    // Times of day rarely repeat; the texts kept stay few either way.
    if (made.size() >= 4096) {
        scratch_ = std::move(text);
        return scratch_;
    }
    return made.emplace(value, std::move(text)).first->second;
}

std::string ItemCellText(const TTodoItem& item, TTodoData kind) {
    return std::string(TItemCellTexts().Text(item, kind));
}
