// The CSV importer of pellmark-cli on arbitrary bytes (see import_check.h).

#include "cli/csv_io.h"
#include "fuzz/import_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckImporter(
        FuzzBytes(data, size),
        [](const QByteArray& bytes, TTodoItemCollection& items) { ItemsFromCsv(bytes, items); },
        [](const TTodoItemCollection& items) { return ItemsToCsv(items); }, "CSV");
    return 0;
}
