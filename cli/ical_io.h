#pragma once

// A to-do list as iCalendar (RFC 5545), for calendar programs: one VCALENDAR with one
// VTODO per item, mapped as calendar/vtodo_mapping.h describes (SUMMARY, DESCRIPTION,
// PRIORITY, STATUS, PERCENT-COMPLETE, CREATED, DUE, COMPLETED, CATEGORIES, and
// X-PELLMARK-... for whatever those cannot carry exactly), so that importing an export
// gives the same .2do bytes. The UID depends only on the item's creation date and
// subject, so exporting the same list again gives the same UIDs and calendar programs
// update instead of duplicating.
//
// Both directions work one item at a time: the writer sends each VTODO on as it is
// written, the reader hands each item over as soon as its END:VTODO is read.

#include <QByteArray>
#include <QDateTime>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

#include "calendar/line_reader.h"
#include "calendar/local_time.h"
#include "cli/item_stream.h"
#include "model/todo_collections.h"
#include "model/todo_file.h"

// Writes iCalendar to a stream through TOutputBuffer: the calendar's first lines, then
// a VTODO per Add, and END:VCALENDAR with Finish. EWriteError "Cannot write the output"
// when the stream fails.
class TICalendarWriter {
public:
    // `stamp` is the DTSTAMP of every VTODO: the moment of the export. `expectedItems` (may
    // be 0) sizes the table that numbers items whose UIDs would be the same. With `helpers`
    // threads (FormatHelpers) the items are formatted in batches on them.
    TICalendarWriter(std::ostream& out, const QDateTime& stamp, std::size_t expectedItems = 0,
                     int helpers = 0);
    ~TICalendarWriter();

    void Add(const TTodoItem& item);
    // The same, taking the item's content.
    void Take(TTodoItem& item);
    void Finish();

private:
    class TUids;
    void Write(const TItemTexts& texts);

    TOutputBuffer out_;
    std::string stamp_;
    std::unique_ptr<TUids> uids_;
    TItemBatches items_;
};

// The whole text for a list, written through TICalendarWriter.
QByteArray ItemsToICalendar(const TTodoItemCollection& items, const QDateTime& stamp);

// Reads iCalendar text and hands every VTODO over as an item, in order (the receiver may
// take the item's content). `warn` gets one line for each part that is skipped (VEVENT,
// VJOURNAL, VFREEBUSY, VALARM, RRULE) and each unknown time zone. EImportError naming the
// line (and the item and property) for malformed input: a line without a colon, BEGIN and
// END that do not match, input that ends inside a component, a bad date or number, bytes
// that are not UTF-8, a line longer than MaxContentLineLength.
void ReadICalendar(TReadBytes read, const std::function<void(TTodoItem& item)>& onItem,
                   const std::function<void(const QString& warning)>& warn);
// The same on `helpers` threads (ChunkHelpers), cut at the VTODOs, the items going straight
// to `list` as .2do records; false, with some items added, for input that gives a warning
// or an error, or defines time zones after its first VTODO: it is then read again with
// ReadICalendar, which reports them.
bool ImportICalendarInChunks(TReadBytes read, int helpers, TTodoFileWriter& list);
// The same from bytes in memory, appending to `into` only when the whole text is good.
void ItemsFromICalendar(const QByteArray& text, TTodoItemCollection& into,
                        const std::function<void(const QString& warning)>& warn = {});
