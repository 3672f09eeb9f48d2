#pragma once

// A to-do list as JSON: {"items": [ {...}, ... ]}, one object per item with the fourteen
// property names as keys.
//
// Values: Complete a boolean; Completion, ImageIndex, Tag and TotalTime integers; the three
// dates numbers (days since 30 December 1899, printed so that they read back to the same
// double; NaN and the infinities, which JSON cannot hold, as "ieee754:" and their 16 hex
// digits); Priority and Status their value names ("tpNormal", "tsInProgress"), or the
// number when out of range; Notes an array of lines.
//
// Texts (Subject, Resource, Project and each Notes line) are JSON strings when the bytes
// are text in the system code page (always UTF-8 on Linux). Bytes that are not, as a
// foreign file may hold, are written as {"bytes": "..."}: each byte becomes the character
// with the same number (U+0000 to U+00FF), so every byte string survives the round trip.

#include <QByteArray>
#include <functional>
#include <iosfwd>

#include "calendar/line_reader.h"
#include "cli/item_stream.h"
#include "model/todo_collections.h"
#include "model/todo_file.h"

// Writes the document one item at a time: UTF-8, indented by two blanks, with a final line
// break. EWriteError "Cannot write the output" when the stream fails.
class TJsonWriter {
public:
    // With `helpers` threads (FormatHelpers) the items are formatted in batches on them.
    explicit TJsonWriter(std::ostream& out, int helpers = 0);
    void Add(const TTodoItem& item);
    // The same, taking the item's content.
    void Take(TTodoItem& item);
    void Finish();

private:
    void Write(const TItemTexts& texts);

    TOutputBuffer out_;
    bool any_ = false;
    TItemBatches items_;
};

// The whole document for a list.
QByteArray ItemsToJson(const TTodoItemCollection& items);

// Reads a document as ItemsToJson writes it, or one written by hand: keys may come in any
// order, a missing key (or null) leaves the new-item value, dates may also be given as
// texts ("2024-05-01", "2024-05-01T09:30:00"), other keys of the top object are ignored.
// Appends the items to `into` only when the whole document is good; otherwise raises
// EImportError naming the item (counted from 0) and the key, and `into` is unchanged.
// Never reads beyond the given bytes and never ends the process.
void ItemsFromJson(const QByteArray& json, TTodoItemCollection& into);
// The same from a source of bytes, handing each item over as soon as its object ends (the
// receiver may take its content); an error is raised when it is reached. Nesting deeper
// than 64 levels and a token longer than 4 MiB are refused.
void ReadJsonItems(TReadBytes read, const std::function<void(TTodoItem& item)>& onItem);
// The same, several times as fast, for a document that is well-formed UTF-8 without a byte
// order mark; false, with some items already handed over, for any other: the caller then
// starts again with ReadJsonItems on the same bytes, which names what is wrong. Errors of
// the items themselves are raised as ReadJsonItems raises them.
bool ReadJsonItemsQuickly(TReadBytes read, const std::function<void(TTodoItem& item)>& onItem);
// The same, faster still, for a document laid out with each item starting on a line of its
// own at one indent, as the export writes it; false for any other, as above.
bool ReadJsonItemsInChunks(TReadBytes read, const std::function<void(TTodoItem& item)>& onItem);
// The same on `helpers` threads (ChunkHelpers), the items going straight to `list` as .2do
// records; false as above, and for an error of an item too.
bool ImportJsonInChunks(TReadBytes read, int helpers, TTodoFileWriter& list);
