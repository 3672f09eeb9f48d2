#pragma once

// The two binary formats of a to-do list: the .2do file with all items, and the column
// layout file. Both are sequences of tagged field records (tag byte, 16-bit length, data),
// little-endian, with no header or end marker.
//
// Reading checks every count and length against the bytes that are really there and reads
// into new objects first: a damaged file raises EReadError (naming the file and the byte
// offset) and the list keeps what it held. Saving refuses texts the format cannot hold and
// replaces the file crash-safely, so a failed save leaves the previous file as it was.

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "model/todo_collections.h"

class TByteReader;

// The longest text a field can hold.
inline constexpr std::size_t MaxFieldLength = 65535;

// Item records ----------------------------------------------------------------------------

// The whole .2do file for these items; EWriteError when a text is too long.
QByteArray ItemsToBytes(const TTodoItemCollection& items);
// Appends one item record; EWriteError when a text is too long.
void AppendItemRecord(QByteArray& out, const TTodoItem& item, int index = 0);
// Reads one item record into an item that has the new-item values.
void ReadItemRecord(TByteReader& reader, TTodoItem& item);
// Reads a whole .2do file into `into`, which must be empty and is best free-standing.
void ReadItems(const QByteArray& data, const QString& fileName, TTodoItemCollection& into);

// Column records --------------------------------------------------------------------------

// One column as the layout file keeps it; fields that did not occur stay unset.
struct TColumnRecord {
    std::optional<std::int32_t> Width;
    std::optional<std::string> Caption;
    std::optional<std::uint8_t> TodoData;
    bool SawHandle = false;  // a tdHandle occurred, which makes the column not editable

    // Applies the fields through the column's setters.
    void ApplyTo(TTodoColumnItem& column) const;
};

QByteArray ColumnsToBytes(const TTodoColumnCollection& columns);
std::vector<TColumnRecord> ReadColumns(const QByteArray& data, const QString& fileName);

// Operations of the to-do list ------------------------------------------------------------

void SaveToStream(const TTodoItemCollection& items, QIODevice& stream);
// Replaces the items by those of the stream.
void LoadFromStream(TTodoItemCollection& items, QIODevice& stream, const QString& name = {});
// "Cannot create file %s" or a write error; the previous file stays intact on failure.
void SaveToFile(const TTodoItemCollection& items, const QString& fileName);
// "Cannot open file %s", or EReadError for a damaged file; the items stay as they were.
void LoadFromFile(TTodoItemCollection& items, const QString& fileName);
void SaveColumns(const TTodoColumnCollection& columns, const QString& fileName);
// Replaces the columns by those of the file.
void LoadColumns(TTodoColumnCollection& columns, const QString& fileName);

// Reads a whole file, raising "Cannot open file %s" when it cannot be opened, and "Cannot
// open file %s: not a regular file" for a FIFO, a device or a folder.
QByteArray ReadWholeFile(const QString& fileName);

// Reads a .2do file one item at a time, holding only a window of the file: `onCount` (may
// be empty) gets the item count, then `onItem` each item, free-standing and with its
// record's values. Errors as LoadFromFile, raised when reached: the items before a damage
// have been handed over already.
void ForEachItemInFile(const QString& fileName, const std::function<void(int count)>& onCount,
                       const std::function<void(TTodoItem& item)>& onItem);

class TSafeFileWriter;

// Writes a .2do file one item at a time, crash-safely (model/safe_file.h): the item count
// is filled in by Commit. Destroyed without a Commit, it leaves the previous file as it was.
class TTodoFileWriter {
public:
    // EFCreateError "Cannot create file %s".
    explicit TTodoFileWriter(const QString& fileName);
    ~TTodoFileWriter();
    TTodoFileWriter(const TTodoFileWriter&) = delete;
    TTodoFileWriter& operator=(const TTodoFileWriter&) = delete;

    // EWriteError for a text too long for its field (naming the item by its number).
    void Add(const TTodoItem& item);
    // Records made apart by AppendItemRecord, `count` of them, in the order of the list.
    void AddRecords(const char* records, std::size_t size, int count);
    int Count() const { return count_; }
    void Commit();

private:
    std::unique_ptr<TSafeFileWriter> file_;
    std::vector<char> buffer_;
    std::size_t used_ = 0;
    std::int32_t count_ = 0;
    bool flushed_ = false;
};
