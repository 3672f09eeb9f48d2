// The JSON importer of pellmark-cli on arbitrary bytes (see import_check.h), and its two
// quick readers against the full parser: where a quick one reads to the end, both give the
// same items or the same error.

#include <optional>
#include <string_view>

#include "cli/cli_errors.h"
#include "cli/json_io.h"
#include "fuzz/import_check.h"

namespace {

struct TOutcome {
    bool Finished = true;
    QByteArray Saved;
    QString Error;
};

template <typename TReader>
TOutcome Read(const QByteArray& bytes, TReader reader) {
    TOutcome outcome;
    TTodoItemCollection items;
    try {
        outcome.Finished =
            reader(ReadFromMemory(std::string_view(bytes.constData(), std::size_t(bytes.size()))),
                   [&items](TTodoItem& item) { items.Add()->TakeContentQuietly(item); });
    } catch (const EImportError& e) {
        outcome.Error = e.Message();
    }
    outcome.Saved = SavedOrEmpty(items);
    return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = FuzzBytes(data, size);
    CheckImporter(
        bytes,
        [](const QByteArray& json, TTodoItemCollection& items) { ItemsFromJson(json, items); },
        [](const TTodoItemCollection& items) { return ItemsToJson(items); }, "JSON");

    std::optional<TOutcome> full;
    for (const auto reader : {ReadJsonItemsInChunks, ReadJsonItemsQuickly}) {
        const TOutcome quick = Read(bytes, reader);
        if (!quick.Finished) {
            continue;
        }
        if (!full) {
            full = Read(bytes, [](TReadBytes read, const auto& onItem) {
                ReadJsonItems(std::move(read), onItem);
                return true;
            });
        }
        FuzzExpect(quick.Error == full->Error, "a quick JSON reader fails otherwise");
        FuzzExpect(quick.Saved == full->Saved, "a quick JSON reader reads other items");
    }
    return 0;
}
