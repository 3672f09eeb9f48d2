#include "cli/csv_io.h"

#include <limits>
#include <string_view>
#include <vector>

#include "cli/cli_errors.h"
#include "cli/item_fields.h"

namespace {

void AppendField(std::string& out, std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += field;
        return;
    }
    out += '"';
    for (const char c : field) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    out += '"';
}

std::string FieldText(const TTodoItem& item, TItemField field) {
    switch (field) {
        case ifComplete:
            return item.Complete() ? "true" : "false";
        case ifCompletion:
            return std::to_string(int(item.Completion()));
        case ifCompletionDate:
            return DateToText(item.CompletionDate());
        case ifCreationDate:
            return DateToText(item.CreationDate());
        case ifDueDate:
            return DateToText(item.DueDate());
        case ifImageIndex:
            return std::to_string(item.ImageIndex());
        case ifNotes:
            return item.Notes().Text();
        case ifPriority:
            return PriorityToText(item.Priority());
        case ifResource:
            return item.Resource();
        case ifStatus:
            return StatusToText(item.Status());
        case ifSubject:
            return item.Subject();
        case ifTag:
            return std::to_string(item.Tag());
        case ifTotalTime:
            return std::to_string(item.TotalTime());
        case ifProject:
            return item.Project();
    }
    return {};
}

// One record of the input and the line it starts on.
struct Record {
    std::vector<std::string> fields;
    int line = 0;
};

// Splits the input into records by RFC 4180, accepting LF alone as a line end too.
class CsvReader {
public:
    explicit CsvReader(std::string_view data) : data_(data) {
        if (data_.substr(0, 3) == "\xEF\xBB\xBF") {
            pos_ = 3;
        }
    }

    // False at the end of the input. Empty lines are skipped.
    bool Next(Record& record) {
        while (pos_ < data_.size() && (data_[pos_] == '\r' || data_[pos_] == '\n')) {
            SkipLineEnd();
        }
        if (pos_ >= data_.size()) {
            return false;
        }
        record.fields.clear();
        record.line = line_;
        for (;;) {
            record.fields.push_back(ReadField());
            if (pos_ >= data_.size()) {
                return true;
            }
            if (data_[pos_] == ',') {
                ++pos_;
                continue;
            }
            SkipLineEnd();
            return true;
        }
    }

private:
    [[noreturn]] void Fail(const QString& what) const {
        throw EImportError(QStringLiteral("line %1: %2").arg(line_).arg(what));
    }

    void SkipLineEnd() {
        if (data_[pos_] == '\r' && pos_ + 1 < data_.size() && data_[pos_ + 1] == '\n') {
            ++pos_;
        }
        ++pos_;
        ++line_;
    }

    std::string ReadField() {
        std::string field;
        if (pos_ < data_.size() && data_[pos_] == '"') {
            const int start = line_;
            ++pos_;
            for (;;) {
                if (pos_ >= data_.size()) {
                    line_ = start;
                    Fail(QStringLiteral("a quoted field is not closed"));
                }
                const char c = data_[pos_++];
                if (c == '"') {
                    if (pos_ < data_.size() && data_[pos_] == '"') {
                        field += '"';
                        ++pos_;
                        continue;
                    }
                    break;
                }
                if (c == '\n' || (c == '\r' && (pos_ >= data_.size() || data_[pos_] != '\n'))) {
                    ++line_;
                }
                field += c;
            }
            if (pos_ < data_.size() && data_[pos_] != ',' && data_[pos_] != '\r' &&
                data_[pos_] != '\n') {
                Fail(QStringLiteral("text after the closing quote of a field"));
            }
            return field;
        }
        const std::size_t start = pos_;
        while (pos_ < data_.size() && data_[pos_] != ',' && data_[pos_] != '\r' &&
               data_[pos_] != '\n') {
            if (data_[pos_] == '"') {
                Fail(QStringLiteral("a quote inside a field that does not start with one"));
            }
            ++pos_;
        }
        return std::string(data_.substr(start, pos_ - start));
    }

    std::string_view data_;
    std::size_t pos_ = 0;
    int line_ = 1;
};

class FieldReader {
public:
    FieldReader(const Record& record, int index, TItemField field)
        : record_(record), index_(index), field_(field) {}

    [[noreturn]] void Fail(const QString& what) const {
        throw EImportError(QStringLiteral("line %1 (item %2), column \"%3\": %4")
                               .arg(record_.line)
                               .arg(index_)
                               .arg(QLatin1String(ItemFieldName(field_)), what));
    }

