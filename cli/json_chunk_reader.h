#pragma once

// The quickest reader of JSON, for the layout a list is mostly exported in: the object
// {"items": [...]} with each item starting on a line of its own, all at one indent (as
// pellmark-cli, nlohmann's dump and jq write it). A line break is never inside a JSON
// string, so the items can be cut at the line breaks before an item's opening brace into
// runs of about a megabyte; each run, bracketed as an array, is parsed by simdjson, which
// checks the whole run's UTF-8 and strings at several bytes a cycle. The handler gets the
// events nlohmann's SAX parser gives for the same bytes. For any other document, or at the
// first byte it does not take, it stops and says so, as the quick reader does: the caller
// reads the input again with another reader.

#include <simdjson.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "calendar/line_reader.h"  // TReadBytes

// The layout the reader takes, apart from the reader, for cutting a document elsewhere.
namespace json_layout {

inline bool IsBlank(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

inline std::size_t Blanks(std::string_view bytes, std::size_t at) {
    while (at < bytes.size() && IsBlank(bytes[at])) {
        ++at;
    }
    return at;
}

// The place of the items' bracket in {"items": [, with the line break, indent and brace the
// first item (and so every item) starts with in `itemStart`; npos when the bytes do not
// start so. With `empty`, the place of an empty list's bracket instead.
inline std::size_t Opening(std::string_view bytes, std::string& itemStart, bool* empty = nullptr) {
    constexpr std::size_t kNone = std::string_view::npos;
    constexpr std::string_view kKey = "\"items\"";
    std::size_t at = Blanks(bytes, 0);
    if (at == bytes.size() || bytes[at] != '{') {
        return kNone;
    }
    at = Blanks(bytes, at + 1);
    if (bytes.substr(at, kKey.size()) != kKey) {
        return kNone;
    }
    at = Blanks(bytes, at + kKey.size());
    if (at == bytes.size() || bytes[at] != ':') {
        return kNone;
    }
    at = Blanks(bytes, at + 1);
    if (at == bytes.size() || bytes[at] != '[') {
        return kNone;
    }
    const std::size_t open = at;
    const std::size_t first = Blanks(bytes, open + 1);
    if (first < bytes.size() && bytes[first] == ']' && empty) {
        *empty = true;
        return first;
    }
    if (first == bytes.size() || bytes[first] != '{') {
        return kNone;
    }
    const std::size_t line = bytes.substr(open, first - open).rfind('\n');
    if (line == kNone) {
        return kNone;
    }
    itemStart.assign(bytes.substr(open + line, first + 1 - (open + line)));
    return open;
}

// The place of the comma before the last item that starts in the bytes after their first,
// npos if there is none: the item's line break, indent and brace, blanks before them.
inline std::size_t LastCut(std::string_view bytes, std::string_view itemStart) {
    for (std::size_t at = bytes.rfind(itemStart); at != std::string_view::npos && at > 1;
         at = bytes.rfind(itemStart, at - 1)) {
        std::size_t comma = at;
        while (comma > 1 && IsBlank(bytes[comma - 1])) {
            --comma;
        }
        if (comma > 1 && bytes[comma - 1] == ',') {
            return comma - 1;
        }
    }
    return std::string_view::npos;
}

}  // namespace json_layout

// What a reader allocates, kept for the next reader on the same thread.
struct TJsonChunkMemory {
    static constexpr std::size_t kMaxRun = 8 << 20;  // the longest run parsed at once
    simdjson::ondemand::parser parser{kMaxRun};
    std::vector<char> buffer;
};

template <typename TSax>
class TChunkJsonReader {
public:
    TChunkJsonReader(TReadBytes read, TSax& sax, int maxDepth, TJsonChunkMemory& memory)
        : read_(std::move(read)),
          sax_(sax),
          maxDepth_(maxDepth),
          parser_(memory.parser),
          buffer_(memory.buffer) {}

