// The column layout reader on arbitrary bytes. What it accepts is applied to a column
// collection as loading the layout does; the columns then save and read back to the same
// bytes, and a column is editable unless a tdHandle kind occurred in its record.

#include <vector>

#include "fuzz/fuzz_support.h"
#include "model/errors.h"
#include "model/todo_file.h"

namespace {

const QString kFileName = QStringLiteral("columninfo.txt");

void Apply(const std::vector<TColumnRecord>& records, TTodoColumnCollection& columns) {
    for (const TColumnRecord& record : records) {
        record.ApplyTo(*columns.Add());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<TColumnRecord> records;
    try {
        records = ReadColumns(FuzzBytes(data, size), kFileName);
    } catch (const EReadError& e) {
        FuzzExpect(e.Message().startsWith(QStringLiteral("Cannot read file columninfo.txt: "
                                                         "damaged at byte ")),
                   "a read error does not name the file and the byte: " + std::string(e.what()));
        return 0;
    }

    TTodoColumnCollection columns;
    Apply(records, columns);
    FuzzExpect(columns.Count() == int(records.size()), "a column record was lost");
    for (const TTodoColumnItem* column : columns) {
        const TColumnRecord& record = records[std::size_t(column->Index())];
        FuzzExpect(!record.Width || column->Width() == *record.Width, "width not applied");
        FuzzExpect(!record.Caption || column->Caption() == *record.Caption, "caption not applied");
        FuzzExpect(!record.TodoData || column->TodoData() == *record.TodoData,
                   "data kind not applied");
        FuzzExpect(column->Editable() == !record.SawHandle, "editable flag wrong");
        FuzzExpect(!column->DisplayName().empty(), "a column without a display name");
        TodoDataName(column->TodoData());
    }

    const QByteArray saved = ColumnsToBytes(columns);
    TTodoColumnCollection again;
    Apply(ReadColumns(saved, kFileName), again);
    FuzzExpect(ColumnsToBytes(again) == saved, "saved columns read back differently");
    return 0;
}
