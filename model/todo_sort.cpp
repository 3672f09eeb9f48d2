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

std::string TextOf(const TTodoItem& item, TTodoData kind) {
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
            return {};
    }
}

int CompareText(const std::string& a, const std::string& b, const QCollator& collator) {
    return collator.compare(QString::fromLocal8Bit(a.data(), qsizetype(a.size())),
                            QString::fromLocal8Bit(b.data(), qsizetype(b.size())));
}

int Sign(int value) {
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

// The partition sort over positions of the list. For text kinds the collation keys are
// made once and exchanged together with the items, so a comparison never converts text.
class Sorter {
public:
    Sorter(TTodoItemCollection& items, TTodoData kind, TSortDirection direction,
           const QCollator& collator, int& selected)
        : items_(items), kind_(kind), descending_(direction == sdDescending), selected_(selected) {
        if (IsTextKind(kind)) {
            keys_.reserve(std::size_t(items.Count()));
            for (const TTodoItem* item : items) {
                const std::string text = TextOf(*item, kind);
                keys_.push_back(
                    collator.sortKey(QString::fromLocal8Bit(text.data(), qsizetype(text.size()))));
            }
        } else {
            collator_ = &collator;
        }
    }

    void QuickSort(int lo, int hi) {
        // The larger part is sorted by the loop, the smaller one by recursion, which keeps
        // the stack shallow; the two parts are disjoint, so the result is the same as
        // sorting the left part first.
        while (lo < hi) {
            int i = lo;
            int j = hi;
            int p = (lo + hi) / 2;
            do {
                while (Compare(p, i) > 0 && i < hi) {
                    ++i;
                }
                while (Compare(p, j) < 0 && j > lo) {
                    --j;
                }
                if (i <= j) {
                    if (i != j && Compare(i, j) != 0) {
                        Follow(selected_, i, j);
                        Follow(p, i, j);
                        Swap(i, j);
                    }
                    ++i;
                    --j;
                }
            } while (i <= j);
            if (j - lo < hi - i) {
                if (lo < j) {
                    QuickSort(lo, j);
                }
                lo = i;
            } else {
                if (i < hi) {
                    QuickSort(i, hi);
                }
                hi = j;
            }
        }
    }

private:
    static void Follow(int& position, int i, int j) {
        if (position == i) {
            position = j;
        } else if (position == j) {
            position = i;
        }
    }

    int Compare(int a, int b) const {
        int result;
        if (!keys_.empty()) {
            result = Sign(keys_[std::size_t(a)].compare(keys_[std::size_t(b)]));
        } else {
            result = CompareTodoItems(*items_.At(a), *items_.At(b), kind_, *collator_);
        }
        return descending_ ? -result : result;
    }

    void Swap(int i, int j) {
        items_.At(i)->Exchange(*items_.At(j));
        if (!keys_.empty()) {
            keys_[std::size_t(i)].swap(keys_[std::size_t(j)]);
        }
    }

    TTodoItemCollection& items_;
    TTodoData kind_;
    bool descending_;
    int& selected_;
    const QCollator* collator_ = nullptr;
    std::vector<QCollatorSortKey> keys_;
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
    if (items.Count() < 2) {
        return;
    }
    std::optional<QCollator> own;
    if (!collator) {
        own = DefaultTodoCollator();
        collator = &*own;
    }
    Sorter sorter(items, kind, direction, *collator, selected);
    sorter.QuickSort(0, items.Count() - 1);
}