    // True when the whole input was read; false when it stopped early, with the events up
    // to there given. Exceptions of the SAX handler pass through.
    bool Run() {
        buffer_.resize(std::max(buffer_.size(), kFirstRoom + simdjson::SIMDJSON_PADDING));
        room_ = buffer_.size() - simdjson::SIMDJSON_PADDING;
        if (!More()) {
            return false;
        }
        std::size_t open = 0;
        switch (Opening(open)) {
            case kOther:
                return false;
            case kEmpty:
                return true;
            case kItems:
                break;
        }
        begin_ = open;
        for (;;) {
            const std::size_t cut = atEnd_ ? Closing() : LastCut();
            if (cut == kNone) {
                if (atEnd_ || !More()) {
                    return false;
                }
                continue;
            }
            if (!Items(begin_, cut)) {
                return false;
            }
            begin_ = cut;
            if (atEnd_) {
                sax_.end_array();
                sax_.end_object();
                return true;
            }
            if (!More()) {
                return false;
            }
        }
    }

private:
    static constexpr std::size_t kNone = std::size_t(-1);
    static constexpr std::size_t kBlock = 1 << 20;
    static constexpr std::size_t kFirstRoom = 2 * kBlock;
    // The longest run: an item longer than that is left to the other readers.
    static constexpr std::size_t kMaxRun = TJsonChunkMemory::kMaxRun;

    enum TOpening { kItems, kEmpty, kOther };

    static bool IsBlank(char c) { return json_layout::IsBlank(c); }

    std::size_t Blanks(std::size_t at) const {
        while (at < end_ && IsBlank(buffer_[at])) {
            ++at;
        }
        return at;
    }

    // Reads the next block after the bytes from begin_ on, which move to the front; false
    // when they fill the longest run.
    bool More() {
        if (begin_ > 0) {
            std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
            end_ -= begin_;
            begin_ = 0;
        }
        if (end_ == room_) {
            if (room_ >= kMaxRun) {
                return false;
            }
            room_ *= 2;
            buffer_.resize(room_ + simdjson::SIMDJSON_PADDING);
        }
        const std::size_t n = read_(buffer_.data() + end_, std::min(kBlock, room_ - end_));
        atEnd_ = n == 0;
        end_ += n;
        return true;
    }

    // {"items": [ and the line break and blanks before the first item, which every item
    // starts with; `open` is the array's bracket. The events of the opening are given, and
    // for an empty list those of the whole document.
    TOpening Opening(std::size_t& open) {
        bool empty = false;
        open = json_layout::Opening(std::string_view(buffer_.data(), end_), itemStart_, &empty);
        if (open == std::string_view::npos) {
            return kOther;
        }
        if (empty) {
            return EmptyList(open) ? kEmpty : kOther;
        }
        StartList();
        return kItems;
    }

    void StartList() {
        sax_.start_object(std::size_t(-1));
        key_ = "items";
        sax_.key(key_);
        sax_.start_array(std::size_t(-1));
    }

    // {"items": []} as a whole, its events given; false for anything after it.
    bool EmptyList(std::size_t close) {
        std::size_t at = Blanks(close + 1);
        if (at == end_ || buffer_[at] != '}') {
            return false;
        }
        at = Blanks(at + 1);
        while (at == end_ && !atEnd_) {
            begin_ = at;
            if (!More()) {
                return false;
            }
            at = Blanks(0);
        }
        if (at != end_) {
            return false;
        }
        StartList();
        sax_.end_array();
        sax_.end_object();
        return true;
    }

    // The comma before the last item that starts in the buffer after begin_, kNone if
    // there is none.
    std::size_t LastCut() const {
        const std::size_t cut = json_layout::LastCut(
            std::string_view(buffer_.data() + begin_, end_ - begin_), itemStart_);
        return cut == std::string_view::npos ? kNone : begin_ + cut;
    }

    // At the input's end: the bracket that closes the items, with only the object's brace
    // and blanks after it; kNone for anything else.
    std::size_t Closing() const {
        std::size_t at = end_;
        const auto back = [&at, this] {
            while (at > begin_ + 1 && IsBlank(buffer_[at - 1])) {
                --at;
            }
            return at > begin_ + 1 ? buffer_[--at] : '\0';
        };
        if (back() != '}' || back() != ']') {
            return kNone;
        }
        return at;
    }

