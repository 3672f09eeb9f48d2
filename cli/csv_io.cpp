#include "cli/csv_io.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "cli/chunked_import.h"
#include "cli/cli_errors.h"
#include "cli/item_fields.h"
#include "cli/item_stream.h"

namespace {

// Whether a field needs quotes: it holds a comma, a quote or a line break. Eight bytes at
// a time, as fields are mostly long runs of plain text.
bool NeedsQuotes(std::string_view field) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
    const auto has = [](std::uint64_t x, char c) {
        const std::uint64_t v = x ^ (kOnes * static_cast<unsigned char>(c));
        return ((v - kOnes) & ~v & kHighs) != 0;
    };
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= field.size(); i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(field.data() + i));
        const __m128i odd = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8(',')),
                                                      _mm_cmpeq_epi8(x, _mm_set1_epi8('"'))),
                                         _mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8('\r')),
                                                      _mm_cmpeq_epi8(x, _mm_set1_epi8('\n'))));
        if (_mm_movemask_epi8(odd) != 0) {
            return true;
        }
    }
#endif
    for (; i + 8 <= field.size(); i += 8) {
        std::uint64_t x;
        std::memcpy(&x, field.data() + i, sizeof x);
        if (has(x, ',') || has(x, '"') || has(x, '\r') || has(x, '\n')) {
            return true;
        }
    }
    for (; i < field.size(); ++i) {
        const char c = field[i];
        if (c == ',' || c == '"' || c == '\r' || c == '\n') {
            return true;
        }
    }
    return false;
}

void AppendField(std::string& out, std::string_view field) {
    if (!NeedsQuotes(field)) {
        out += field;
        return;
    }
    // Quoted, each quote doubled.
    out += '"';
    for (std::size_t quote; (quote = field.find('"')) != std::string_view::npos;) {
        out.append(field.data(), quote + 1);
        out += '"';
        field.remove_prefix(quote + 1);
    }
    out += field;
    out += '"';
}

// Appends one property of an item as its field, texts straight from the item.
void AppendItemField(std::string& out, const TTodoItem& item, TItemField field) {
    const auto number = [&out](long long value) {
        char text[24];
        const char* end = std::to_chars(text, text + sizeof text, value).ptr;
        out.append(text, std::size_t(end - text));
    };
    switch (field) {
        case ifComplete:
            out += item.Complete() ? "true" : "false";
            return;
        case ifCompletion:
            return number(item.Completion());
        case ifCompletionDate:
            return AppendDateText(out, item.CompletionDate());  // no commas, quotes or breaks
        case ifCreationDate:
            return AppendDateText(out, item.CreationDate());
        case ifDueDate:
            return AppendDateText(out, item.DueDate());
        case ifImageIndex:
            return number(item.ImageIndex());
        case ifNotes:
            return AppendField(out, item.Notes().Text());
        case ifPriority:
            return AppendField(out, PriorityToText(item.Priority()));
        case ifResource:
            return AppendField(out, item.Resource());
        case ifStatus:
            return AppendField(out, StatusToText(item.Status()));
        case ifSubject:
            return AppendField(out, item.Subject());
        case ifTag:
            return number(item.Tag());
        case ifTotalTime:
            return number(item.TotalTime());
        case ifProject:
            return AppendField(out, item.Project());
    }
}

// One record of the input and the line it starts on.
struct Record {
    std::vector<std::string> fields;
    int line = 0;
};

// Splits the input into records by RFC 4180, accepting LF alone as a line end too, reading
// the input a block at a time. A field is at most kMaxField bytes and only the first
// kMaxFields fields of a record are kept (the rest are counted), so that a huge input
// without line ends costs no more than that.
class CsvReader {
public:
    static constexpr std::size_t kMaxField = std::size_t(4) << 20;
    static constexpr std::size_t kMaxFields = 64;

    explicit CsvReader(TReadBytes read) : read_(std::move(read)), buffer_(64 * 1024) {
        // A byte order mark before the header is skipped.
        while (end_ < 3 && !atEnd_) {
            const std::size_t n = read_(buffer_.data() + end_, buffer_.size() - end_);
            atEnd_ = n == 0;
            end_ += n;
        }
        if (end_ >= 3 && std::string_view(buffer_.data(), 3) == "\xEF\xBB\xBF") {
            pos_ = 3;
        }
    }

