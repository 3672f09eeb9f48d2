#pragma once

// What the streaming exports and imports share. The one way the exports reach their
// stream is TOutputBuffer: the text of each item is appended to a buffer that goes to the
// stream whenever it holds 64 KiB, so an export of any size needs no more memory than that
// and writes in large blocks. The in-memory forms (a list to bytes and back) run the same
// writers and readers.

#include <QByteArray>
#include <iosfwd>
#include <sstream>
#include <string>
#include <string_view>

#include "calendar/line_reader.h"
#include "model/todo_collections.h"

class TOutputBuffer {
public:
    explicit TOutputBuffer(std::ostream& out);

    // The text to append to.
    std::string& Text() { return buffer_; }
    // Call after each item: sends the buffer on once it is full enough.
    void ItemDone() {
        if (buffer_.size() >= kFlushSize) {
            Flush();
        }
    }
    // Sends the rest and flushes the stream. EWriteError "Cannot write the output" whenever
    // the stream fails.
    void Finish();

private:
    static constexpr std::size_t kFlushSize = 64 * 1024;
    void Flush();

    std::ostream& out_;
    std::string buffer_;
};

// The whole text of a list, through a writer with Add(item) and Finish().
template <typename TWriter, typename... TArgs>
QByteArray WriteItemsToBytes(const TTodoItemCollection& items, TArgs&&... args) {
    std::ostringstream out;
    TWriter writer(out, std::forward<TArgs>(args)...);
    for (const TTodoItem* item : items) {
        writer.Add(*item);
    }
    writer.Finish();
    const std::string text = std::move(out).str();
    return QByteArray(text.data(), qsizetype(text.size()));
}

// Reads bytes in memory through a reader(read, onItem), appending the items to `into` only
// when the whole input is good.
template <typename TReader>
void ReadItemsFromBytes(TReader readItems, const QByteArray& bytes, TTodoItemCollection& into) {
    TTodoItemCollection read;
    readItems(ReadFromMemory(std::string_view(bytes.constData(), std::size_t(bytes.size()))),
              [&read](TTodoItem& item) { read.Add()->TakeContentQuietly(item); });
    into.TakeAll(read);
}
