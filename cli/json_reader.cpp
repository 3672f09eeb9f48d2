#include "cli/json_io.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <utility>

#include "calendar/utf8_text.h"
#include "cli/chunked_import.h"
#include "cli/cli_errors.h"
#include "cli/item_fields.h"
#include "cli/item_stream.h"
#include "cli/json_chunk_reader.h"
#include "cli/json_quick_reader.h"

namespace {

using Json = nlohmann::json;

constexpr auto kConverterFlags =
    QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;

// Compared in place, in two words that may overlap: keys are short, and a call to memcmp
// costs more than the compare.
bool SameKey(std::string_view a, std::string_view b) {
    const std::size_t n = a.size();
    if (n != b.size()) {
        return false;
    }
    const auto same = [&a, &b]<typename T>(T, std::size_t at) {
        T x;
        T y;
        std::memcpy(&x, a.data() + at, sizeof x);
        std::memcpy(&y, b.data() + at, sizeof y);
        return x == y;
    };
    if (n >= 8 && n <= 16) {
        return same(std::uint64_t(), 0) && same(std::uint64_t(), n - 8);
    }
    if (n >= 4 && n < 8) {
        return same(std::uint32_t(), 0) && same(std::uint32_t(), n - 4);
    }
    return a == b;
}

// The file keeps notes as lines ended by CR LF and a zero byte ends them.
bool BreaksALine(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
}

// Reading ---------------------------------------------------------------------------------

class ItemReader {
public:
    ItemReader(int index, std::string_view key) : index_(index), key_(key) {}

    [[noreturn]] void Fail(const QString& what) const {
        throw EImportError(QStringLiteral("item %1, key \"%2\": %3")
                               .arg(index_)
                               .arg(QString::fromUtf8(key_.data(), qsizetype(key_.size())), what));
    }

    // A JSON string's UTF-8 as the bytes of the system code page.
    std::string TextOfString(const std::string& utf8) const {
        if (IsAscii(utf8)) {
            return utf8;
        }
        // A byte order mark at the start is part of the text, not a marker to drop.
        QStringDecoder decoder(QStringConverter::Utf8, kConverterFlags);
        QStringEncoder encoder(QStringConverter::System, kConverterFlags);
        const QByteArray bytes =
            encoder(decoder(QByteArrayView(utf8.data(), qsizetype(utf8.size()))));
        if (encoder.hasError()) {
            Fail(QStringLiteral("the text cannot be written in the system's code page"));
        }
        return bytes.toStdString();
    }

    std::string Text(const Json& value) const {
        if (value.is_string()) {
            return TextOfString(value.get_ref<const std::string&>());
        }
        if (value.is_object() && value.size() == 1 && value.contains("bytes") &&
            value["bytes"].is_string()) {
            return Latin1AsBytes(value["bytes"].get_ref<const std::string&>());
        }
        Fail(QStringLiteral("expected a text or {\"bytes\": text}"));
    }

    bool Boolean(const Json& value) const {
        if (!value.is_boolean()) {
            Fail(QStringLiteral("expected true or false"));
        }
        return value.get<bool>();
    }

    long long Integer(const Json& value, long long low, long long high) const {
        if (value.is_number_integer() && !value.is_number_unsigned()) {
            const auto v = value.get<std::int64_t>();
            if (v >= low && v <= high) {
                return v;
            }
        } else if (value.is_number_unsigned()) {
            const auto v = value.get<std::uint64_t>();
            if (v <= std::uint64_t(high)) {
                return static_cast<long long>(v);
            }
        }
        Fail(QStringLiteral("expected a whole number from %1 to %2").arg(low).arg(high));
    }

    TDateTime Date(const Json& value) const {
        if (value.is_number_float()) {
            return value.get<double>();
        }
        if (value.is_number_unsigned()) {
            return double(value.get<std::uint64_t>());
        }
        if (value.is_number_integer()) {
            return double(value.get<std::int64_t>());
        }
        if (value.is_string()) {
            if (const auto date = DateFromText(value.get_ref<const std::string&>())) {
                return *date;
            }
        }
        Fail(QStringLiteral("expected a day number or a date such as 2024-05-01T09:30:00"));
    }

