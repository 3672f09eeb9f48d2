// Whatever the .2do reader accepts saves to a file that reads back to the same list: the
// saved bytes, read and saved again, come out unchanged. A list the format cannot hold
// (notes that grow past 65535 bytes once their line breaks become CR LF) is refused with
// the program's error before anything is written.

#include "fuzz/fuzz_support.h"
#include "model/errors.h"
#include "model/todo_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString fileName = QStringLiteral("fuzz.2do");
    TTodoItemCollection first;
    try {
        ReadItems(FuzzBytes(data, size), fileName, first);
    } catch (const EReadError&) {
        return 0;
    }

    QByteArray saved;
    try {
        saved = ItemsToBytes(first);
    } catch (const EWriteError& e) {
        FuzzExpect(QString::fromUtf8(e.what()).contains(QStringLiteral("longer than 65535")),
                   "saving a list that was read failed: " + std::string(e.what()));
        return 0;
    }

    TTodoItemCollection second;
    try {
        ReadItems(saved, fileName, second);
    } catch (const EReadError& e) {
        throw TFuzzFailure("a saved list does not read back: " + std::string(e.what()));
    }
    FuzzExpect(second.Count() == first.Count(), "the saved list has another item count");
    FuzzExpect(ItemsToBytes(second) == saved, "saving the read-back list changed its bytes");
    return 0;
}
