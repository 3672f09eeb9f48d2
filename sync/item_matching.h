#pragma once

// Which sidecar entry each item of the list is. The .2do file has no identity field, so
// items are recognised by the values they had at the last sync, in passes, each over what
// the ones before left:
// 1. all fields exactly the same (an item not edited since, wherever sorting or
//    reordering moved it);
// 2. the creation date's exact bits and the subject, then the creation date alone (when
//    it was ever set): set
//    once when an item is made, with fractions of a second, it is nearly a unique key, so
//    an edited item keeps its identity;
// 3. the subject, in order of position among the items of that subject.
// Within a pass, items and entries pair in the order of the list and of the sidecar.
// Items left over are new; entries left over were deleted from the list.

#include <QByteArray>
#include <vector>

#include "model/todo_collections.h"

struct TMatchKey {
    QByteArray Record;  // the .2do item record of the values
    double CreationDate = 0;
    std::string Subject;
};

// The key of an item's current values.
TMatchKey MatchKeyOf(const TTodoItem& item);

struct TItemMatch {
    std::vector<int> EntryOfItem;  // -1: a new item
    std::vector<int> ItemOfEntry;  // -1: deleted from the list
};

TItemMatch MatchItems(const std::vector<TMatchKey>& items, const std::vector<TMatchKey>& entries);
