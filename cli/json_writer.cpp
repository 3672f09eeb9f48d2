#include "cli/json_io.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <nlohmann/json.hpp>

#include "calendar/utf8_text.h"
#include "cli/item_fields.h"
#include "cli/item_stream.h"

namespace {

constexpr auto kConverterFlags =
    QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;

// The bytes as characters of their own number, for bytes that are not text.
std::string BytesAsLatin1(std::string_view bytes) {
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

// A JSON string of UTF-8 text, escaped as nlohmann's dump escapes it: the quote, the
// backslash and the control characters, the short forms where there are any.
void AppendString(std::string& out, std::string_view utf8) {
    out += '"';
    std::size_t run = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0x20 && c != '"' && c != '\\') {
            continue;
        }
        out.append(utf8.data() + run, i - run);
        run = i + 1;
        out += '\\';
        switch (c) {
            case '"':
            case '\\':
                out += char(c);
                break;
            case '\b':
                out += 'b';
                break;
            case '\t':
                out += 't';
                break;
            case '\n':
                out += 'n';
                break;
            case '\f':
                out += 'f';
                break;
            case '\r':
                out += 'r';
                break;
            default: {
                static constexpr char kHex[] = "0123456789abcdef";
                out += "u00";
                out += kHex[c >> 4];
                out += kHex[c & 15];
            }
        }
    }
    out.append(utf8.data() + run, utf8.size() - run);
    out += '"';
}

// A text: the string when the bytes are text in the system code page, else {"bytes": ...}
// with its lines indented as a value at `indent` blanks.
void AppendText(std::string& out, std::string_view bytes, int indent) {
    if (IsAscii(bytes)) {
        AppendString(out, bytes);
        return;
    }
    QStringDecoder decoder(QStringConverter::System, kConverterFlags);
    const QString text = decoder(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (!decoder.hasError()) {
        QStringEncoder encoder(QStringConverter::System, kConverterFlags);
        const QByteArray back = encoder(text);
        if (!encoder.hasError() && back == QByteArrayView(bytes.data(), qsizetype(bytes.size()))) {
            const QByteArray utf8 = text.toUtf8();
            AppendString(out, std::string_view(utf8.constData(), std::size_t(utf8.size())));
            return;
        }
    }
    out += "{\n";
    out.append(std::size_t(indent + 2), ' ');
    out += "\"bytes\": ";
    AppendString(out, BytesAsLatin1(bytes));
    out += '\n';
    out.append(std::size_t(indent), ' ');
    out += '}';
}

template <typename T>
void AppendNumber(std::string& out, T value) {
    char text[32];
    const char* end = std::to_chars(text, text + sizeof text, value).ptr;
    out.append(text, std::size_t(end - text));
}

// A finite date as nlohmann writes a double (its shortest form, "45000.0" for a whole
// number); the others as their text.
void AppendDate(std::string& out, TDateTime value) {
    if (!std::isfinite(value)) {
        AppendString(out, DateToText(value));
        return;
    }
    // A whole number of days (most due dates, and the zero of no date) is written as its
    // integer and ".0", as nlohmann writes whole numbers below 10^15: the shortest form of
    // a double costs far more.
    if (value == 0) {
        out += std::signbit(value) ? std::string_view("-0.0") : std::string_view("0.0");
        return;
    }
    if (std::trunc(value) == value && std::fabs(value) < 1e15) {
        AppendNumber(out, static_cast<std::int64_t>(value));
        out += ".0";
        return;
    }
    char text[64];
    const char* end = nlohmann::detail::to_chars(text, text + sizeof text, value);
    out.append(text, std::size_t(end - text));
}

// The value name, or the number for a value that has none.
void AppendEnum(std::string& out, const char* name, int value) {
    if (name) {
        AppendString(out, name);
    } else {
        AppendNumber(out, value);
    }
}

// One item as an element of the "items" array, indented by four blanks, without the line
// end after it.
void AppendItem(std::string& out, const TTodoItem& item) {
    // What comes before each value: the item's opening or the comma, and the key.
    static const std::array<std::string, ItemFieldCount> kKeys = [] {
        std::array<std::string, ItemFieldCount> keys;
        for (int f = 0; f < ItemFieldCount; ++f) {
            keys[std::size_t(f)] =
                std::string(f == ifComplete ? "    {\n      \"" : ",\n      \"") +
                ItemFieldName(TItemField(f)) + "\": ";
        }
        return keys;
    }();
    auto key = [&out](TItemField field) { out += kKeys[std::size_t(field)]; };
    key(ifComplete);
    out += item.Complete() ? "true" : "false";
    key(ifCompletion);
    AppendNumber(out, int(item.Completion()));
    key(ifCompletionDate);
    AppendDate(out, item.CompletionDate());
    key(ifCreationDate);
    AppendDate(out, item.CreationDate());
    key(ifDueDate);
    AppendDate(out, item.DueDate());
    key(ifImageIndex);
    AppendNumber(out, item.ImageIndex());
    key(ifNotes);
    bool firstLine = true;
    TStringList::ForEachLine(item.Notes().Text(), [&](std::string_view line) {
        out += firstLine ? std::string_view("[\n        ") : std::string_view(",\n        ");
        firstLine = false;
        AppendText(out, line, 8);
    });
    out += firstLine ? std::string_view("[]") : std::string_view("\n      ]");
    key(ifPriority);
    AppendEnum(out, TodoPriorityName(item.Priority()), item.Priority());
    key(ifResource);
    AppendText(out, item.Resource(), 6);
    key(ifStatus);
    AppendEnum(out, TodoStatusName(item.Status()), item.Status());
    key(ifSubject);
    AppendText(out, item.Subject(), 6);
    key(ifTag);
    AppendNumber(out, item.Tag());
    key(ifTotalTime);
    AppendNumber(out, item.TotalTime());
    key(ifProject);
    AppendText(out, item.Project(), 6);
    out += "\n    }";
}
}  // namespace

TJsonWriter::TJsonWriter(std::ostream& out, int helpers)
    : out_(out),
      items_(
          helpers,
          [] {
              return [](const TTodoItem& item, TItemTexts& into) {
                  // Each item after a comma: the first one's is dropped when it is written.
                  into.text += ",\n";
                  AppendItem(into.text, item);
              };
          },
          [this](const TItemTexts& texts) { Write(texts); }) {
    out_.Text() += "{\n  \"items\": [";
}

void TJsonWriter::Write(const TItemTexts& texts) {
    std::string_view text = texts.text;
    if (!any_ && !text.empty()) {
        text.remove_prefix(1);
        any_ = true;
    }
    out_.Write(text);
}

void TJsonWriter::Add(const TTodoItem& item) {
    items_.Add(item);
}

void TJsonWriter::Take(TTodoItem& item) {
    items_.Take(item);
}

void TJsonWriter::Finish() {
    items_.Finish();
    out_.Text() += any_ ? "\n  ]\n}\n" : "]\n}\n";
    out_.Finish();
}

QByteArray ItemsToJson(const TTodoItemCollection& items) {
    return WriteItemsToBytes<TJsonWriter>(items);
}
