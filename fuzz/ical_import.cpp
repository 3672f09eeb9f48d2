// The iCalendar importer of pellmark-cli on arbitrary bytes (see import_check.h).

#include "cli/ical_io.h"
#include "fuzz/import_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckImporter(
        FuzzBytes(data, size),
        [](const QByteArray& bytes, TTodoItemCollection& items) {
            ItemsFromICalendar(bytes, items);
        },
        [](const TTodoItemCollection& items) {
            return ItemsToICalendar(items, QDateTime(QDate(2024, 5, 1), QTime(8, 0), Qt::UTC));
        },
        "iCalendar");
    return 0;
}
