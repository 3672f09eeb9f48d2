#include "model/todo_file.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <limits>
#include <thread>
#include <vector>

#include "model/byte_reader.h"
#include "model/errors.h"
#include "model/regular_file.h"
#include "model/safe_file.h"

namespace {

// Field tags of an item record, in the order they are written.
enum ItemTag : std::uint8_t {
    tagComplete = 1,
    tagCompletion = 2,
    tagCompletionDate = 3,
    tagCreationDate = 4,
    tagDueDate = 5,
    tagImageIndex = 6,
    tagNotes = 7,
    tagPriority = 8,
    tagResource = 9,
    tagStatus = 10,
    tagSubject = 11,
    tagTag = 12,
    tagTotalTime = 13,
    tagProject = 14,
};
constexpr std::int32_t kItemFieldCount = 14;

enum ColumnTag : std::uint8_t { tagWidth = 1, tagCaption = 2, tagTodoData = 3 };
constexpr std::int32_t kColumnFieldCount = 3;

// Smallest sizes a record and a field can have; counts beyond what the remaining bytes
// could hold are refused before anything is allocated for them.
constexpr std::size_t kMinRecordSize = 4;
constexpr std::size_t kMinFieldSize = 3;

void CheckLength(const std::string& text, const char* field, const char* what, int index) {
    if (text.size() > MaxFieldLength) {
        throw EWriteError(QStringLiteral("The %1 of %2 %3 is longer than 65535 bytes and "
                                         "cannot be saved")
                              .arg(QLatin1String(field), QLatin1String(what))
                              .arg(index));
    }
}

std::int32_t ReadCount(TByteReader& reader, std::size_t minSize, const char* what) {
    const std::size_t at = reader.Position();
    const std::int32_t count = reader.ReadInt();
    if (count > 0 && std::size_t(count) > reader.Remaining() / minSize) {
        reader.FailAt(at, QStringLiteral("%1 count %2 is more than the file can hold")
                              .arg(QLatin1String(what))
                              .arg(count));
    }
    return count;
}

}  // namespace

// Items -----------------------------------------------------------------------------------

namespace {

// Writes records into memory already sized for them: a list of many items is written
// without growing its buffer or calling anything per field.
class TRecordWriter {
public:
    explicit TRecordWriter(char* at) : at_(at) {}

    void Int(std::int32_t value) { Store(qToLittleEndian(value)); }
    void Header(std::uint8_t tag, std::size_t length) {
        *at_++ = char(tag);
        Store(qToLittleEndian(std::uint16_t(length)));
    }
    void ByteField(std::uint8_t tag, std::uint8_t value) {
        Header(tag, 1);
        *at_++ = char(value);
    }
    void IntField(std::uint8_t tag, std::int32_t value) {
        Header(tag, 4);
        Int(value);
    }
    void DoubleField(std::uint8_t tag, double value) {
        Header(tag, 8);
        std::uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        Store(qToLittleEndian(bits));
    }
    void TextField(std::uint8_t tag, const std::string& text) {
        Header(tag, text.size());
        std::memcpy(at_, text.data(), text.size());
        at_ += text.size();
    }

    // Fourteen fields in tag order; the texts must have passed CheckItem.
    void ItemRecord(const TTodoItem& item) {
        Int(kItemFieldCount);
        ByteField(tagComplete, item.Complete() ? 1 : 0);
        ByteField(tagCompletion, item.Completion());
        DoubleField(tagCompletionDate, item.CompletionDate());
        DoubleField(tagCreationDate, item.CreationDate());
        DoubleField(tagDueDate, item.DueDate());
        IntField(tagImageIndex, item.ImageIndex());
        TextField(tagNotes, item.Notes().Text());
        ByteField(tagPriority, item.Priority());
        TextField(tagResource, item.Resource());
        ByteField(tagStatus, item.Status());
        TextField(tagSubject, item.Subject());
        IntField(tagTag, item.Tag());
        IntField(tagTotalTime, item.TotalTime());
        TextField(tagProject, item.Project());
    }

