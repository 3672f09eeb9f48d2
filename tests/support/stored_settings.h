#pragma once

// The program's own settings as the tests read and write them: the values of the
// Settings section, by key.

#include <QString>

#include "settings/ini_proc.h"

inline const QString kSection = QStringLiteral("Settings");

inline QString Setting(const char* name) {
    return ReadSetting(kSection, QString::fromLatin1(name));
}

inline void Store(const char* name, const QString& value) {
    WriteSetting(kSection, QString::fromLatin1(name), value);
}
