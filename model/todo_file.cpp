#include "model/todo_file.h"

#include <QFile>
#include <cstring>

#include "model/byte_reader.h"
#include "model/errors.h"
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

void PutInt(QByteArray& out, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    const char bytes[4] = {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF),
                           char((v >> 24) & 0xFF)};
    out.append(bytes, 4);
}

void PutHeader(QByteArray& out, std::uint8_t tag, std::size_t length) {
    const char bytes[3] = {char(tag), char(length & 0xFF), char((length >> 8) & 0xFF)};
    out.append(bytes, 3);
}

void PutByteField(QByteArray& out, std::uint8_t tag, std::uint8_t value) {
    PutHeader(out, tag, 1);
    out.append(char(value));
}

void PutIntField(QByteArray& out, std::uint8_t tag, std::int32_t value) {
    PutHeader(out, tag, 4);
    PutInt(out, value);
}

void PutDoubleField(QByteArray& out, std::uint8_t tag, double value) {
    PutHeader(out, tag, 8);
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    char bytes[8];
    for (int i = 0; i < 8; ++i) {
        bytes[i] = char((bits >> (8 * i)) & 0xFF);
    }
    out.append(bytes, 8);
}

void PutTextField(QByteArray& out, std::uint8_t tag, const std::string& text) {
    PutHeader(out, tag, text.size());
    out.append(text.data(), qsizetype(text.size()));
}

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

void AppendItemRecord(QByteArray& out, const TTodoItem& item, int index) {
    const std::string notes = item.Notes().Text();
    CheckLength(notes, "Notes", "item", index);
    CheckLength(item.Resource(), "Resource", "item", index);
    CheckLength(item.Subject(), "Subject", "item", index);
    CheckLength(item.Project(), "Project", "item", index);

    PutInt(out, kItemFieldCount);
    PutByteField(out, tagComplete, item.Complete() ? 1 : 0);
    PutByteField(out, tagCompletion, item.Completion());
    PutDoubleField(out, tagCompletionDate, item.CompletionDate());
    PutDoubleField(out, tagCreationDate, item.CreationDate());
    PutDoubleField(out, tagDueDate, item.DueDate());
    PutIntField(out, tagImageIndex, item.ImageIndex());
    PutTextField(out, tagNotes, notes);
    PutByteField(out, tagPriority, item.Priority());
    PutTextField(out, tagResource, item.Resource());
    PutByteField(out, tagStatus, item.Status());
    PutTextField(out, tagSubject, item.Subject());
    PutIntField(out, tagTag, item.Tag());
    PutIntField(out, tagTotalTime, item.TotalTime());
    PutTextField(out, tagProject, item.Project());
}

QByteArray ItemsToBytes(const TTodoItemCollection& items) {
    std::size_t size = 4;
    for (const TTodoItem* item : items) {
        size += 86 + item->Resource().size() + item->Subject().size() + item->Project().size();
        for (const auto& line : item->Notes().Lines()) {
            size += line.size() + 2;
        }
    }
    QByteArray out;
    out.reserve(qsizetype(size));
    PutInt(out, items.Count());
    for (const TTodoItem* item : items) {
        AppendItemRecord(out, *item, item->Index());
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
                item.Notes().SetText(reader.ReadBytes(length));
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

void ReadItems(const QByteArray& data, const QString& fileName, TTodoItemCollection& into) {
    TByteReader reader(data, fileName);
    const std::int32_t count = ReadCount(reader, kMinRecordSize, "item");
    if (count <= 0) {
        return;
    }
    into.Reserve(count);
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
    QByteArray out;
    PutInt(out, columns.Count());
    for (const TTodoColumnItem* column : columns) {
        CheckLength(column->Caption(), "Caption", "column", column->Index());
        PutInt(out, kColumnFieldCount);
        PutIntField(out, tagWidth, column->Width());
        PutTextField(out, tagCaption, column->Caption());
        PutByteField(out, tagTodoData, column->TodoData());
    }
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
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        throw EFOpenError::ForFile(fileName);
    }
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw EReadError(
            QStringLiteral("Cannot read file %1: %2").arg(fileName, file.errorString()));
    }
    return data;
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

void SaveToFile(const TTodoItemCollection& items, const QString& fileName) {
    WriteFileSafely(fileName, ItemsToBytes(items));
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