    template <typename Enum>
    Enum Enumeration(const Json& value, std::optional<Enum> (*fromText)(std::string_view, bool),
                     const char* what) const {
        if (value.is_string()) {
            if (const auto v = fromText(value.get_ref<const std::string&>(), false)) {
                return *v;
            }
        } else if (value.is_number_integer()) {
            return static_cast<Enum>(Integer(value, 0, 255));
        }
        Fail(QStringLiteral("expected a %1 name or a number from 0 to 255")
                 .arg(QLatin1String(what)));
    }

    std::vector<std::string> Lines(const Json& value) const {
        if (!value.is_array()) {
            Fail(QStringLiteral("expected an array of lines"));
        }
        std::vector<std::string> lines;
        lines.reserve(value.size());
        for (const Json& line : value) {
            lines.push_back(Text(line));
            CheckLine(lines.back(), lines.size() - 1);
        }
        return lines;
    }

    void CheckLine(std::string_view text, std::size_t index) const {
        if (BreaksALine(text)) {
            Fail(QStringLiteral("line %1 holds a line break or a zero byte").arg(index));
        }
    }

private:
    std::string Latin1AsBytes(const std::string& utf8) const {
        std::string out;
        out.reserve(utf8.size());
        for (std::size_t i = 0; i < utf8.size(); ++i) {
            const auto b = static_cast<unsigned char>(utf8[i]);
            if (b < 0x80) {
                out += char(b);
            } else if ((b == 0xC2 || b == 0xC3) && i + 1 < utf8.size()) {
                const auto next = static_cast<unsigned char>(utf8[++i]);
                out += char(((b & 0x03) << 6) | (next & 0x3F));
            } else {
                Fail(QStringLiteral("\"bytes\" may only hold characters U+0000 to U+00FF"));
            }
        }
        return out;
    }

    int index_;
    std::string_view key_;
};

// Sets one property of an item from its JSON value; null leaves the new-item value.
void ApplyField(TItemField field, const Json& value, const ItemReader& read, TTodoItem& item) {
    {
        if (value.is_null()) {
            return;
        }
        constexpr long long kIntMin = std::numeric_limits<std::int32_t>::min();
        constexpr long long kIntMax = std::numeric_limits<std::int32_t>::max();
        switch (field) {
            case ifComplete:
                item.SetComplete(read.Boolean(value));
                break;
            case ifCompletion:
                item.SetCompletion(TCompletion(read.Integer(value, 0, 255)));
                break;
            case ifCompletionDate:
                item.SetCompletionDate(read.Date(value));
                break;
            case ifCreationDate:
                item.SetCreationDate(read.Date(value));
                break;
            case ifDueDate:
                item.SetDueDate(read.Date(value));
                break;
            case ifImageIndex:
                item.SetImageIndex(std::int32_t(read.Integer(value, kIntMin, kIntMax)));
                break;
            case ifNotes:
                item.SetNotes(TStringList(read.Lines(value)));
                break;
            case ifPriority:
                item.SetPriority(
                    read.Enumeration<TTodoPriority>(value, PriorityFromText, "priority"));
                break;
            case ifResource:
                item.SetResource(read.Text(value));
                break;
            case ifStatus:
                item.SetStatus(read.Enumeration<TTodoStatus>(value, StatusFromText, "status"));
                break;
            case ifSubject:
                item.SetSubject(read.Text(value));
                break;
            case ifTag:
                item.SetTag(std::int32_t(read.Integer(value, kIntMin, kIntMax)));
                break;
            case ifTotalTime:
                item.SetTotalTime(std::int32_t(read.Integer(value, kIntMin, kIntMax)));
                break;
            case ifProject:
                item.SetProject(read.Text(value));
                break;
        }
    }
}

QString ParseErrorText(const Json::exception& error) {
    // Drops the library's "[json.exception.parse_error.101] " prefix.
    QString text = QString::fromUtf8(error.what());
    const qsizetype close = text.indexOf(QLatin1String("] "));
    if (text.startsWith(QLatin1Char('[')) && close > 0) {
        text = text.mid(close + 2);
    }
    return text;
}

// Streaming --------------------------------------------------------------------------------

// The most nesting a document may have (a to-do list needs five levels) and the most bytes
// one token may take (a text of 65535 bytes written with escapes takes far less), so that
// neither a deeply nested nor a huge input costs more than a little memory.
constexpr int kMaxDepth = 64;
constexpr std::size_t kMaxToken = std::size_t(4) << 20;
// The most values one property may hold: the lines of the longest notes.
constexpr std::size_t kMaxValues = 65536;

// The input, pulled in blocks and handed to the parser byte by byte (as nlohmann's input
// adapters do). How far the input has gone since the last value ended is checked at each
// new block, so that a token longer than kMaxToken is refused having held not much more.
class TJsonInput {
public:
    using char_type = char;

