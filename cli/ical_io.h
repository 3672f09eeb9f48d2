#pragma once

// A to-do list as iCalendar (RFC 5545), for calendar programs: one VCALENDAR with one
// VTODO per item. SUMMARY is the subject, DESCRIPTION the notes lines; PRIORITY maps
// Highest..Lowest to 1, 3, 5, 7, 9; STATUS is COMPLETED for a complete item or the
// Completed state, IN-PROCESS for In progress and NEEDS-ACTION otherwise;
// PERCENT-COMPLETE is what the list shows (100 for a complete item). CREATED and COMPLETED
// are in UTC as the standard asks, DUE is a floating local date-time; a date never set is
// left out. The UID depends only on the item's creation date and subject, so exporting
// the same list again gives the same UIDs and calendar programs update instead of
// duplicating. Texts are converted from the system code page to UTF-8; the export is one
// way and need not keep every byte.

#include <QByteArray>
#include <QDateTime>

#include "model/todo_collections.h"

// `stamp` is the DTSTAMP of every VTODO: the moment of the export.
QByteArray ItemsToICalendar(const TTodoItemCollection& items, const QDateTime& stamp);
