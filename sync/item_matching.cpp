#include "sync/item_matching.h"

#include <QHash>
#include <bit>
#include <map>
#include <optional>
#include <tuple>

#include "model/todo_file.h"

namespace {

// Pairs what is still unpaired and has equal keys, in order on both sides; a key of
// nullopt pairs with nothing.
template <typename Key, typename KeyOf>
void PairBy(const std::vector<TMatchKey>& items, const std::vector<TMatchKey>& entries,
            TItemMatch& match, KeyOf keyOf) {
    std::map<Key, std::vector<int>> waiting;  // entries by key, in sidecar order
    for (int e = int(entries.size()) - 1; e >= 0; --e) {
        if (match.ItemOfEntry[std::size_t(e)] >= 0) {
            continue;
        }
        if (const std::optional<Key> key = keyOf(entries[std::size_t(e)])) {
            waiting[*key].push_back(e);
        }
    }
    for (int i = 0; i < int(items.size()); ++i) {
        if (match.EntryOfItem[std::size_t(i)] >= 0) {
            continue;
        }
        const std::optional<Key> key = keyOf(items[std::size_t(i)]);
        const auto it = key ? waiting.find(*key) : waiting.end();
        if (it == waiting.end() || it->second.empty()) {
            continue;
        }
        const int e = it->second.back();
        it->second.pop_back();
        match.EntryOfItem[std::size_t(i)] = e;
        match.ItemOfEntry[std::size_t(e)] = i;
    }
}

std::uint64_t Bits(double value) {
    return std::bit_cast<std::uint64_t>(value);
}

}  // namespace

TMatchKey MatchKeyOf(const TTodoItem& item) {
    TMatchKey key;
    AppendItemRecord(key.Record, item);
    key.CreationDate = item.CreationDate();
    key.Subject = item.Subject();
    return key;
}

TItemMatch MatchItems(const std::vector<TMatchKey>& items, const std::vector<TMatchKey>& entries) {
    TItemMatch match;
    match.EntryOfItem.assign(items.size(), -1);
    match.ItemOfEntry.assign(entries.size(), -1);
    // The exact pass is the common case of a large list: a hash table, not an ordered map.
    {
        QHash<QByteArray, std::vector<int>> waiting;
        for (int e = int(entries.size()) - 1; e >= 0; --e) {
            waiting[entries[std::size_t(e)].Record].push_back(e);
        }
        for (int i = 0; i < int(items.size()); ++i) {
            const auto it = waiting.find(items[std::size_t(i)].Record);
            if (it == waiting.end() || it->empty()) {
                continue;
            }
            const int e = it->back();
            it->pop_back();
            match.EntryOfItem[std::size_t(i)] = e;
            match.ItemOfEntry[std::size_t(e)] = i;
        }
    }
    using Both = std::tuple<std::uint64_t, std::string>;
    PairBy<Both>(items, entries, match, [](const TMatchKey& key) {
        return std::optional<Both>(Both(Bits(key.CreationDate), key.Subject));
    });
    // A creation date never set is shared by many items and tells nothing on its own.
    PairBy<std::uint64_t>(items, entries, match, [](const TMatchKey& key) {
        return Bits(key.CreationDate) == 0 ? std::nullopt
                                           : std::optional<std::uint64_t>(Bits(key.CreationDate));
    });
    PairBy<std::string>(items, entries, match, [](const TMatchKey& key) {
        return std::optional<std::string>(key.Subject);
    });
    return match;
}
