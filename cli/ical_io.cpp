#include "cli/ical_io.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <ostream>
#include <unordered_map>

#include "calendar/calendar_error.h"
#include "calendar/calendar_reader.h"
#include "calendar/vtodo_mapping.h"
#include "cli/chunked_import.h"
#include "cli/cli_errors.h"
#include "cli/item_stream.h"
#include "cli/sha1_digest.h"

namespace {

constexpr std::string_view kProdId = "-//Pellmark//pellmark-cli//EN";

// The first 32 hex digits of the SHA-1 of the item's creation date's bits and subject,
// appended to `hex`, and the first 64 bits of that digest, never 0. `input` is room for
// what is digested.
std::uint64_t ItemDigest(const TTodoItem& item, std::string& input, std::string& hex) {
    const auto bits = std::bit_cast<std::uint64_t>(item.CreationDate());
    input.assign(reinterpret_cast<const char*>(&bits), sizeof bits);
    input += item.Subject();
    const TSha1Digest digest = Sha1Digest(input);
    static constexpr char kHex[] = "0123456789abcdef";
    for (int i = 0; i < 16; ++i) {
        const auto byte = static_cast<unsigned char>(digest[i]);
        hex += kHex[byte >> 4];
        hex += kHex[byte & 15];
    }
    std::uint64_t key;
    std::memcpy(&key, digest.data(), sizeof key);
    return key == 0 ? 1 : key;  // 0 marks a free slot of TUids
}

}  // namespace

// The UIDs: the digits of ItemDigest, "-2", "-3" ... for the second, third item with the
// same digits, and "@pellmark" behind. Only the first 64 bits of each digest are kept
// to tell repeats, 8 bytes an item; two different digests that agree in them (for a
// million items a chance of one in thirty million) would be numbered as repeats.
class TICalendarWriter::TUids {
public:
    // Room for the expected items below the table's limit of three quarters full, so that
    // it is never doubled (and held twice) on the way.
    explicit TUids(std::size_t expected) { Resize(std::max<std::size_t>(64, expected * 3 / 2)); }

    // Asks the key's slot into the cache ahead of its Repeat.
    void Prefetch(std::uint64_t key) const { __builtin_prefetch(&slots_[Home(key)]); }

    // 0 for the first item with the digest, else 2, 3 ... for the second, third.
    int Repeat(std::uint64_t key) {
        return Insert(key) ? 0 : ++repeats_.try_emplace(key, 1).first->second;
    }

private:
    std::size_t Home(std::uint64_t key) const {
        // The top 32 bits of the key scaled to the table: any size, no division.
        return std::size_t(((key >> 32) * slots_.size()) >> 32);
    }

    // False when the key was there already.
    bool Insert(std::uint64_t key) {
        for (std::size_t i = Home(key);; i = i + 1 == slots_.size() ? 0 : i + 1) {
            if (slots_[i] == key) {
                return false;
            }
            if (slots_[i] == 0) {
                slots_[i] = key;
                if (++used_ * 4 > slots_.size() * 3) {
                    Resize(slots_.size() * 2);
                }
                return true;
            }
        }
    }

    void Resize(std::size_t size) {
        std::vector<std::uint64_t> old(size, 0);
        old.swap(slots_);
        for (const std::uint64_t key : old) {
            if (key != 0) {
                std::size_t i = Home(key);
                while (slots_[i] != 0) {
                    i = i + 1 == slots_.size() ? 0 : i + 1;
                }
                slots_[i] = key;
            }
        }
    }

    std::vector<std::uint64_t> slots_;
    std::size_t used_ = 0;
    std::unordered_map<std::uint64_t, int> repeats_;
};

TICalendarWriter::TICalendarWriter(std::ostream& out, const QDateTime& stamp,
                                   std::size_t expectedItems, int helpers)
    : out_(out),
      stamp_(StampText(stamp)),
      uids_(std::make_unique<TUids>(expectedItems)),
      items_(
          helpers,
          [this] {
              // Each thread converts times with a cache of its own. An item's UID is written
              // as the first with its digest; Write numbers repeats.
              return [local = std::make_shared<TLocalTime>(), stamp = stamp_, input = std::string(),
                      uid = std::string(),
                      properties = std::string()](const TTodoItem& item, TItemTexts& into) mutable {
                  uid.clear();
                  into.keys.push_back(ItemDigest(item, input, uid));
                  uid += "@pellmark";
                  properties.clear();
                  AppendVTodoProperties(properties, item, *local);
                  const std::size_t start = into.text.size();
                  AppendVTodo(into.text, uid, stamp, properties);
                  into.ends.push_back(into.text.find(uid, start) + 32);
              };
          },
          [this](const TItemTexts& texts) { Write(texts); }) {
    AppendCalendarBegin(out_.Text(), kProdId);
}

