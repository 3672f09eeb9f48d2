#pragma once

// Which columns the main window's list shows. Eleven entries of the options dialog's
// "View Columns:" list each stand for one column kind with its caption and its visibility
// value in the settings. The columns are rebuilt from the stored values at start-up
// (LoadFields) and from the checks whenever the user toggles one (ReloadFields); the
// column layout file keeps the columns of the last run (order, widths, captions, kinds).

#include <QString>
#include <array>

#include "model/todo_types.h"
#include "settings/setting_keys.h"

class TCustomTodoList;

struct TFieldEntry {
    const char* Text;     // the entry of the check list
    const char* Caption;  // the caption of its column
    TTodoData Kind;
    const char* Key;   // its visibility value: "1" when shown, deleted when hidden
    TSetting Setting;  // the same as a setting
};

inline constexpr int FieldCount = 11;
// In list order: Complete, Subject, Resource, Notes, Status, Priority, Completion,
// Creation Date, Due Date, Completion Date, Total time.
extern const std::array<TFieldEntry, FieldCount> FieldEntries;
// The entry of the Notes column, which the notes preview takes out of the grid.
inline constexpr int NotesField = 3;

// The check list the rebuilds work on; the options dialog implements it.
class IFieldChecks {
public:
    virtual ~IFieldChecks() = default;
    virtual bool FieldChecked(int entry) const = 0;
    // A change made by the program; it does not count as the user's toggle.
    virtual void SetFieldChecked(int entry, bool checked) = 0;
    // Makes the entry the list's current one.
    virtual void SetCurrentField(int entry) = 0;
};

// Removes the first column of each of the eleven kinds, in entry order.
void ClearFieldColumns(TCustomTodoList& list);
// Shows or hides the column of one entry by its check and stores the entry's visibility
// value; with force the entry is checked first.
void ApplyField(IFieldChecks& checks, TCustomTodoList& list, int entry, bool force);
// The start-up rebuild: only entries whose stored value is exactly "1" get a column (and
// a check); other entries keep their checks.
void LoadFields(IFieldChecks& checks, TCustomTodoList& list);
// The rebuild after a toggle: exactly the checked entries' columns, in entry order, each
// with the new-column look.
void ReloadFields(IFieldChecks& checks, TCustomTodoList& list);
// The eleven checks as "0" and "1"; SaveColVis writes them as colvis.
QString ColVisText(const IFieldChecks& checks);
void SaveColVis(const IFieldChecks& checks);

// The column layout file "columninfo.txt": in the program's folder when that folder is
// writable (a portable copy), otherwise in the settings folder.
QString ColumnLayoutFileName();
QString ColumnLayoutFileName(const QString& programFolder);
// Loads the layout when the file exists; false when there is none. A file that cannot be
// read or is damaged raises the model's error.
bool LoadColumnLayout(TCustomTodoList& list, const QString& fileName);
// Writes all current columns, creating the settings folder when needed; "Cannot create
// file %s" when the file cannot be written.
void SaveColumnLayout(const TCustomTodoList& list, const QString& fileName);