    // False at the end of the input. Empty lines are skipped. `count` receives the number
    // of fields, of which the first kMaxFields are in `record`.
    bool Next(Record& record, std::size_t& count) {
        while (Peek() == '\r' || Peek() == '\n') {
            SkipLineEnd();
        }
        if (Peek() < 0) {
            return false;
        }
        record.line = line_;
        count = 0;
        for (;;) {
            if (count == record.fields.size() && count <= kMaxFields) {
                record.fields.emplace_back();
            }
            std::string& field = record.fields[std::min(count, kMaxFields)];
            field.clear();
            ReadField(field);
            ++count;
            const int c = Peek();
            if (c == ',') {
                Take();
                continue;
            }
            record.fields.resize(std::min(count, kMaxFields));
            if (c >= 0) {
                SkipLineEnd();
            }
            return true;
        }
    }

private:
    [[noreturn]] void Fail(const QString& what) const {
        throw EImportError(QStringLiteral("line %1: %2").arg(line_).arg(what));
    }

    // The next byte without taking it, -1 at the end of the input.
    int Peek() {
        if (pos_ == end_) {
            pos_ = 0;
            end_ = atEnd_ ? 0 : read_(buffer_.data(), buffer_.size());
            atEnd_ = end_ == 0;
            if (atEnd_) {
                return -1;
            }
        }
        return static_cast<unsigned char>(buffer_[pos_]);
    }
    void Take() { ++pos_; }

    void SkipLineEnd() {
        if (Peek() == '\r') {
            Take();
            if (Peek() != '\n') {
                ++line_;
                return;
            }
        }
        Take();
        ++line_;
    }

    void Append(std::string& field, char c) const {
        if (field.size() >= kMaxField) {
            Fail(QStringLiteral("a field is longer than %1 bytes").arg(kMaxField));
        }
        field += c;
    }

    void ReadField(std::string& field) {
        if (Peek() == '"') {
            Take();
            const int start = line_;
            for (;;) {
                const int c = Peek();
                if (c < 0) {
                    line_ = start;
                    Fail(QStringLiteral("a quoted field is not closed"));
                }
                Take();
                if (c == '"') {
                    if (Peek() == '"') {
                        Append(field, '"');
                        Take();
                        continue;
                    }
                    break;
                }
                if (c == '\n' || (c == '\r' && Peek() != '\n')) {
                    ++line_;
                }
                Append(field, char(c));
            }
            const int next = Peek();
            if (next >= 0 && next != ',' && next != '\r' && next != '\n') {
                Fail(QStringLiteral("text after the closing quote of a field"));
            }
            return;
        }
        for (;;) {
            // The bytes up to the next special one at once.
            std::size_t run = pos_;
            while (run < end_ && buffer_[run] != ',' && buffer_[run] != '\r' &&
                   buffer_[run] != '\n' && buffer_[run] != '"') {
                ++run;
            }
            if (field.size() + (run - pos_) > kMaxField) {
                Fail(QStringLiteral("a field is longer than %1 bytes").arg(kMaxField));
            }
            field.append(buffer_.data() + pos_, run - pos_);
            pos_ = run;
            const int c = Peek();
            if (c < 0 || c == ',' || c == '\r' || c == '\n') {
                return;
            }
            if (c == '"') {
                Fail(QStringLiteral("a quote inside a field that does not start with one"));
            }
        }
    }