    char* Position() const { return at_; }

private:
    template <typename T>
    void Store(T value) {
        std::memcpy(at_, &value, sizeof value);
        at_ += sizeof value;
    }

    char* at_;
};

std::size_t RecordSize(const TTodoItem& item) {
    return 86 + item.Notes().Text().size() + item.Resource().size() + item.Subject().size() +
           item.Project().size();
}

// The size of the item's record; EWriteError when a text is too long for its field.
std::size_t CheckItem(const TTodoItem& item, int index) {
    CheckLength(item.Notes().Text(), "Notes", "item", index);
    CheckLength(item.Resource(), "Resource", "item", index);
    CheckLength(item.Subject(), "Subject", "item", index);
    CheckLength(item.Project(), "Project", "item", index);
    return RecordSize(item);
}

}  // namespace

void AppendItemRecord(QByteArray& out, const TTodoItem& item, int index) {
    const std::size_t size = CheckItem(item, index);
    const qsizetype at = out.size();
    out.resize(at + qsizetype(size));
    TRecordWriter(out.data() + at).ItemRecord(item);
}

QByteArray ItemsToBytes(const TTodoItemCollection& items) {
    // Every text is checked before anything is written.
    std::size_t size = 4;
    for (const TTodoItem* item : items) {
        size += CheckItem(*item, item->Index());
    }
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    TRecordWriter writer(out.data());
    writer.Int(items.Count());
    for (const TTodoItem* item : items) {
        writer.ItemRecord(*item);
    }
    return out;
}

void ReadItemRecord(TByteReader& reader, TTodoItem& item) {
    const std::int32_t fields = ReadCount(reader, kMinFieldSize, "field");
    for (std::int32_t f = 0; f < fields; ++f) {
        const std::uint8_t tag = reader.ReadByte();
        const std::uint16_t length = reader.ReadWord();
        // Fixed-width fields are read at their own width whatever the length says.
        switch (tag) {
            case tagComplete:
                item.SetComplete(reader.ReadByte() != 0);
                break;
            case tagCompletion:
                item.SetCompletion(reader.ReadByte());
                break;
            case tagPriority:
                item.SetPriority(static_cast<TTodoPriority>(reader.ReadByte()));
                break;
            case tagStatus:
                item.SetStatus(static_cast<TTodoStatus>(reader.ReadByte()));
                break;
            case tagCompletionDate:
                item.SetCompletionDate(reader.ReadDouble());
                break;
            case tagCreationDate:
                item.SetCreationDate(reader.ReadDouble());
                break;
            case tagDueDate:
                item.SetDueDate(reader.ReadDouble());
                break;
            case tagImageIndex:
                item.SetImageIndex(reader.ReadInt());
                break;
            case tagTotalTime:
                item.SetTotalTime(reader.ReadInt());
                break;
            case tagTag:
                item.SetTag(reader.ReadInt());
                break;
            case tagNotes:
                item.Notes().SetText(reader.ReadView(length));
                break;
            case tagResource:
                item.SetResource(reader.ReadBytes(length));
                break;
            case tagSubject:
                item.SetSubject(reader.ReadBytes(length));
                break;
            case tagProject:
                item.SetProject(reader.ReadBytes(length));
                break;
            default:
                reader.Skip(length);
                break;
        }
    }
}