    // The items from the byte after `from` to the one before `to`, bracketed as an array.
    bool Items(std::size_t from, std::size_t to) {
        buffer_[from] = '[';
        buffer_[to] = ']';
        simdjson::ondemand::document document;
        simdjson::ondemand::array items;
        if (parser_
                .iterate(simdjson::padded_string_view(&buffer_[from], to + 1 - from,
                                                      buffer_.size() - from))
                .get(document) ||
            document.get_array().get(items)) {
            return false;
        }
        for (auto element : items) {
            simdjson::ondemand::value value;
            if (element.get(value) || !Value(value, 2)) {
                return false;
            }
        }
        // Nothing after the array's end.
        return document.current_location().error() == simdjson::OUT_OF_BOUNDS;
    }

    // One value and all within it, with `open` arrays and objects around it.
    bool Value(simdjson::ondemand::value& value, int open) {
        using simdjson::ondemand::json_type;
        json_type type;
        if (value.type().get(type)) {
            return false;
        }
        switch (type) {
            case json_type::object: {
                simdjson::ondemand::object object;
                if (open == maxDepth_ || value.get_object().get(object)) {
                    return false;
                }
                sax_.start_object(std::size_t(-1));
                for (auto field : object) {
                    std::string_view key;
                    simdjson::ondemand::value member;
                    if (field.unescaped_key().get(key)) {
                        return false;
                    }
                    key_.assign(key);
                    sax_.key(key_);
                    if (field.value().get(member) || !Value(member, open + 1)) {
                        return false;
                    }
                }
                sax_.end_object();
                return true;
            }
            case json_type::array: {
                simdjson::ondemand::array array;
                if (open == maxDepth_ || value.get_array().get(array)) {
                    return false;
                }
                sax_.start_array(std::size_t(-1));
                for (auto element : array) {
                    simdjson::ondemand::value inner;
                    if (element.get(inner) || !Value(inner, open + 1)) {
                        return false;
                    }
                }
                sax_.end_array();
                return true;
            }
            case json_type::string: {
                std::string_view text;
                if (value.get_string().get(text)) {
                    return false;
                }
                text_.assign(text);
                sax_.string(text_);
                return true;
            }
            case json_type::number:
                return Number(value);
            case json_type::boolean: {
                bool truth;
                if (!IsLiteral(value, "true") && !IsLiteral(value, "false")) {
                    return false;
                }
                if (value.get_bool().get(truth)) {
                    return false;
                }
                sax_.boolean(truth);
                return true;
            }
            case json_type::null: {
                bool null = false;
                // simdjson takes "nul" for null; nlohmann does not.
                if (!IsLiteral(value, "null") || value.is_null().get(null) || !null) {
                    return false;
                }
                sax_.null();
                return true;
            }
        }
        return false;
    }

    // The token as it stands in the input, without the blanks after it.
    static std::string_view Token(simdjson::ondemand::value& value) {
        std::string_view token = value.raw_json_token();
        while (!token.empty() && IsBlank(token.back())) {
            token.remove_suffix(1);
        }
        return token;
    }

    static bool IsLiteral(simdjson::ondemand::value& value, std::string_view word) {
        return Token(value) == word;
    }

    // A number as nlohmann gives it: an integer that fits 64 bits as one (signed when
    // negative), a number with a fraction or an exponent as a double. An integer beyond
    // 64 bits, which nlohmann gives as a double, is left to the other readers.
    bool Number(simdjson::ondemand::value& value) {
        const std::string_view token = Token(value);
        if (token.find_first_of(".eE") != std::string_view::npos) {
            double number;
            if (value.get_double().get(number) || !std::isfinite(number)) {
                return false;
            }
            number_.assign(token);
            sax_.number_float(number, number_);
            return true;
        }
        if (!token.empty() && token.front() == '-') {
            std::int64_t number;
            if (value.get_int64().get(number)) {
                return false;
            }
            sax_.number_integer(number);
            return true;
        }
        std::uint64_t number;
        if (value.get_uint64().get(number)) {
            return false;
        }
        sax_.number_unsigned(number);
        return true;
    }

    TReadBytes read_;
    TSax& sax_;
    const int maxDepth_;
    simdjson::ondemand::parser& parser_;
    std::vector<char>& buffer_;  // room_ bytes and simdjson's padding after them
    std::size_t room_ = 0;
    std::size_t begin_ = 0;  // the byte before the items not yet parsed
    std::size_t end_ = 0;
    bool atEnd_ = false;
    std::string itemStart_;  // the line break, the indent and the brace of each item
    std::string key_;
    std::string text_;
    std::string number_;
};
