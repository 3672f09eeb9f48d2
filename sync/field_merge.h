#pragma once

// The three-way merge of one item, field by field, against the values both sides had at
// the last sync. Pure logic: no server, no file.
//
// The server is compared with the base as the server would show it (the base written to
// a VTODO and read back), so a value that iCalendar cannot carry byte for byte (a text
// that is not UTF-8) never counts as a change made on the server.
//
// Per field:
//   changed on neither side          the local value (which is the base)
//   changed on one side              that side's value
//   changed on both, to the same     that value
//   changed on both, differently     the local value, and the field is a conflict: the
//                                    caller keeps the server's version as an item of its own

#include "calendar/todo_fields.h"
#include "model/todo_item.h"

struct TFieldMerge {
    TTodoFields LocalChanged = 0;
    TTodoFields RemoteChanged = 0;
    TTodoFields Conflicts = 0;
    TTodoFields TakenFromRemote = 0;  // the fields `merged` took from the server
};

// `base` and `remoteBase` are the last synced values, as the list and as the server has
// them; `localOnServer` is the local item as the server would show it. `merged` is set
// to the local item with the server's changes.
TFieldMerge MergeFields(const TTodoItem& base, const TTodoItem& remoteBase, const TTodoItem& local,
                        const TTodoItem& localOnServer, const TTodoItem& remote, TTodoItem& merged);

// " (conflict)", the end of the subject of a conflict's second item.
inline constexpr const char* ConflictSuffix = " (conflict)";
// The server's version of a conflict, as the second item: its values and the subject with
// ConflictSuffix.
void MakeConflictCopy(const TTodoItem& remote, TTodoItem& copy);
