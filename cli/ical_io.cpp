#include "cli/ical_io.h"

#include <bit>
#include <cstring>
#include <ostream>
#include <unordered_map>

#include "calendar/calendar_error.h"
#include "calendar/calendar_reader.h"
#include "calendar/vtodo_mapping.h"
#include "cli/cli_errors.h"
#include "cli/item_stream.h"
#include "cli/sha1_digest.h"

namespace {

constexpr std::string_view kProdId = "-//Pellmark//pellmark-cli//EN";

}  // namespace

// The UIDs: the first 32 hex digits of the SHA-1 of the creation date's bits and the
// subject, "@pellmark" behind, and "-2", "-3" ... for the second, third item with the same
// digits. Only the first 64 bits of each digest are kept to tell repeats, 8 bytes an
// item; two different digests that agree in them (for a million items a chance of one in
// thirty million) would be numbered as repeats.
class TICalendarWriter::TUids {
public:
    // Room for the expected items below the table's limit of three quarters full, so that
    // it is never doubled (and held twice) on the way.
    explicit TUids(std::size_t expected) { Resize(std::max<std::size_t>(64, expected * 3 / 2)); }

    // The first 64 bits of the item's digest, its slot of the table asked into the cache
    // already, so that the lookup after the VTODO is written does not wait for memory.
    std::uint64_t Digest(const TTodoItem& item) {
        const auto bits = std::bit_cast<std::uint64_t>(item.CreationDate());
        input_.assign(reinterpret_cast<const char*>(&bits), sizeof bits);
        input_ += item.Subject();
        const TSha1Digest digest = Sha1Digest(input_);
        static constexpr char kHex[] = "0123456789abcdef";
        uid_.resize(32);
        for (int i = 0; i < 16; ++i) {
            const auto byte = static_cast<unsigned char>(digest[i]);
            uid_[std::size_t(2 * i)] = kHex[byte >> 4];
            uid_[std::size_t(2 * i + 1)] = kHex[byte & 15];
        }
        std::uint64_t key;
        std::memcpy(&key, digest.data(), sizeof key);
        key = key == 0 ? 1 : key;  // 0 marks a free slot
        __builtin_prefetch(&slots_[Home(key)]);
        return key;
    }

    // The UID of the item Digest was last given, valid until the next call.
    const std::string& Uid(std::uint64_t key) {
        if (!Insert(key)) {
            uid_ += '-';
            uid_ += std::to_string(++repeats_.try_emplace(key, 1).first->second);
        }
        uid_ += "@pellmark";
        return uid_;
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

    std::string input_;  // what is digested
    std::vector<std::uint64_t> slots_;
    std::size_t used_ = 0;
    std::unordered_map<std::uint64_t, int> repeats_;
    std::string uid_;
};

TICalendarWriter::TICalendarWriter(std::ostream& out, const QDateTime& stamp,
                                   std::size_t expectedItems)
    : out_(out), stamp_(StampText(stamp)), uids_(std::make_unique<TUids>(expectedItems)) {
    AppendCalendarBegin(out_.Text(), kProdId);
}

TICalendarWriter::~TICalendarWriter() = default;

void TICalendarWriter::Add(const TTodoItem& item) {
    const std::uint64_t key = uids_->Digest(item);
    properties_.clear();
    AppendVTodoProperties(properties_, item, local_);
    AppendVTodo(out_.Text(), uids_->Uid(key), stamp_, properties_);
    out_.ItemDone();
}

void TICalendarWriter::Finish() {
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