namespace {

// Moves over one record by its field lengths.
void SkipItemRecord(TByteReader& reader) {
    const std::int32_t fields = ReadCount(reader, kMinFieldSize, "field");
    for (std::int32_t f = 0; f < fields; ++f) {
        reader.ReadByte();
        reader.Skip(reader.ReadWord());
    }
}

// A long list read in parts on several threads: where each part starts is found by the
// records' lengths, the items are made here (their memory is shared), and each part fills
// its own. A part must end where the next starts, as it does when every field is as long
// as its length says; false for anything else (the list is then read in one go, which
// reports what is wrong the usual way).
bool ReadItemsInParts(const QByteArray& data, const QString& fileName, std::size_t first,
                      std::int32_t count, TTodoItemCollection& into) {
    constexpr std::int32_t kPartItems = 20000;
    const int parts = int(std::min<std::int32_t>(
        std::int32_t(std::min(std::thread::hardware_concurrency(), 4u)), count / kPartItems));
    if (parts < 2 || into.Count() != 0 || into.Owner() != nullptr) {
        return false;
    }
    const auto partStart = [count, parts](int part) {
        return std::int32_t(std::int64_t(count) * part / parts);
    };
    // The walk comes first: a damaged count must not make items by the million.
    std::vector<std::size_t> starts(std::size_t(parts) + 1);
    bool walked = false;
    [&] {
        try {
            TByteReader walk(data, fileName);
            walk.Skip(first);
            int part = 0;
            for (std::int32_t i = 0; i < count; ++i) {
                if (i == partStart(part)) {
                    starts[std::size_t(part++)] = walk.Position();
                }
                SkipItemRecord(walk);
            }
            starts[std::size_t(parts)] = walk.Position();
            walked = true;
        } catch (const EReadError&) {
        }
    }();
    if (!walked) {
        return false;
    }
    for (std::int32_t i = 0; i < count; ++i) {
        into.Add();
    }
    std::vector<char> read(std::size_t(parts), 0);
    std::vector<std::thread> threads;
    const auto readPart = [&](int part) {
        try {
            TByteReader reader(data, fileName);
            reader.Skip(starts[std::size_t(part)]);
            for (std::int32_t i = partStart(part); i < partStart(part + 1); ++i) {
                ReadItemRecord(reader, *into.At(i));
            }
            read[std::size_t(part)] =
                part + 1 == parts || reader.Position() == starts[std::size_t(part) + 1];
        } catch (...) {
        }
    };
    for (int part = 1; part < parts; ++part) {
        threads.emplace_back(readPart, part);
    }
    readPart(0);
    for (std::thread& thread : threads) {
        thread.join();
    }
    if (std::find(read.begin(), read.end(), 0) != read.end()) {
        into.Clear();
        return false;
    }
    return true;
}

}  // namespace

void ReadItems(const QByteArray& data, const QString& fileName, TTodoItemCollection& into) {
    TByteReader reader(data, fileName);
    const std::int32_t count = ReadCount(reader, kMinRecordSize, "item");
    if (count <= 0) {
        return;
    }
    into.Reserve(count);
    if (ReadItemsInParts(data, fileName, reader.Position(), count, into)) {
        return;
    }
    for (std::int32_t i = 0; i < count; ++i) {
        ReadItemRecord(reader, *into.Add());
    }
}

// Columns ---------------------------------------------------------------------------------

void TColumnRecord::ApplyTo(TTodoColumnItem& column) const {
    if (Width) {
        column.SetWidth(*Width);
    }
    if (Caption) {
        column.SetCaption(*Caption);
    }
    if (SawHandle) {
        column.SetTodoData(tdHandle);
    }
    if (TodoData) {
        column.SetTodoData(static_cast<TTodoData>(*TodoData));
    }
}

QByteArray ColumnsToBytes(const TTodoColumnCollection& columns) {
    // The count, then per column its field count and three fields (width, caption, kind).
    std::size_t size = 4;
    for (const TTodoColumnItem* column : columns) {
        CheckLength(column->Caption(), "Caption", "column", column->Index());
        size += 4 + (3 + 4) + (3 + column->Caption().size()) + (3 + 1);
    }
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    TRecordWriter writer(out.data());
    writer.Int(columns.Count());
    for (const TTodoColumnItem* column : columns) {
        writer.Int(kColumnFieldCount);
        writer.IntField(tagWidth, column->Width());
        writer.TextField(tagCaption, column->Caption());
        writer.ByteField(tagTodoData, column->TodoData());
    }
    Q_ASSERT(writer.Position() == out.data() + out.size());
    return out;
}