    TReadBytes read_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool atEnd_ = false;
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

TCsvWriter::TCsvWriter(std::ostream& out, int helpers)
    : out_(out),
      items_(
          helpers,
          [] {
              return [](const TTodoItem& item, TItemTexts& into) {
                  for (int f = 0; f < ItemFieldCount; ++f) {
                      if (f > 0) {
                          into.text += ',';
                      }
                      AppendItemField(into.text, item, TItemField(f));
                  }
                  into.text += "\r\n";
              };
          },
          [this](const TItemTexts& texts) { out_.Write(texts.text); }) {
    std::string& text = out_.Text();
    for (int f = 0; f < ItemFieldCount; ++f) {
        if (f > 0) {
            text += ',';
        }
        text += ItemFieldName(TItemField(f));
    }
    text += "\r\n";
}

void TCsvWriter::Add(const TTodoItem& item) {
    items_.Add(item);
}

void TCsvWriter::Take(TTodoItem& item) {
    items_.Take(item);
}

void TCsvWriter::Finish() {
    items_.Finish();
    out_.Finish();
}

QByteArray ItemsToCsv(const TTodoItemCollection& items) {
    return WriteItemsToBytes<TCsvWriter>(items);
}

void ReadCsvItems(TReadBytes read, const std::function<void(TTodoItem& item)>& onItem) {
    CsvReader reader(std::move(read));
    Record header;
    std::size_t count = 0;
    if (!reader.Next(header, count)) {
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

    Record record;
    int index = 0;
    while (reader.Next(record, count)) {
        if (count != columns.size()) {
            throw EImportError(
                QStringLiteral("line %1 (item %2): %3 fields where the header has %4")
                    .arg(record.line)
                    .arg(index)
                    .arg(count)
                    .arg(columns.size()));
        }
        if (index == std::numeric_limits<int>::max()) {
            throw EImportError(QStringLiteral("line %1: too many items").arg(record.line));
        }
        TTodoItem item(nullptr);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            FieldReader(record, index, columns[c]).Apply(record.fields[c], item);
        }
        onItem(item);
        ++index;
    }
}

void ItemsFromCsv(const QByteArray& csv, TTodoItemCollection& into) {
    ReadItemsFromBytes(ReadCsvItems, csv, into);
}

namespace {

// Records cut at a line end with an even number of quotes before it in the chunk: outside
// a quoted field, as a quote within one is doubled and one anywhere else is an error the
// reader reports. Every chunk gets the header line.
class TCsvChunkLayout : public TChunkLayout {
public:
    std::size_t Head(std::string_view start) override {
        std::size_t at = start.starts_with("\xEF\xBB\xBF") ? 3 : 0;
        if (at == start.size() || start[at] == '\r' || start[at] == '\n') {
            return kNone;
        }
        bool quoted = false;
        for (; at < start.size(); ++at) {
            const char c = start[at];
            if (c == '"') {
                quoted = !quoted;
            } else if (!quoted && c == '\n') {
                return at + 1;
            } else if (!quoted && c == '\r' && (at + 1 == start.size() || start[at + 1] != '\n')) {
                return kNone;  // a CR alone ends the header too: more than one line would go
            }
        }
        return kNone;
    }
    std::size_t LastCut(std::string_view bytes) const override {
        std::size_t end = bytes.rfind('\n');
        if (end == std::string_view::npos) {
            return kNone;
        }
        const auto quotes = [&bytes](std::size_t from, std::size_t to) {
            return std::size_t(std::count(bytes.begin() + std::ptrdiff_t(from),
                                          bytes.begin() + std::ptrdiff_t(to), '"'));
        };
        for (std::size_t before = quotes(0, end); before % 2 != 0;) {
            const std::size_t earlier =
                end == 0 ? std::string_view::npos : bytes.rfind('\n', end - 1);
            if (earlier == std::string_view::npos) {
                return kNone;
            }
            before -= quotes(earlier, end);
            end = earlier;
        }
        return end + 1;
    }
    bool Document(std::string_view head, std::string_view chunk, bool,
                  std::string& into) const override {
        into.assign(head);
        into += chunk;
        return true;
    }
};

}  // namespace

bool ImportCsvInChunks(TReadBytes read, int helpers, TTodoFileWriter& list) {
    TCsvChunkLayout layout;
    return ImportInChunks(
        std::move(read), layout,
        []() -> TReadChunk {
            return [](std::string_view document, std::size_t,
                      const std::function<void(TTodoItem & item)>& onItem) {
                ReadCsvItems(ReadFromMemory(document), onItem);
                return true;
            };
        },
        helpers, list);
}
