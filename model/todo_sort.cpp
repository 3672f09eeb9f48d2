#include "model/todo_sort.h"

#include <QString>
#include <optional>
#include <vector>

namespace {

template <typename T>
int CompareValues(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

bool IsTextKind(TTodoData kind) {
    return kind == tdSubject || kind == tdResource || kind == tdProject || kind == tdNotes;
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
    Sorter(std::vector<TKey> keys, bool descending, int& selected)
        : keys_(std::move(keys)), descending_(descending), selected_(selected) {
        from_.resize(keys_.size());
        for (std::size_t i = 0; i < from_.size(); ++i) {
            from_[i] = int(i);
        }
    }

    // Positions 0 to Count-1, then the contents moved to their new rows.
    void Run(TTodoItemCollection& items) {
        QuickSort(0, int(keys_.size()) - 1);
        Apply(items);
    }

private:
    void QuickSort(int lo, int hi) {
        if (descending_) {
            QuickSort<true>(lo, hi);
        } else {
            QuickSort<false>(lo, hi);
        }
    }

    // In the terms of the comparison c(a, b) (negative, zero, positive; negated when
    // descending): c(p, i) > 0 is Before(i, p), c(p, j) < 0 is Before(p, j), and
    // c(i, j) != 0 is Differ(i, j).
    template <bool Descending>
    static bool Before(const TKey& a, const TKey& b) {
        return Descending ? Less(b, a) : Less(a, b);
    }

    template <bool Descending>
    void QuickSort(int lo, int hi) {
        int selected = selected_;
        QuickSortRange<Descending>(keys_.data(), from_.data(), lo, hi, selected);
        selected_ = selected;
    }

    template <bool Descending>
    static void QuickSortRange(TKey* keys, int* from, int lo, int hi, int& selected) {
        // The larger part is sorted by the loop, the smaller one by recursion, which keeps
        // the stack shallow; the two parts are disjoint, so the result is the same as
        // sorting the left part first.
        while (lo < hi) {
            int i = lo;
            int j = hi;
            int p = (lo + hi) / 2;
            do {
                const TKey& pivot = keys[p];
                while (Before<Descending>(keys[i], pivot) && i < hi) {
                    ++i;
                }
                while (Before<Descending>(pivot, keys[j]) && j > lo) {
                    --j;
                }
                if (i <= j) {
                    if (i != j && Differ(keys[i], keys[j])) {
                        Follow(selected, i, j);
                        Follow(p, i, j);
                        std::swap(keys[i], keys[j]);
                        std::swap(from[i], from[j]);
                    }
                    ++i;
                    --j;
                }
            } while (i <= j);
            if (j - lo < hi - i) {
                if (lo < j) {
                    QuickSortRange<Descending>(keys, from, lo, j, selected);
                }
                lo = i;
            } else {
                if (i < hi) {
                    QuickSortRange<Descending>(keys, from, i, hi, selected);
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
    static bool Less(const QCollatorSortKey& a, const QCollatorSortKey& b) {
        return a.compare(b) < 0;
    }
    static bool Differ(double a, double b) { return a < b || b < a; }
    static bool Differ(const QCollatorSortKey& a, const QCollatorSortKey& b) {
        return a.compare(b) != 0;
    }

    // Row n takes the content that was at row from_[n]. Each cycle of that mapping is
    // walked with exchanges, every exchange putting one content at its final row. The
    // cycles are listed first (a walk through from_ alone, which stays in the cache), so
    // that the items, which lie anywhere in memory, can be fetched a few exchanges early.
    void Apply(TTodoItemCollection& items) {
        constexpr int kEnd = -1;  // ends a cycle in the list
        std::vector<int> order;
        order.reserve(from_.size() + from_.size() / 2);
        std::vector<bool> placed(from_.size(), false);
        for (std::size_t start = 0; start < from_.size(); ++start) {
            if (placed[start] || from_[start] == int(start)) {
                continue;
            }
            for (std::size_t at = start; !placed[at]; at = std::size_t(from_[at])) {
                placed[at] = true;
                order.push_back(int(at));
            }
            order.push_back(kEnd);
        }
        constexpr std::size_t kAhead = 16;
        for (std::size_t n = 0; n + 1 < order.size(); ++n) {
            if (n + kAhead < order.size() && order[n + kAhead] != kEnd) {
                const char* ahead = reinterpret_cast<const char*>(items.At(order[n + kAhead]));
                for (std::size_t line = 0; line < sizeof(TTodoItem); line += 64) {
                    __builtin_prefetch(ahead + line, 1);
                }
            }
            if (order[n] != kEnd && order[n + 1] != kEnd) {
                items.At(order[n])->ExchangeQuietly(*items.At(order[n + 1]));
            }
        }
        // One repaint of all rows instead of two rows per exchange.
        if (!order.empty()) {
            items.Changed();
        }
    }

    std::vector<TKey> keys_;
    std::vector<int> from_;
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

void SortTodoItems(TTodoItemCollection& items, TTodoData kind, TSortDirection direction,
                   int& selected, const QCollator* collator) {
    const int count = items.Count();
    if (count < 2 || !(IsTextKind(kind) || IsNumberKind(kind))) {
        return;  // fewer than two items, or a kind by which all items are equal
    }
    const bool descending = direction == sdDescending;
    if (IsTextKind(kind)) {
        std::optional<QCollator> own;
        if (!collator) {
            own = DefaultTodoCollator();
            collator = &*own;
        }
        // Collation keys are made once: a comparison then never converts text.
        std::vector<QCollatorSortKey> keys;
        keys.reserve(std::size_t(count));
        for (int i = 0; i < count; ++i) {
            const std::string& text = TextOf(*items.At(i), kind);
            keys.push_back(
                collator->sortKey(QString::fromLocal8Bit(text.data(), qsizetype(text.size()))));
        }
        Sorter<QCollatorSortKey>(std::move(keys), descending, selected).Run(items);
    } else {
        std::vector<double> keys;
        keys.reserve(std::size_t(count));
        for (int i = 0; i < count; ++i) {
            keys.push_back(NumberOf(*items.At(i), kind));
        }
        Sorter<double>(std::move(keys), descending, selected).Run(items);
    }
}