    explicit TJsonInput(TReadBytes read) : read_(std::move(read)), buffer_(64 * 1024) {}

    std::char_traits<char>::int_type get_character() {
        if (pos_ < end_) [[likely]] {
            return static_cast<unsigned char>(buffer_[pos_++]);
        }
        return Refill();
    }

    // A value or a bracket has just ended.
    void Mark() { mark_ = Offset(); }
    std::uint64_t Offset() const { return offset_ + pos_; }

private:
    std::char_traits<char>::int_type Refill() {
        offset_ += end_;
        pos_ = end_ = 0;
        if (offset_ - mark_ > kMaxToken) {
            throw EImportError(
                QStringLiteral("not valid JSON: a token longer than %1 bytes at byte %2")
                    .arg(kMaxToken)
                    .arg(mark_));
        }
        end_ = atEnd_ ? 0 : read_(buffer_.data(), buffer_.size());
        atEnd_ = end_ == 0;
        if (atEnd_) {
            return std::char_traits<char>::eof();
        }
        return static_cast<unsigned char>(buffer_[pos_++]);
    }

    TReadBytes read_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::uint64_t offset_ = 0;
    std::uint64_t mark_ = 0;
    bool atEnd_ = false;
};

// What the parser holds: the input stays where the SAX handler sees it too.
class TJsonInputRef {
public:
    using char_type = char;
    explicit TJsonInputRef(TJsonInput& input) : input_(&input) {}
    std::char_traits<char>::int_type get_character() { return input_->get_character(); }

private:
    TJsonInput* input_;
};

// Takes the parser's events for {"items": [{...}, ...]}: each item object is read as its
// keys come, its property values handed to ApplyField; compound values (the notes, a
// {"bytes": ...} text) are put together first. Other keys of the top object are skipped.
class TItemsSax {
public:
    // `input` is the parser's, whose position the limits check; null for the quick reader,
    // which keeps to the limits itself.
    TItemsSax(TJsonInput* input, const std::function<void(TTodoItem& item)>& onItem)
        : input_(input), onItem_(onItem) {}

    bool null() { return Scalar(Json(nullptr)); }
    bool boolean(bool value) {
        if (InItemProperty() && *field_ == ifComplete) {
            item_->SetComplete(value);
            return true;
        }
        return Scalar(Json(value));
    }
    bool number_integer(std::int64_t value) { return Scalar(Json(value)); }
    bool number_unsigned(std::uint64_t value) {
        if (InItemProperty() && SetWholeNumber(value)) {
            return true;
        }
        return Scalar(Json(value));
    }
    bool number_float(double value, const std::string&) {
        if (InItemProperty() && SetDate(value)) {
            return true;
        }
        return Scalar(Json(value));
    }
    bool string(std::string& value) {
        if (InItemProperty() && SetText(value)) {
            return true;
        }
        if (inLines_) {
            Mark();
            Count();
            if (lineCount_ == lines_.size()) {
                lines_.emplace_back();
            }
            // A swap, so that both the reader's text and this line keep their memory.
            lines_[lineCount_++].swap(value);
            return true;
        }
        if (!building_.empty()) {
            return Scalar(Json(std::move(value)));
        }
        // Most strings are a property's whole value: one text reused for them all, swapped
        // with the reader's so that neither is copied nor made anew.
        text_.get_ref<std::string&>().swap(value);
        return Scalar(text_);
    }
    bool binary(Json::binary_t&) { return Scalar(Json()); }

