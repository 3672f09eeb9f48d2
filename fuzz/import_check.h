#pragma once

// The check both importers of pellmark-cli get on arbitrary bytes. A refused input leaves
// the list as it was; an accepted one exports to text that imports to the same list
// again, and the two lists save to the same .2do bytes.

#include <string>

#include "cli/cli_errors.h"
#include "fuzz/fuzz_support.h"
#include "model/todo_file.h"

// The .2do bytes of a list, or nothing for a text longer than a field can hold.
inline QByteArray SavedOrEmpty(const TTodoItemCollection& items) {
    try {
        return ItemsToBytes(items);
    } catch (const EWriteError&) {
        return {};
    }
}

// Import(bytes, items) appends to items or raises EImportError; Export(items) gives the
// text; `format` names it in the failures.
template <typename TImport, typename TExport>
void CheckImporter(const QByteArray& input, TImport Import, TExport Export,
                   const std::string& format) {
    TTodoItemCollection items;
    items.Add()->SetSubject("already there");
    const QByteArray before = ItemsToBytes(items);
    try {
        Import(input, items);
    } catch (const EImportError&) {
        FuzzExpect(ItemsToBytes(items) == before, "a refused input changed the list");
        return;
    }
    items.Delete(0);

    const QByteArray exported = Export(items);
    TTodoItemCollection again;
    try {
        Import(exported, again);
    } catch (const EImportError& e) {
        throw TFuzzFailure("exported " + format + " does not import: " + std::string(e.what()));
    }
    FuzzExpect(Export(again) == exported, "exported " + format + " imports to another list");
    FuzzExpect(SavedOrEmpty(again) == SavedOrEmpty(items), "the imported list saves differently");
}
