#pragma once

// The large lists the fault tests save: deterministic content of every kind of field, and a
// generation number stored in every item's Tag, so a file shows at once whether it is one
// complete save (every item of one generation) and which one.

#include <string>

#include "model/todo_collections.h"

inline void FillBigList(TTodoItemCollection& items, int count) {
    items.Reserve(items.Count() + count);
    for (int i = 0; i < count; ++i) {
        TTodoItem& item = *items.Add();
        item.SetSubject("Item " + std::to_string(i) + " of the big list");
        item.SetResource("Person " + std::to_string(i % 17));
        item.SetProject(i % 5 == 0 ? std::string() : "Project " + std::to_string(i % 7));
        if (i % 3 != 0) {
            TStringList notes;
            for (int line = 0; line < i % 3; ++line) {
                notes.Add("note line " + std::to_string(line) + " of item " + std::to_string(i));
            }
            item.SetNotes(notes);
        }
        item.SetCreationDate(44000.0 + i % 1000 + 0.25);
        item.SetDueDate(i % 4 == 0 ? 0.0 : 45000.0 + i % 365);
        item.SetCompletion(TCompletion(i % 101));
        item.SetComplete(i % 101 == 100);
        item.SetStatus(static_cast<TTodoStatus>(i % 4));
        item.SetPriority(static_cast<TTodoPriority>(i % 5));
        item.SetTotalTime(i % 600);
        item.SetImageIndex(i % 9 - 1);
    }
}

inline void SetGeneration(TTodoItemCollection& items, int generation) {
    for (TTodoItem* item : items) {
        item->SetTag(generation);
    }
}

// The generation of a list read back, or -1 when its items disagree.
inline int GenerationOf(const TTodoItemCollection& items) {
    if (items.Count() == 0) {
        return -1;
    }
    const int generation = items.At(0)->Tag();
    for (const TTodoItem* item : items) {
        if (item->Tag() != generation) {
            return -1;
        }
    }
    return generation;
}
