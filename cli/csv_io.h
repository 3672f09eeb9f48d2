#pragma once

// A to-do list as CSV (RFC 4180): a header row of property names, then one record per
// item, records ended by CR LF, fields quoted when they hold a comma, a quote or a line
// break, quotes inside doubled.
//
// Values: Complete "true" or "false"; numbers in decimal; Priority and Status their value
// names ("tpNormal") or the number when out of range; dates as ISO 8601 local date-times
// ("2023-03-15T12:00:00", milliseconds when there are any), empty for a date never set, and
// in the rare case that a date has no exact date-time form the day number or bit pattern
// of item_fields.h; Notes as the notes text, each line followed by CR LF. Texts are the
// list's own bytes, so every list reads back to the same .2do bytes.

#include <QByteArray>
#include <functional>
#include <iosfwd>

#include "calendar/line_reader.h"
#include "cli/item_stream.h"
#include "model/todo_collections.h"
#include "model/todo_file.h"

// Writes the header row at once and a record per Add. EWriteError "Cannot write the
// output" when the stream fails.
class TCsvWriter {
public:
    // With `helpers` threads (FormatHelpers) the items are formatted in batches on them.
    explicit TCsvWriter(std::ostream& out, int helpers = 0);
    void Add(const TTodoItem& item);
    // The same, taking the item's content.
    void Take(TTodoItem& item);
    void Finish();

private:
    TOutputBuffer out_;
    TItemBatches items_;
};

QByteArray ItemsToCsv(const TTodoItemCollection& items);

// Reads CSV as ItemsToCsv writes it, or as a spreadsheet saves it: the header decides which
// columns there are and in which order (missing ones, and empty cells other than texts, take
// the new-item values), lines may end in CR LF or LF, empty lines are skipped and a UTF-8
// byte order mark before the header is ignored. Appends the items to `into` only when the
// whole input is good; otherwise raises EImportError naming the line, the item (counted
// from 0) and the column, and `into` is unchanged. Never ends the process.
void ItemsFromCsv(const QByteArray& csv, TTodoItemCollection& into);
// The same a line at a time from a source of bytes, handing each item over as soon as its
// record is read; an error is raised when it is reached. A field longer than 4 MiB is
// refused.
void ReadCsvItems(TReadBytes read, const std::function<void(TTodoItem& item)>& onItem);
// The same on `helpers` threads (ChunkHelpers), cut at line ends outside quotes, the items
// going straight to `list` as .2do records; false, with some items added, for any error:
// the input is then read again with ReadCsvItems, which names it.
bool ImportCsvInChunks(TReadBytes read, int helpers, TTodoFileWriter& list);