TICalendarWriter::~TICalendarWriter() = default;

// The VTODOs as they are, with the number of a repeat put behind the digits of its UID.
void TICalendarWriter::Write(const TItemTexts& texts) {
    const std::string_view text = texts.text;
    std::size_t written = 0;
    for (std::size_t i = 0; i < texts.keys.size(); ++i) {
        if (i + 1 < texts.keys.size()) {
            uids_->Prefetch(texts.keys[i + 1]);
        }
        if (const int repeat = uids_->Repeat(texts.keys[i])) {
            const std::size_t digitsEnd = texts.ends[i];
            out_.Write(text.substr(written, digitsEnd - written));
            out_.Write("-");
            out_.Write(std::to_string(repeat));
            written = digitsEnd;
        }
    }
    out_.Write(text.substr(written));
}

void TICalendarWriter::Add(const TTodoItem& item) {
    items_.Add(item);
}

void TICalendarWriter::Take(TTodoItem& item) {
    items_.Take(item);
}

void TICalendarWriter::Finish() {
    items_.Finish();
    AppendCalendarEnd(out_.Text());
    out_.Finish();
}

QByteArray ItemsToICalendar(const TTodoItemCollection& items, const QDateTime& stamp) {
    return WriteItemsToBytes<TICalendarWriter>(items, stamp, std::size_t(items.Count()));
}

void ReadICalendar(TReadBytes read, const std::function<void(TTodoItem& item)>& onItem,
                   const std::function<void(const QString& warning)>& warn) {
    try {
        ReadVTodos(std::move(read), onItem, warn);
    } catch (const ECalendarError& error) {
        throw EImportError(error.Message());
    }
}

void ItemsFromICalendar(const QByteArray& text, TTodoItemCollection& into,
                        const std::function<void(const QString& warning)>& warn) {
    ReadItemsFromBytes(
        [&warn](TReadBytes read, const std::function<void(TTodoItem&)>& onItem) {
            ReadICalendar(std::move(read), onItem, warn);
        },
        text, into);
}

namespace {

// A calendar cut before each VTODO: every chunk gets the lines before the first VTODO
// (its time zones among them) and an END:VCALENDAR.
class TICalendarChunkLayout : public TChunkLayout {
public:
    std::size_t Head(std::string_view start) override {
        const std::size_t first = NextTodo(start, 0);
        if (first == kNone) {
            return kNone;
        }
        headLines_ = int(std::count(start.begin(), start.begin() + std::ptrdiff_t(first), '\n'));
        return first;
    }
    std::size_t LastCut(std::string_view bytes) const override {
        for (std::size_t at = bytes.rfind(kTodo); at != std::string_view::npos && at > 0;
             at = bytes.rfind(kTodo, at - 1)) {
            if (IsTodoLine(bytes, at)) {
                return at;
            }
        }
        return kNone;
    }
    bool Document(std::string_view head, std::string_view chunk, bool last,
                  std::string& into) const override {
        into.assign(head);
        into += chunk;
        if (!last) {
            into += "END:VCALENDAR\r\n";
        }
        return true;
    }
    int HeadLines() const { return headLines_; }

private:
    static constexpr std::string_view kTodo = "BEGIN:VTODO";

    static bool IsTodoLine(std::string_view bytes, std::size_t at) {
        const std::size_t end = at + kTodo.size();
        return (at == 0 || bytes[at - 1] == '\n') && end < bytes.size() &&
               (bytes[end] == '\r' || bytes[end] == '\n');
    }
    static std::size_t NextTodo(std::string_view bytes, std::size_t from) {
        for (std::size_t at = bytes.find(kTodo, from); at != std::string_view::npos;
             at = bytes.find(kTodo, at + 1)) {
            if (IsTodoLine(bytes, at)) {
                return at;
            }
        }
        return kNone;
    }

    int headLines_ = 0;
};

}  // namespace

bool ImportICalendarInChunks(TReadBytes read, int helpers, TTodoFileWriter& list) {
    TICalendarChunkLayout layout;
    return ImportInChunks(
        std::move(read), layout,
        [&layout]() -> TReadChunk {
            // The thread's conversions of local times are kept from chunk to chunk.
            return [headLines = layout.HeadLines(), local = std::make_shared<TLocalTime>()](
                       std::string_view document, std::size_t,
                       const std::function<void(TTodoItem & item)>& onItem) {
                // A warning is printed by the reader that takes over; a time zone after the
                // head would hold for the chunks after this one too.
                bool clean = true;
                ReadVTodos(
                    ReadFromMemory(document), onItem, [&clean](const QString&) { clean = false; },
                    [&clean, headLines](int line) { clean = clean && line <= headLines; },
                    local.get());
                return clean;
            };
        },
        helpers, list);
}
