#include "model/todo_sort.h"

#include <QString>
#include <algorithm>
#include <numeric>
#include <optional>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

namespace {

template <typename T>
int CompareValues(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

const std::string& TextOf(const TTodoItem& item, TTodoData kind) {
    static const std::string none;
    switch (kind) {
        case tdSubject:
            return item.Subject();
        case tdResource:
            return item.Resource();
        case tdProject:
            return item.Project();
        case tdNotes:
            return item.Notes().Text();
        default:
            return none;
    }
}

int CompareText(const std::string& a, const std::string& b, const QCollator& collator) {
    return collator.compare(QString::fromLocal8Bit(a.data(), qsizetype(a.size())),
                            QString::fromLocal8Bit(b.data(), qsizetype(b.size())));
}

int Sign(int value) {
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

bool IsNumberKind(TTodoData kind) {
    switch (kind) {
        case tdCompletion:
        case tdPriority:
        case tdImage:
        case tdComplete:
        case tdDueDate:
        case tdCompletionDate:
        case tdCreationDate:
        case tdStatus:
        case tdTotalTime:
            return true;
        default:
            return false;
    }
}

// The sort key of an item for a number-like kind; every such value is exact as a double.
double NumberOf(const TTodoItem& item, TTodoData kind) {
    switch (kind) {
        case tdCompletion:
            return item.Completion();
        case tdPriority:
            return item.Priority();
        case tdImage:
            return item.ImageIndex();
        case tdComplete:
            return item.Complete() ? 1 : 0;
        case tdDueDate:
            return item.DueDate();
        case tdCompletionDate:
            return item.CompletionDate();
        case tdCreationDate:
            return item.CreationDate();
        case tdStatus:
            return item.Status();
        case tdTotalTime:
            return item.TotalTime();
        default:
            return 0;
    }
}

// The partition sort, run on the items' keys and their positions rather than on the items:
// slot n holds a key and the position its item had before the sort, and the exchanges move
// slots. The decisions depend on the keys alone, so the order that comes out is the one
// exchanging the items themselves would give; the contents are then moved once, each to
// its final row, instead of once per exchange.
template <typename TKey>
class Sorter {
public:
    Sorter(int count, bool descending, int& selected)
        : descending_(descending), selected_(selected) {
        slots_.reserve(std::size_t(count));
    }

    // The key of the item at the next position, 0 first.
    void Add(TKey key) { slots_.push_back(TSlot{std::move(key), int(slots_.size())}); }
    // The keys of positions 0 to count-1 at once, key(n) giving each: a long list's in two
    // halves on two threads.
    template <typename TKeyOf>
    void AddAll(int count, const TKeyOf& key) {
        slots_.resize(std::size_t(count));
        const auto fill = [this, &key](int from, int to) {
            for (int n = from; n < to; ++n) {
                slots_[std::size_t(n)] = TSlot{key(n), n};
            }
        };
        if (ParallelDepth(std::size_t(count)) == 0) {
            fill(0, count);
            return;
        }
        std::thread helper(fill, count / 2, count);
        fill(0, count / 2);
        helper.join();
    }

    // Sorts the positions 0 to Count-1.
    void Run() {
        int selected = selected_;
        const int hi = int(slots_.size()) - 1;
        const int depth = ParallelDepth(slots_.size());
        if (descending_) {
            SortInParallel<true>(slots_.data(), 0, hi, selected, depth);
        } else {
            SortInParallel<false>(slots_.data(), 0, hi, selected, depth);
        }
        selected_ = selected;
    }

    // After Run: for each row, the position its content came from.
    std::vector<int> Order() const {
        std::vector<int> order;
        order.reserve(slots_.size());
        for (const TSlot& slot : slots_) {
            order.push_back(slot.From);
        }
        return order;
    }

private:
    // A key next to the position its item had before the sort: one exchange moves both,
    // in one cache line.
    struct TSlot {
        TKey Key;
        int From;
    };

    // In the terms of the comparison c(a, b) (negative, zero, positive; negated when
    // descending): c(p, i) > 0 is Before(i, p), c(p, j) < 0 is Before(p, j), and
    // c(i, j) != 0 is Differ(i, j).
    template <bool Descending>
    static bool Before(const TKey& a, const TKey& b) {
        return Descending ? Less(b, a) : Less(a, b);
    }

    // One pass over lo..hi around the middle key: afterwards lo..j and i..hi are the two
    // parts left to sort.
    template <bool Descending>
    static void Partition(TSlot* slots, int lo, int hi, int& i, int& j, int& selected) {
        i = lo;
        j = hi;
        // The middle item is the pivot for the whole pass, wherever the exchanges take it,
        // so its key is the same throughout: a copy serves.
        const TKey pivot = slots[(lo + hi) / 2].Key;
        do {
            while (Before<Descending>(slots[i].Key, pivot) && i < hi) {
                ++i;
            }
            while (Before<Descending>(pivot, slots[j].Key) && j > lo) {
                --j;
            }
            if (i <= j) {
                if (i != j && Differ(slots[i].Key, slots[j].Key)) {
                    Follow(selected, i, j);
                    std::swap(slots[i], slots[j]);
                }
                ++i;
                --j;
            }
        } while (i <= j);
    }

    // How many times a long sort splits its work between two threads: a part or two more
    // than there are cores, as the parts of a pass are rarely the same size.
    static int ParallelDepth(std::size_t count) {
        constexpr std::size_t kFewItems = 32768;
        const unsigned cores = std::min(std::thread::hardware_concurrency(), 4u);
        return count < kFewItems || cores < 2 ? 0 : cores < 4 ? 2 : 3;
    }

    // The same sort with the two parts of the first passes sorted at once, on two threads:
    // they are disjoint, so the result does not depend on which part is done when.
    template <bool Descending>
    static void SortInParallel(TSlot* slots, int lo, int hi, int& selected, int depth) {
        if (depth == 0 || lo >= hi) {
            QuickSortRange<Descending>(slots, lo, hi, selected);
            return;
        }
        int i;
        int j;
        Partition<Descending>(slots, lo, hi, i, j, selected);
        int left = selected;
        int right = selected;
        std::thread helper([slots, lo, j, &left, depth] {
            if (lo < j) {
                SortInParallel<Descending>(slots, lo, j, left, depth - 1);
            }
        });
        if (i < hi) {
            SortInParallel<Descending>(slots, i, hi, right, depth - 1);
        }
        helper.join();
        selected = selected >= lo && selected <= j ? left : selected >= i ? right : selected;
    }

    template <bool Descending>
    static void QuickSortRange(TSlot* slots, int lo, int hi, int& selected) {
        // The larger part is sorted by the loop, the smaller one by recursion, which keeps
        // the stack shallow; the two parts are disjoint, so the result is the same as
        // sorting the left part first.
        while (lo < hi) {
            int i;
            int j;
            Partition<Descending>(slots, lo, hi, i, j, selected);
            if (j - lo < hi - i) {
                if (lo < j) {
                    QuickSortRange<Descending>(slots, lo, j, selected);
                }
                lo = i;
            } else {
                if (i < hi) {
                    QuickSortRange<Descending>(slots, i, hi, selected);
                }
                hi = j;
            }
        }
    }

    static void Follow(int& position, int i, int j) {
        if (position == i) {
            position = j;
        } else if (position == j) {
            position = i;
        }
    }

    static bool Less(double a, double b) { return a < b; }
    static bool Differ(double a, double b) { return a < b || b < a; }

public:
    // After Run: row n takes the content that was at row slots_[n].From. Each cycle of that mapping
    // is walked once: the first row's content is put aside, every row takes the content of
    // the next, and the last takes what was put aside, so each content moves once. The
    // cycles are listed first, as the items themselves, by a walk through the positions
    // alone; the moves then read that list in order and fetch the items, which lie
    // anywhere in memory, a few moves early.
    void Apply(TTodoItemCollection& items) {
        // The walk jumps about, so it runs on the positions alone: a quarter of the slots'
        // size, which stays in a nearer cache.
        std::vector<int> from(slots_.size());
        for (std::size_t n = 0; n < slots_.size(); ++n) {
            from[n] = slots_[n].From;
        }
        std::vector<TTodoItem*> order;  // the cycles, each ended by a null
        order.reserve(from.size() + from.size() / 2);
        for (std::size_t start = 0; start < from.size(); ++start) {
            // A row already walked points at itself, like a row that keeps its content.
            std::size_t at = start;
            if (std::size_t(from[at]) == at) {
                continue;
            }
            do {
                order.push_back(items.At(int(at)));
                const std::size_t next = std::size_t(from[at]);
                from[at] = int(at);
                at = next;
            } while (at != start);
            order.push_back(nullptr);
        }
        if (order.empty()) {
            return;
        }
        const auto move = [&order](std::size_t first, std::size_t end) {
            TTodoItem aside(nullptr);
            // Into the second-level cache: its queue holds more lines in flight than the
            // first level's, and the moves are bound by how many misses overlap.
            constexpr std::size_t kAhead = 16;
            bool cycleStarts = true;
            for (std::size_t n = first; n < end; ++n) {
                if (n + kAhead < end && order[n + kAhead]) {
                    const char* ahead = reinterpret_cast<const char*>(order[n + kAhead]);
                    for (std::size_t line = 0; line < sizeof(TTodoItem); line += 64) {
                        __builtin_prefetch(ahead + line, 1, 1);
                    }
                }
                TTodoItem* row = order[n];
                if (!row) {
                    cycleStarts = true;
                    continue;
                }
                if (cycleStarts) {
                    aside.TakeContentQuietly(*row);
                    cycleStarts = false;
                }
                // A cycle has at least two rows, so the next entry is a row or the cycle's
                // end.
                row->TakeContentQuietly(order[n + 1] ? *order[n + 1] : aside);
            }
        };
        // The cycles share no rows: a long list's are moved in two halves at once, split
        // where a cycle ends.
        std::size_t half = order.size();
        if (ParallelDepth(order.size()) > 0) {
            half = order.size() / 2;
            while (half < order.size() && order[half - 1]) {
                ++half;
            }
        }
        if (half < order.size()) {
            std::thread helper(move, half, order.size());
            move(0, half);
            helper.join();
        } else {
            move(0, order.size());
        }
        // One repaint of all rows instead of two rows per exchange.
        items.Changed();
    }

private:
    std::vector<TSlot> slots_;
    bool descending_;
    int& selected_;
};

}  // namespace

int CompareTodoItems(const TTodoItem& a, const TTodoItem& b, TTodoData kind,
                     const QCollator& collator) {
    switch (kind) {
        case tdSubject:
        case tdResource:
        case tdProject:
        case tdNotes:
            return Sign(CompareText(TextOf(a, kind), TextOf(b, kind), collator));
        case tdCompletion:
            return CompareValues(a.Completion(), b.Completion());
        case tdPriority:
            return CompareValues(a.Priority(), b.Priority());
        case tdImage:
            return CompareValues(a.ImageIndex(), b.ImageIndex());
        case tdComplete:
            return CompareValues(a.Complete(), b.Complete());
        case tdDueDate:
            return CompareValues(a.DueDate(), b.DueDate());
        case tdCompletionDate:
            return CompareValues(a.CompletionDate(), b.CompletionDate());
        case tdCreationDate:
            return CompareValues(a.CreationDate(), b.CreationDate());
        case tdStatus:
            return CompareValues(a.Status(), b.Status());
        case tdTotalTime:
            return CompareValues(a.TotalTime(), b.TotalTime());
        case tdHandle:
        default:
            return 0;
    }
}

QCollator DefaultTodoCollator() {
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseSensitive);
    return collator;
}

namespace {

// Sorts the keys of the items by one kind and hands the sorter to `done`; false when the
// items are all equal by that kind or fewer than two.
template <typename TDone>
bool SortKeys(const TTodoItemCollection& items, TTodoData kind, TSortDirection direction,
              int& selected, const QCollator* collator, TDone done) {
    const int count = items.Count();
    if (count < 2 || !(IsTextKind(kind) || IsNumberKind(kind))) {
        return false;
    }
    const bool descending = direction == sdDescending;
    if (IsTextKind(kind)) {
        std::optional<QCollator> own;
        if (!collator) {
            own = DefaultTodoCollator();
            collator = &*own;
        }
        // Lists repeat their texts (a few resources, recurring subjects): a collation key
        // is made once for each distinct text, those are ordered, and the items are sorted
        // by their text's place among them, which compares as the keys do.
        std::unordered_map<std::string_view, int> numbers;
        std::vector<std::string_view> distinct;
        std::vector<int> numberOf;
        numberOf.reserve(std::size_t(count));
        for (const TTodoItem* item : items) {
            const std::string& text = TextOf(*item, kind);
            const auto [at, added] = numbers.try_emplace(text, int(distinct.size()));
            if (added) {
                distinct.push_back(text);
            }
            numberOf.push_back(at->second);
        }
        std::vector<QCollatorSortKey> keys;
        keys.reserve(distinct.size());
        for (const std::string_view text : distinct) {
            keys.push_back(
                collator->sortKey(QString::fromLocal8Bit(text.data(), qsizetype(text.size()))));
        }
        std::vector<int> byKey(distinct.size());
        std::iota(byKey.begin(), byKey.end(), 0);
        std::sort(byKey.begin(), byKey.end(), [&keys](int a, int b) {
            return keys[std::size_t(a)].compare(keys[std::size_t(b)]) < 0;
        });
        // Texts whose keys are equal share a rank.
        std::vector<double> rank(distinct.size());
        double next = 0;
        for (std::size_t k = 0; k < byKey.size(); ++k) {
            if (k > 0 &&
                keys[std::size_t(byKey[k - 1])].compare(keys[std::size_t(byKey[k])]) != 0) {
                ++next;
            }
            rank[std::size_t(byKey[k])] = next;
        }
        Sorter<double> sorter(count, descending, selected);
        for (const int number : numberOf) {
            sorter.Add(rank[std::size_t(number)]);
        }
        sorter.Run();
        done(sorter);
    } else {
        Sorter<double> sorter(count, descending, selected);
        sorter.AddAll(count, [&items, kind](int n) { return NumberOf(*items.At(n), kind); });
        sorter.Run();
        done(sorter);
    }
    return true;
}

}  // namespace

void SortTodoItems(TTodoItemCollection& items, TTodoData kind, TSortDirection direction,
                   int& selected, const QCollator* collator) {
    SortKeys(items, kind, direction, selected, collator,
             [&items](auto& sorter) { sorter.Apply(items); });
}

std::vector<int> SortedTodoOrder(const TTodoItemCollection& items, TTodoData kind,
                                 TSortDirection direction, const QCollator* collator) {
    std::vector<int> order;
    int selected = -1;
    if (!SortKeys(items, kind, direction, selected, collator,
                  [&order](auto& sorter) { order = sorter.Order(); })) {
        order.resize(std::size_t(items.Count()));
        for (std::size_t n = 0; n < order.size(); ++n) {
            order[n] = int(n);
        }
    }
    return order;
}
