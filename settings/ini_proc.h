#pragma once

// The settings store: one text value per name in a section. Each call goes to the backing
// store and back (nothing is cached), so a value written by one call is what the next read
// returns, in this process or another. Every caller uses the section "Settings", through
// the table of settings in setting_keys.h.
//
// Backend: on Windows the registry key HKEY_CURRENT_USER\Software\Pellmark with one subkey
// per section and string values; elsewhere the INI file Pellmark/Pellmark.conf in the
// user's configuration folder with one group per section. Names keep their case.

#include <QString>

#include "model/errors.h"

// A store that refuses a read or write. The messages are the program's:
// "Invalid data type for '%s'", "Failed to set data for '%s'", "Failed to create key %s".
class ESettingsError : public EPellmarkError {
public:
    using EPellmarkError::EPellmarkError;
    static ESettingsError InvalidType(const QString& name);
    static ESettingsError SetFailed(const QString& name);
    static ESettingsError CreateFailed(const QString& section);
};

// What ReadSetting returns for a value (or section) that does not exist.
inline const QString kSettingAbsent = QStringLiteral("n/a");

// The stored text, "n/a" when absent; an empty value that exists reads as "". A stored
// value that is not a plain string throws ESettingsError::InvalidType, a store that
// cannot be opened ESettingsError::CreateFailed.
QString ReadSetting(const QString& section, const QString& name);

// Stores the text (the empty string included) and returns once it is on disk. A store
// that refuses it throws ESettingsError::SetFailed, a section that cannot be created
// ESettingsError::CreateFailed.
void WriteSetting(const QString& section, const QString& name, const QString& value);

// Removes the value; an absent value or section is not an error and writes nothing.
void DeleteSetting(const QString& section, const QString& name);

// The folder that holds the settings file (not used on Windows); the column layout file
// lives beside it when the program's own folder is not writable.
QString SettingsFolder();
// The INI file itself (not used on Windows).
QString SettingsFileName();