    void Apply(const std::string& text, TTodoItem& item) const {
        constexpr long long kIntMin = std::numeric_limits<std::int32_t>::min();
        constexpr long long kIntMax = std::numeric_limits<std::int32_t>::max();
        // Texts may be empty; any other empty cell keeps the new-item value.
        switch (field_) {
            case ifResource:
                item.SetResource(text);
                return;
            case ifSubject:
                item.SetSubject(text);
                return;
            case ifProject:
                item.SetProject(text);
                return;
            case ifNotes:
                item.Notes().SetText(text);
                return;
            default:
                break;
        }
        if (text.empty()) {
            return;
        }
        switch (field_) {
            case ifComplete:
                item.SetComplete(Boolean(text));
                break;
            case ifCompletion:
                item.SetCompletion(TCompletion(Integer(text, 0, 255)));
                break;
            case ifCompletionDate:
                item.SetCompletionDate(Date(text));
                break;
            case ifCreationDate:
                item.SetCreationDate(Date(text));
                break;
            case ifDueDate:
                item.SetDueDate(Date(text));
                break;
            case ifImageIndex:
                item.SetImageIndex(std::int32_t(Integer(text, kIntMin, kIntMax)));
                break;
            case ifPriority:
                if (const auto value = PriorityFromText(text, true)) {
                    item.SetPriority(*value);
                } else {
                    Fail(QStringLiteral("expected a priority name or a number from 0 to 255"));
                }
                break;
            case ifStatus:
                if (const auto value = StatusFromText(text, true)) {
                    item.SetStatus(*value);
                } else {
                    Fail(QStringLiteral("expected a status name or a number from 0 to 255"));
                }
                break;
            case ifTag:
                item.SetTag(std::int32_t(Integer(text, kIntMin, kIntMax)));
                break;
            case ifTotalTime:
                item.SetTotalTime(std::int32_t(Integer(text, kIntMin, kIntMax)));
                break;
            default:
                break;
        }
    }

private:
    bool Boolean(const std::string& text) const {
        if (text == "true" || text == "TRUE" || text == "True" || text == "1") {
            return true;
        }
        if (text == "false" || text == "FALSE" || text == "False" || text == "0") {
            return false;
        }
        Fail(QStringLiteral("expected true or false"));
    }

    long long Integer(const std::string& text, long long low, long long high) const {
        if (const auto value = IntegerFromText(text, low, high)) {
            return *value;
        }
        Fail(QStringLiteral("expected a whole number from %1 to %2").arg(low).arg(high));
    }

    TDateTime Date(const std::string& text) const {
        if (const auto value = DateFromText(text)) {
            return *value;
        }
        Fail(QStringLiteral("expected a date such as 2024-05-01T09:30:00 or a day number"));
    }

    const Record& record_;
    int index_;
    TItemField field_;
};

}  // namespace

QByteArray ItemsToCsv(const TTodoItemCollection& items) {
    std::string out;
    for (int f = 0; f < ItemFieldCount; ++f) {
        if (f > 0) {
            out += ',';
        }
        out += ItemFieldName(TItemField(f));
    }
    out += "\r\n";
    for (const TTodoItem* item : items) {
        for (int f = 0; f < ItemFieldCount; ++f) {
            if (f > 0) {
                out += ',';
            }
            AppendField(out, FieldText(*item, TItemField(f)));
        }
        out += "\r\n";
    }
    return QByteArray(out.data(), qsizetype(out.size()));
}

void ItemsFromCsv(const QByteArray& csv, TTodoItemCollection& into) {
    CsvReader reader(std::string_view(csv.constData(), std::size_t(csv.size())));
    Record header;
    if (!reader.Next(header)) {
        throw EImportError(QStringLiteral("line 1: the header row of property names is missing"));
    }
    std::vector<TItemField> columns;
    for (const std::string& name : header.fields) {
        const auto field = ItemFieldFromName(name);
        if (!field) {
            throw EImportError(
                QStringLiteral("line %1: \"%2\" is not a property name")
                    .arg(header.line)
                    .arg(QString::fromLocal8Bit(name.data(), qsizetype(name.size()))));
        }
        if (std::find(columns.begin(), columns.end(), *field) != columns.end()) {
            throw EImportError(QStringLiteral("line %1: the column \"%2\" occurs twice")
                                   .arg(header.line)
                                   .arg(QLatin1String(ItemFieldName(*field))));
        }
        columns.push_back(*field);
    }

    TTodoItemCollection read;
    Record record;
    while (reader.Next(record)) {
        const int index = read.Count();
        if (record.fields.size() != columns.size()) {
            throw EImportError(
                QStringLiteral("line %1 (item %2): %3 fields where the header has %4")
                    .arg(record.line)
                    .arg(index)
                    .arg(record.fields.size())
                    .arg(columns.size()));
        }
        TTodoItem* item = read.Add();
        for (std::size_t c = 0; c < columns.size(); ++c) {
            FieldReader(record, index, columns[c]).Apply(record.fields[c], *item);
        }
    }
    into.TakeAll(read);
}