    bool start_object(std::size_t) { return Open(true); }
    bool start_array(std::size_t) { return Open(false); }
    bool end_object() { return Close(); }
    bool end_array() { return Close(); }

    bool key(std::string& name) {
        Mark();
        if (!building_.empty()) {
            innerKey_ = name;
        } else if (skipDepth_ == 0 && state_ == kInTop) {
            valueIsItems_ = name == "items";
            if (valueIsItems_ && sawItems_) {
                throw EImportError(QStringLiteral("the key \"items\" occurs twice"));
            }
        } else if (skipDepth_ == 0 && state_ == kInItem) {
            // Items mostly have their keys in the order the export writes them.
            const auto next = TItemField(field_ ? (*field_ + 1) % ItemFieldCount : 0);
            field_ = SameKey(name, kItemFieldNames[next]) ? next : ItemFieldFromName(name);
            if (!field_) {
                ItemReader(index_, name).Fail(QStringLiteral("unknown key"));
            }
        }
        return true;
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& error) {
        throw EImportError(QStringLiteral("not valid JSON: %1").arg(ParseErrorText(error)));
    }

private:
    enum TState { kTop, kInTop, kInItems, kInItem, kDone };

    [[noreturn]] static void NotAList() {
        throw EImportError(QStringLiteral("expected an object with an \"items\" array"));
    }

    // The usual values of an item's properties are set straight away. Anything else,
    // including every value in error, goes through ApplyField and its messages.
    bool InItemProperty() {
        if (state_ != kInItem || !building_.empty() || inLines_) {
            return false;
        }
        Mark();
        return true;
    }

    bool SetWholeNumber(std::uint64_t value) {
        constexpr std::uint64_t kIntMax = std::numeric_limits<std::int32_t>::max();
        switch (*field_) {
            case ifCompletion:
                return value <= 255 && (item_->SetCompletion(TCompletion(value)), true);
            case ifImageIndex:
                return value <= kIntMax && (item_->SetImageIndex(std::int32_t(value)), true);
            case ifTag:
                return value <= kIntMax && (item_->SetTag(std::int32_t(value)), true);
            case ifTotalTime:
                return value <= kIntMax && (item_->SetTotalTime(std::int32_t(value)), true);
            default:
                return SetDate(double(value));
        }
    }

    bool SetDate(TDateTime value) {
        switch (*field_) {
            case ifCompletionDate:
                item_->SetCompletionDate(value);
                return true;
            case ifCreationDate:
                item_->SetCreationDate(value);
                return true;
            case ifDueDate:
                item_->SetDueDate(value);
                return true;
            default:
                return false;
        }
    }

    bool SetText(const std::string& value) {
        switch (*field_) {
            case ifPriority:
                if (const auto priority = PriorityFromText(value, false)) {
                    item_->SetPriority(*priority);
                    return true;
                }
                return false;
            case ifStatus:
                if (const auto status = StatusFromText(value, false)) {
                    item_->SetStatus(*status);
                    return true;
                }
                return false;
            case ifResource:
                return IsAscii(value) && (item_->SetResource(value), true);
            case ifSubject:
                return IsAscii(value) && (item_->SetSubject(value), true);
            case ifProject:
                return IsAscii(value) && (item_->SetProject(value), true);
            default:
                return false;
        }
    }

    bool Scalar(Json&& value) {
        LeaveLines();
        if (!building_.empty()) {
            Mark();
            Place(std::move(value));
            return true;
        }
        return Scalar(std::as_const(value));
    }
    bool Scalar(const Json& value) {
        Mark();
        if (!building_.empty()) {
            Place(Json(value));
        } else if (skipDepth_ > 0) {
        } else if (state_ == kInTop) {
            if (valueIsItems_) {
                NotAList();
            }
        } else if (state_ == kInItems) {
            NotAnItem();
        } else if (state_ == kInItem) {
            Apply(value);
        } else {
            NotAList();
        }
        return true;
    }