std::vector<TColumnRecord> ReadColumns(const QByteArray& data, const QString& fileName) {
    TByteReader reader(data, fileName);
    std::vector<TColumnRecord> records;
    const std::int32_t count = ReadCount(reader, kMinRecordSize, "column");
    if (count <= 0) {
        return records;
    }
    records.reserve(std::size_t(count));
    for (std::int32_t c = 0; c < count; ++c) {
        TColumnRecord record;
        const std::int32_t fields = ReadCount(reader, kMinFieldSize, "field");
        for (std::int32_t f = 0; f < fields; ++f) {
            const std::uint8_t tag = reader.ReadByte();
            const std::uint16_t length = reader.ReadWord();
            switch (tag) {
                case tagWidth:
                    record.Width = reader.ReadInt();
                    break;
                case tagCaption:
                    record.Caption = reader.ReadBytes(length);
                    break;
                case tagTodoData:
                    record.TodoData = reader.ReadByte();
                    if (*record.TodoData == tdHandle) {
                        record.SawHandle = true;
                    }
                    break;
                default:
                    reader.Skip(length);
                    break;
            }
        }
        records.push_back(std::move(record));
    }
    return records;
}

// Operations ------------------------------------------------------------------------------

QByteArray ReadWholeFile(const QString& fileName) {
    TRegularFile file(fileName);
    if (file.Size() > std::uint64_t(std::numeric_limits<qsizetype>::max() / 2)) {
        throw EReadError(
            QStringLiteral("Cannot read file %1: the file is too large").arg(fileName));
    }
    QByteArray data(qsizetype(file.Size()), Qt::Uninitialized);
    qsizetype filled = 0;
    while (filled < data.size()) {
        const std::size_t n = file.Read(data.data() + filled, std::size_t(data.size() - filled));
        if (n == 0) {
            break;  // the file shrank since it was opened
        }
        filled += qsizetype(n);
    }
    data.truncate(filled);
    return data;
}

void ForEachItemInFile(const QString& fileName, const std::function<void(int count)>& onCount,
                       const std::function<void(TTodoItem& item)>& onItem) {
    // A window of the file at a time; a record that runs past the window's end is read
    // again from its start once the window has moved on to it (and grown for a record
    // larger than the window).
    constexpr std::size_t kWindow = 1024 * 1024;
    TRegularFile file(fileName);
    TByteReader reader(file.Size(), fileName);
    std::vector<char> buffer(std::size_t(std::min<std::uint64_t>(file.Size(), kWindow)));
    std::uint64_t base = 0;
    std::size_t filled = 0;
    // Keeps the window's bytes from `keep` on and reads as many as fit behind them.
    auto moveOn = [&](std::size_t keep) {
        base += keep;
        filled -= keep;
        std::memmove(buffer.data(), buffer.data() + keep, filled);
        if (filled == buffer.size()) {
            buffer.resize(std::max<std::size_t>(buffer.size() * 2, 4096));
        }
        while (filled < buffer.size()) {
            const std::size_t n = file.Read(buffer.data() + filled, buffer.size() - filled);
            if (n == 0) {
                reader.SetTotal(base + filled);
                break;
            }
            filled += n;
        }
        reader.SetWindow(buffer.data(), filled, base);
    };
    moveOn(0);
    std::int32_t count = 0;
    for (;;) {
        try {
            count = ReadCount(reader, kMinRecordSize, "item");
            break;
        } catch (const TByteReader::TNeedMore&) {
            moveOn(0);
        }
    }
    count = std::max(count, 0);
    if (onCount) {
        onCount(count);
    }
    for (std::int32_t i = 0; i < count; ++i) {
        for (;;) {
            const std::size_t start = reader.WindowPosition();
            TTodoItem item(nullptr);
            try {
                ReadItemRecord(reader, item);
            } catch (const TByteReader::TNeedMore&) {
                moveOn(start);
                continue;
            }
            onItem(item);
            break;
        }
    }
}

