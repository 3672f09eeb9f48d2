#pragma once

// What the streaming exports and imports share. The one way the exports reach their
// stream is TOutputBuffer: the text of each item is appended to a buffer that goes to the
// stream whenever it holds 64 KiB, so an export of any size needs no more memory than that
// and writes in large blocks. The in-memory forms (a list to bytes and back) run the same
// writers and readers.

#include <QByteArray>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "calendar/line_reader.h"
#include "model/todo_collections.h"

class TOutputBuffer {
public:
    explicit TOutputBuffer(std::ostream& out);

    // The text to append to.
    std::string& Text() { return buffer_; }
    // Appends text of any length, sending what is held on first when it is long.
    void Write(std::string_view text) {
        if (text.size() < kFlushSize) {
            buffer_ += text;
            ItemDone();
            return;
        }
        Flush();
        WriteThrough(text);
    }
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
    void WriteThrough(std::string_view text);

    std::ostream& out_;
    std::string buffer_;
};

// The text a format made of some items, and what it noted of each (the calendar: each
// item's digest and where the digits of its UID end).
struct TItemTexts {
    std::string text;
    std::vector<std::size_t> ends;
    std::vector<std::uint64_t> keys;
    void Clear() {
        text.clear();
        ends.clear();
        keys.clear();
    }
};

using TFormatItem = std::function<void(const TTodoItem& item, TItemTexts& into)>;

// How many threads should help format `items`: none for a short list (or a single core),
// else one for each core, up to four.
int FormatHelpers(std::size_t items);

// The items of an export formatted in batches on helper threads, their texts written in
// order on the caller's thread; with no helpers each item is formatted and written at once.
class TItemBatches {
public:
    // `makeFormat` gives each thread a format of its own; `write` gets the texts.
    TItemBatches(int helpers, const std::function<TFormatItem()>& makeFormat,
                 std::function<void(TItemTexts& texts)> write);
    ~TItemBatches();

    void Add(const TTodoItem& item);
    // The same, taking the item's content.
    void Take(TTodoItem& item);
    // Writes what is left; an exception of a format is raised here or in Add.
    void Finish();

private:
    struct TBatch;
    template <typename TFill>
    void Put(const TTodoItem& item, TFill fill);

    struct TQueue;
    std::unique_ptr<TQueue> queue_;
    TFormatItem format_;  // without helpers
    std::function<void(TItemTexts&)> write_;
    TItemTexts texts_;
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