    bool Open(bool object) {
        LeaveLines();
        Mark();
        if (++depth_ > kMaxDepth) {
            throw EImportError(
                QStringLiteral("not valid JSON: nested more than %1 levels deep at byte %2")
                    .arg(kMaxDepth)
                    .arg(input_ ? input_->Offset() : 0));
        }
        if (!building_.empty()) {
            building_.push_back(Place(object ? Json::object() : Json::array()));
        } else if (skipDepth_ == 0 && state_ == kInItem) {
            values_ = 0;
            if (!object && *field_ == ifNotes) {
                inLines_ = true;
                lineCount_ = 0;
            } else {
                value_ = object ? Json::object() : Json::array();
                building_.push_back(&value_);
            }
        } else if (skipDepth_ > 0) {
            ++skipDepth_;
        } else if (state_ == kTop) {
            if (!object) {
                NotAList();
            }
            state_ = kInTop;
        } else if (state_ == kInTop) {
            if (valueIsItems_) {
                if (object) {
                    NotAList();
                }
                sawItems_ = true;
                state_ = kInItems;
            } else {
                skipDepth_ = 1;
            }
        } else if (state_ == kInItems) {
            if (!object) {
                NotAnItem();
            }
            if (index_ == std::numeric_limits<int>::max()) {
                throw EImportError(QStringLiteral("too many items"));
            }
            item_.emplace(nullptr);
            state_ = kInItem;
        }
        return true;
    }

    bool Close() {
        Mark();
        --depth_;
        if (inLines_) {
            ApplyLines();
        } else if (!building_.empty()) {
            building_.pop_back();
            if (building_.empty()) {
                Apply(value_);
                value_ = Json();
            }
        } else if (skipDepth_ > 0) {
            --skipDepth_;
        } else if (state_ == kInItem) {
            onItem_(*item_);
            item_.reset();
            ++index_;
            state_ = kInItems;
        } else if (state_ == kInItems) {
            state_ = kInTop;
        } else if (state_ == kInTop) {
            if (!sawItems_) {
                NotAList();
            }
            state_ = kDone;
        }
        return true;
    }

    void Count() {
        if (++values_ > kMaxValues) {
            ItemReader(index_, Key())
                .Fail(QStringLiteral("more than %1 values in one property").arg(kMaxValues));
        }
    }

    // Notes are mostly an array of strings, taken as they come without a JSON value for
    // each; anything else in the array turns them into the JSON value they would have been.
    void LeaveLines() {
        if (!inLines_) {
            return;
        }
        inLines_ = false;
        value_ = Json::array();
        for (std::size_t i = 0; i < lineCount_; ++i) {
            value_.push_back(std::move(lines_[i]));
        }
        building_.push_back(&value_);
    }

    void ApplyLines() {
        inLines_ = false;
        const ItemReader read(index_, Key());
        for (std::size_t i = 0; i < lineCount_; ++i) {
            if (!IsAscii(lines_[i])) {
                lines_[i] = read.TextOfString(lines_[i]);
            }
            read.CheckLine(lines_[i], i);
        }
        item_->SetNotes(TStringList(std::span<const std::string>(lines_.data(), lineCount_)));
    }

    // Adds a value to the compound value being put together.
    Json* Place(Json value) {
        Count();
        Json& into = *building_.back();
        if (into.is_array()) {
            into.push_back(std::move(value));
            return &into.back();
        }
        Json& slot = into[innerKey_];
        slot = std::move(value);
        return &slot;
    }

    void Apply(const Json& value) {
        const ItemReader read(index_, Key());
        try {
            ApplyField(*field_, value, read, *item_);
        } catch (const Json::exception& error) {
            // Every access is type-checked first; this only guards against surprises.
            throw EImportError(QStringLiteral("not a to-do list: %1").arg(ParseErrorText(error)));
        }
    }

    std::string_view Key() const { return kItemFieldNames[*field_]; }

    [[noreturn]] void NotAnItem() const {
        throw EImportError(QStringLiteral("item %1 is not an object").arg(index_));
    }

    void Mark() {
        if (input_) {
            input_->Mark();
        }
    }

