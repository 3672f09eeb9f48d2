// The .2do reader on arbitrary bytes, followed by what the list does with whatever it
// read: the display texts and date texts that painting asks for, and a sort as a header
// click runs it.

#include <algorithm>
#include <cmath>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "model/date_time.h"
#include "model/errors.h"
#include "model/todo_file.h"
#include "model/todo_sort.h"
#include "model/todo_strings.h"

namespace {

const QString kFileName = QStringLiteral("fuzz.2do");

QByteArray RecordOf(const TTodoItem& item) {
    QByteArray out;
    AppendItemRecord(out, item);
    return out;
}

// Whether the items leave the sort no order to check by this kind: NaN dates compare
// equal to every date, and in the C locale Qt's collation keys end a text at a zero byte
// while its comparison does not.
bool HasNoOrder(const TTodoItemCollection& items, TTodoData kind) {
    for (const TTodoItem* item : items) {
        switch (kind) {
            case tdDueDate:
            case tdCompletionDate:
            case tdCreationDate:
                if (std::isnan(item->CompletionDate()) || std::isnan(item->CreationDate()) ||
                    std::isnan(item->DueDate())) {
                    return true;
                }
                break;
            case tdSubject:
            case tdResource:
            case tdProject:
            case tdNotes:
                for (const std::string& text :
                     {item->Subject(), item->Resource(), item->Project(), item->Notes().Text()}) {
                    if (text.find('\0') != std::string::npos) {
                        return true;
                    }
                }
                break;
            default:
                break;
        }
    }
    return false;
}

void ShowItems(const TTodoItemCollection& items) {
    static const TStatusStrings statusTexts;
    static const TPriorityStrings priorityTexts;
    const QString dateFormat = QStringLiteral("MM/d/yyyy");
    const QString stampFormat = QStringLiteral("mm/dd/yyyy h:nn am/pm");
    for (const TTodoItem* item : items) {
        const bool knownStatus = item->Status() < TodoStatusCount;
        FuzzExpect(statusTexts.GetString(item->Status()).empty() != knownStatus,
                   "status text of a known state is empty, or of an unknown one is not");
        const bool knownPriority = item->Priority() < TodoPriorityCount;
        FuzzExpect(priorityTexts.GetString(item->Priority()).empty() != knownPriority,
                   "priority text of a known priority is empty, or of an unknown one is not");
        for (const TDateTime date :
             {item->CompletionDate(), item->CreationDate(), item->DueDate()}) {
            FormatDateTime(dateFormat, date);
            FormatDateTime(stampFormat, date);
            DateTimeToQDateTime(date);
        }
    }
}

// Sorting by the kind and direction the input's size picks: the list stays a permutation
// of itself, comes out in order, and the selected row follows its content.
void SortItems(TTodoItemCollection& items, std::size_t size) {
    static const QCollator collator = DefaultTodoCollator();
    const auto kind = static_cast<TTodoData>(size % 16);
    const auto direction = static_cast<TSortDirection>((size / 16) % 2);
    const int count = items.Count();
    int selected = count > 0 ? int(size % std::size_t(count)) : -1;

    std::vector<QByteArray> before;
    for (const TTodoItem* item : items) {
        before.push_back(RecordOf(*item));
    }
    const QByteArray selectedRecord = selected >= 0 ? before[std::size_t(selected)] : QByteArray();

    SortTodoItems(items, kind, direction, selected, &collator);

    FuzzExpect(items.Count() == count, "sorting changed the number of items");
    std::vector<QByteArray> after;
    for (const TTodoItem* item : items) {
        after.push_back(RecordOf(*item));
    }
    FuzzExpect(selected >= -1 && selected < count, "the selected row left the list");
    if (selected >= 0) {
        FuzzExpect(after[std::size_t(selected)] == selectedRecord,
                   "the selection did not follow its item");
    }
    std::sort(before.begin(), before.end());
    std::vector<QByteArray> sortedAfter = after;
    std::sort(sortedAfter.begin(), sortedAfter.end());
    FuzzExpect(before == sortedAfter, "sorting lost or duplicated an item");

    if (HasNoOrder(items, kind)) {
        return;
    }
    for (int i = 0; i + 1 < count; ++i) {
        int order = CompareTodoItems(*items.At(i), *items.At(i + 1), kind, collator);
        if (direction == sdDescending) {
            order = -order;
        }
        FuzzExpect(order <= 0, "sorting left two items out of order");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TTodoItemCollection items;
    try {
        ReadItems(FuzzBytes(data, size), kFileName, items);
    } catch (const EReadError& e) {
        FuzzExpect(e.Message().startsWith(QStringLiteral("Cannot read file fuzz.2do: damaged at "
                                                         "byte ")),
                   "a read error does not name the file and the byte: " + std::string(e.what()));
        return 0;
    }
    ShowItems(items);
    // Sorting compares every pair of neighbours; a few hundred items are plenty.
    if (items.Count() <= 256) {
        SortItems(items, size);
    }
    return 0;
}
