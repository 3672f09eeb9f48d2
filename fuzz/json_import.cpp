// The JSON importer of pellmark-cli on arbitrary bytes. A refused document leaves the list
// as it was; an accepted one exports to JSON that imports to the same list again, and the
// two lists save to the same .2do bytes.

#include "cli/cli_errors.h"
#include "cli/json_io.h"
#include "fuzz/fuzz_support.h"
#include "model/todo_file.h"

namespace {

// The .2do bytes of a list, or nothing for a text longer than a field can hold.
QByteArray SavedOrEmpty(const TTodoItemCollection& items) {
    try {
        return ItemsToBytes(items);
    } catch (const EWriteError&) {
        return {};
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TTodoItemCollection items;
    items.Add()->SetSubject("already there");
    const QByteArray before = ItemsToBytes(items);
    try {
        ItemsFromJson(FuzzBytes(data, size), items);
    } catch (const EImportError&) {
        FuzzExpect(ItemsToBytes(items) == before, "a refused document changed the list");
        return 0;
    }
    items.Delete(0);

    const QByteArray exported = ItemsToJson(items);
    TTodoItemCollection again;
    try {
        ItemsFromJson(exported, again);
    } catch (const EImportError& e) {
        throw TFuzzFailure("exported JSON does not import: " + std::string(e.what()));
    }
    FuzzExpect(ItemsToJson(again) == exported, "exported JSON imports to another list");
    FuzzExpect(SavedOrEmpty(again) == SavedOrEmpty(items), "the imported list saves differently");
    return 0;
}