    TJsonInput* input_;
    const std::function<void(TTodoItem& item)>& onItem_;
    TState state_ = kTop;
    int depth_ = 0;
    int skipDepth_ = 0;  // inside a value of the top object that is not "items"
    bool valueIsItems_ = false;
    bool sawItems_ = false;
    int index_ = 0;
    std::optional<TTodoItem> item_;    // in place: items are many, the heap is shared
    std::optional<TItemField> field_;  // the item's key whose value comes
    std::string innerKey_;             // a key inside that value
    Json text_ = Json::string_t();     // a string value being read
    Json value_;                       // a compound property value being put together
    std::vector<Json*> building_;      // its open arrays and objects
    bool inLines_ = false;             // in an array of notes holding only strings so far
    std::vector<std::string> lines_;
    std::size_t lineCount_ = 0;
    std::size_t values_ = 0;
};

// The quick reader stopped: the bytes are read again by the full parser.
struct TReadAgain {};

}  // namespace

bool ReadJsonItemsInChunks(TReadBytes read, const std::function<void(TTodoItem& item)>& onItem) {
    TJsonChunkMemory memory;
    TItemsSax sax(nullptr, onItem);
    return TChunkJsonReader<TItemsSax>(std::move(read), sax, kMaxDepth, memory).Run();
}

namespace {

// The items of the export's layout cut at the comma before an item's line: each chunk
// bracketed again as a list of its own.
class TJsonChunkLayout : public TChunkLayout {
public:
    std::size_t Head(std::string_view start) override {
        const std::size_t open = json_layout::Opening(start, itemStart_);
        return open == std::string_view::npos ? kNone : open + 1;
    }
    std::size_t LastCut(std::string_view bytes) const override {
        const std::size_t cut = json_layout::LastCut(bytes, itemStart_);
        return cut == std::string_view::npos ? kNone : cut;
    }
    bool Document(std::string_view head, std::string_view chunk, bool last,
                  std::string& into) const override {
        into.assign(head);
        // The comma before the chunk's first item, if it is not the list's first.
        into += chunk.substr(chunk.starts_with(',') ? 1 : 0);
        if (!last) {
            into += "]}";
        }
        return true;
    }

private:
    std::string itemStart_;
};

}  // namespace

bool ImportJsonInChunks(TReadBytes read, int helpers, TTodoFileWriter& list) {
    TJsonChunkLayout layout;
    return ImportInChunks(
        std::move(read), layout,
        []() -> TReadChunk {
            return [memory = std::make_shared<TJsonChunkMemory>()](
                       std::string_view document, std::size_t,
                       const std::function<void(TTodoItem & item)>& onItem) {
                TItemsSax sax(nullptr, onItem);
                return TChunkJsonReader<TItemsSax>(ReadFromMemory(document), sax, kMaxDepth,
                                                   *memory)
                    .Run();
            };
        },
        helpers, list);
}

bool ReadJsonItemsQuickly(TReadBytes read, const std::function<void(TTodoItem& item)>& onItem) {
    TItemsSax sax(nullptr, onItem);
    return TQuickJsonReader<TItemsSax>(std::move(read), sax, kMaxDepth, kMaxToken).Run();
}

void ReadJsonItems(TReadBytes read, const std::function<void(TTodoItem& item)>& onItem) {
    TJsonInput input(std::move(read));
    TItemsSax sax(&input, onItem);
    // nlohmann's parser on an input of its adapter kind: sax_parse itself takes only
    // iterators, streams and buffers.
    nlohmann::detail::parser<Json, TJsonInputRef>(TJsonInputRef(input), nullptr, true, false)
        .sax_parse(&sax, true);
}

void ItemsFromJson(const QByteArray& json, TTodoItemCollection& into) {
    // The quickest reader that takes the whole document, each next one from the start.
    for (const auto reader : {ReadJsonItemsInChunks, ReadJsonItemsQuickly}) {
        try {
            ReadItemsFromBytes(
                [reader](TReadBytes read, const std::function<void(TTodoItem & item)>& onItem) {
                    if (!reader(std::move(read), onItem)) {
                        throw TReadAgain();
                    }
                },
                json, into);
            return;
        } catch (const TReadAgain&) {
        }
    }
    ReadItemsFromBytes(ReadJsonItems, json, into);
}
