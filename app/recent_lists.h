#pragma once

// The lists the window opened or saved last, newest first, for the File menu's "Recent
// Lists". They are kept in the settings (recent1 ... recent8), read at every use like all
// settings, and written only when the order changes.

#include <QString>
#include <QStringList>

inline constexpr int kRecentListsMax = 8;

// The stored lists, newest first, without gaps and doubles.
QStringList RecentLists();
// Puts the list first (its absolute path); the ninth and later drop off.
void AddRecentList(const QString& path);
// Forgets one list (a file that is gone, when the user picked it).
void RemoveRecentList(const QString& path);
// Forgets them all.
void ClearRecentLists();

// The text of a menu entry: "&1 name.2do  (folder)" for the first nine places.
QString RecentListEntryText(int index, const QString& path);