namespace {

void ReplaceItems(TTodoItemCollection& items, const QByteArray& data, const QString& name) {
    TTodoItemCollection loaded;
    ReadItems(data, name, loaded);
    items.Clear();
    items.TakeAll(loaded);
}

}  // namespace

void SaveToStream(const TTodoItemCollection& items, QIODevice& stream) {
    const QByteArray data = ItemsToBytes(items);
    if (stream.write(data) != data.size()) {
        throw EWriteError(QStringLiteral("Stream write error: %1").arg(stream.errorString()));
    }
}

void LoadFromStream(TTodoItemCollection& items, QIODevice& stream, const QString& name) {
    ReplaceItems(items, stream.readAll(), name.isEmpty() ? QStringLiteral("stream") : name);
}

// The records are made in a buffer of half a megabyte that goes to the file whenever the
// next record would not fit, so a large list is never held twice in memory.
constexpr std::size_t kLargestRecord = 86 + 4 * MaxFieldLength;
constexpr std::size_t kWriteBuffer = 512 * 1024;
static_assert(kWriteBuffer >= kLargestRecord + 4);

TTodoFileWriter::TTodoFileWriter(const QString& fileName)
    : file_(std::make_unique<TSafeFileWriter>(fileName)), buffer_(kWriteBuffer) {
    TRecordWriter(buffer_.data()).Int(0);  // the count, filled in by Commit
    used_ = 4;
}

TTodoFileWriter::~TTodoFileWriter() = default;

void TTodoFileWriter::Add(const TTodoItem& item) {
    if (count_ == std::numeric_limits<std::int32_t>::max()) {
        throw EWriteError(QStringLiteral("A list cannot hold more than 2147483647 items"));
    }
    const std::size_t size = CheckItem(item, count_);
    if (used_ + size > buffer_.size()) {
        file_->Write(buffer_.data(), used_);
        flushed_ = true;
        used_ = 0;
    }
    TRecordWriter(buffer_.data() + used_).ItemRecord(item);
    used_ += size;
    ++count_;
}

void TTodoFileWriter::AddRecords(const char* records, std::size_t size, int count) {
    if (count > std::numeric_limits<std::int32_t>::max() - count_) {
        throw EWriteError(QStringLiteral("A list cannot hold more than 2147483647 items"));
    }
    if (used_ + size > buffer_.size()) {
        file_->Write(buffer_.data(), used_);
        flushed_ = true;
        used_ = 0;
    }
    if (size > buffer_.size()) {
        file_->Write(records, size);
    } else {
        std::memcpy(buffer_.data() + used_, records, size);
        used_ += size;
    }
    count_ += count;
}

void TTodoFileWriter::Commit() {
    char count[4];
    TRecordWriter(count).Int(count_);
    if (!flushed_) {
        std::memcpy(buffer_.data(), count, sizeof count);
    }
    file_->Write(buffer_.data(), used_);
    if (flushed_) {
        file_->WriteAt(0, count, sizeof count);
    }
    file_->Commit();
}

void SaveToFile(const TTodoItemCollection& items, const QString& fileName) {
    // A text too long for its field stops the save before its record is written; the
    // previous file stays as it was.
    TTodoFileWriter writer(fileName);
    for (const TTodoItem* item : items) {
        writer.Add(*item);
    }
    writer.Commit();
}

void LoadFromFile(TTodoItemCollection& items, const QString& fileName) {
    ReplaceItems(items, ReadWholeFile(fileName), fileName);
}

void SaveColumns(const TTodoColumnCollection& columns, const QString& fileName) {
    WriteFileSafely(fileName, ColumnsToBytes(columns));
}

void LoadColumns(TTodoColumnCollection& columns, const QString& fileName) {
    const std::vector<TColumnRecord> records = ReadColumns(ReadWholeFile(fileName), fileName);
    columns.Clear();
    for (const TColumnRecord& record : records) {
        record.ApplyTo(*columns.Add());
    }
}
