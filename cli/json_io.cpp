#include "cli/json_io.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

#include "cli/cli_errors.h"
#include "cli/item_fields.h"

namespace {

using Json = nlohmann::json;
using OrderedJson = nlohmann::ordered_json;

constexpr auto kConverterFlags =
    QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;

// Text -----------------------------------------------------------------------------------

// The bytes as characters of their own number, for bytes that are not text.
std::string BytesAsLatin1(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else {
            out += char(0xC0 | (b >> 6));
            out += char(0x80 | (b & 0x3F));
        }
    }
    return out;
}

OrderedJson TextToJson(const std::string& bytes) {
    const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) {
        return bytes;
    }
    QStringDecoder decoder(QStringConverter::System, kConverterFlags);
    const QString text = decoder(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (!decoder.hasError()) {
        QStringEncoder encoder(QStringConverter::System, kConverterFlags);
        const QByteArray back = encoder(text);
        if (!encoder.hasError() && back == QByteArrayView(bytes.data(), qsizetype(bytes.size()))) {
            return text.toUtf8().toStdString();
        }
    }
    return OrderedJson{{"bytes", BytesAsLatin1(bytes)}};
}

// The value name, or the number for a value that has none.
OrderedJson EnumToJson(const char* name, int value) {
    return name ? OrderedJson(name) : OrderedJson(value);
}

OrderedJson DateToJson(TDateTime value) {
    if (std::isfinite(value)) {
        return value;
    }
    return DateToText(value);
}

OrderedJson ItemToJson(const TTodoItem& item) {
    OrderedJson notes = OrderedJson::array();
    for (const std::string& line : item.Notes().Lines()) {
        notes.push_back(TextToJson(line));
    }
    OrderedJson out = OrderedJson::object();
    out[ItemFieldName(ifComplete)] = item.Complete();
    out[ItemFieldName(ifCompletion)] = int(item.Completion());
    out[ItemFieldName(ifCompletionDate)] = DateToJson(item.CompletionDate());
    out[ItemFieldName(ifCreationDate)] = DateToJson(item.CreationDate());
    out[ItemFieldName(ifDueDate)] = DateToJson(item.DueDate());
    out[ItemFieldName(ifImageIndex)] = item.ImageIndex();
    out[ItemFieldName(ifNotes)] = std::move(notes);
    out[ItemFieldName(ifPriority)] = EnumToJson(TodoPriorityName(item.Priority()), item.Priority());
    out[ItemFieldName(ifResource)] = TextToJson(item.Resource());
    out[ItemFieldName(ifStatus)] = EnumToJson(TodoStatusName(item.Status()), item.Status());
    out[ItemFieldName(ifSubject)] = TextToJson(item.Subject());
    out[ItemFieldName(ifTag)] = item.Tag();
    out[ItemFieldName(ifTotalTime)] = item.TotalTime();
    out[ItemFieldName(ifProject)] = TextToJson(item.Project());
    return out;
}

// Reading ---------------------------------------------------------------------------------

class ItemReader {
public:
    ItemReader(int index, const std::string& key) : index_(index), key_(key) {}

    [[noreturn]] void Fail(const QString& what) const {
        throw EImportError(QStringLiteral("item %1, key \"%2\": %3")
                               .arg(index_)
                               .arg(QString::fromStdString(key_), what));
    }

    std::string Text(const Json& value) const {
        if (value.is_string()) {
            const auto& utf8 = value.get_ref<const std::string&>();
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
            std::string text = Text(line);
            // The file keeps notes as lines ended by CR LF and a zero byte ends them.
            if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
                Fail(QStringLiteral("line %1 holds a line break or a zero byte").arg(lines.size()));
            }
            lines.push_back(std::move(text));
        }
        return lines;
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
    const std::string& key_;
};

void ReadItem(const Json& object, int index, TTodoItem& item) {
    if (!object.is_object()) {
        throw EImportError(QStringLiteral("item %1 is not an object").arg(index));
    }
    for (const auto& [key, value] : object.items()) {
        const ItemReader read(index, key);
        const auto field = ItemFieldFromName(key);
        if (!field) {
            read.Fail(QStringLiteral("unknown key"));
        }
        if (value.is_null()) {
            continue;
        }
        constexpr long long kIntMin = std::numeric_limits<std::int32_t>::min();
        constexpr long long kIntMax = std::numeric_limits<std::int32_t>::max();
        switch (*field) {
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

}  // namespace

QByteArray ItemsToJson(const TTodoItemCollection& items) {
    OrderedJson list = OrderedJson::array();
    for (const TTodoItem* item : items) {
        list.push_back(ItemToJson(*item));
    }
    OrderedJson doc = OrderedJson::object();
    doc["items"] = std::move(list);
    std::string text = doc.dump(2);
    text += '\n';
    return QByteArray(text.data(), qsizetype(text.size()));
}

void ItemsFromJson(const QByteArray& json, TTodoItemCollection& into) {
    Json doc;
    try {
        doc = Json::parse(json.begin(), json.end());
    } catch (const Json::exception& error) {
        throw EImportError(QStringLiteral("not valid JSON: %1").arg(ParseErrorText(error)));
    }
    if (!doc.is_object() || !doc.contains("items") || !doc["items"].is_array()) {
        throw EImportError(QStringLiteral("expected an object with an \"items\" array"));
    }
    const Json& list = doc["items"];
    if (list.size() > std::size_t(std::numeric_limits<int>::max())) {
        throw EImportError(QStringLiteral("too many items"));
    }
    TTodoItemCollection read;
    read.Reserve(int(list.size()));
    try {
        int index = 0;
        for (const Json& object : list) {
            ReadItem(object, index, *read.Add());
            ++index;
        }
    } catch (const Json::exception& error) {
        // Every access is type-checked first; this only guards against surprises.
        throw EImportError(QStringLiteral("not a to-do list: %1").arg(ParseErrorText(error)));
    }
    into.TakeAll(read);
}
