#pragma once

// Every value the program keeps in the settings, all in the section "Settings": the name
// the store knows it by, what kind of text it holds and what an absent value stands for.
// Users' settings files hold these names, so they never change. The window, the options
// dialog and the column layout read and write their settings only through here.

#include <QString>
#include <array>
#include <cstdint>

enum TSetting : std::uint8_t {
    // The main window's placement, stored at exit.
    stMaximized,
    stLeft,
    stTop,
    stWidth,
    stHeight,
    // The options.
    stPrevNotes,
    stAutoDeleteKey,
    stAutoInsertKey,
    stHideScroll,
    stHideButtons,
    stAutoSave,
    stAskToSave,
    stStartupFile,
    stColVis,
    // The visibility of the View Columns entries, in their order.
    stVDone,
    stVSubj,
    stVReso,
    stVNote,
    stVStat,
    stVPrio,
    stVComp,
    stVCrea,
    stVDueD,
    stVComD,
    stVTota,
    // The File menu's recent lists, newest first.
    stRecent1,
    stRecent2,
    stRecent3,
    stRecent4,
    stRecent5,
    stRecent6,
    stRecent7,
    stRecent8,
    // The server the window synchronizes its list with (the password is never stored here).
    stSyncUrl,
    stSyncUser,
    stSyncInsecure,
    stSyncAutoSave,
};
inline constexpr int SettingCount = 37;

enum class TSettingKind : std::uint8_t {
    Flag,        // "y" is on; anything else, an absent value too, is off
    Number,      // a decimal integer
    Path,        // a file path; used only when longer than three characters
    ColumnFlag,  // "1" shows the column; a hidden column's value is deleted
    Summary,     // written for others to read, never read by the program
    Text,        // a free text; an absent one counts as empty
};

struct TSettingKey {
    const char* Name;
    TSettingKind Kind;
    // What an absent number stands for; 0 (off, none) for every other kind.
    int Default;
};

inline constexpr std::array<TSettingKey, SettingCount> kSettingKeys = {{
    {"maximized", TSettingKind::Flag, 0},       {"left", TSettingKind::Number, 200},
    {"top", TSettingKind::Number, 100},         {"width", TSettingKind::Number, 600},
    {"height", TSettingKind::Number, 350},      {"prevnotes", TSettingKind::Flag, 0},
    {"ckAutoDeleteKey", TSettingKind::Flag, 0}, {"ckAutoInsertKey", TSettingKind::Flag, 0},
    {"ckHideScroll", TSettingKind::Flag, 0},    {"ckHideButtons", TSettingKind::Flag, 0},
    {"ckAutoSave", TSettingKind::Flag, 0},      {"asktosave", TSettingKind::Flag, 0},
    {"startupfile", TSettingKind::Path, 0},     {"colvis", TSettingKind::Summary, 0},
    {"vDone", TSettingKind::ColumnFlag, 0},     {"vSubj", TSettingKind::ColumnFlag, 0},
    {"vReso", TSettingKind::ColumnFlag, 0},     {"vNote", TSettingKind::ColumnFlag, 0},
    {"vStat", TSettingKind::ColumnFlag, 0},     {"vPrio", TSettingKind::ColumnFlag, 0},
    {"vComp", TSettingKind::ColumnFlag, 0},     {"vCrea", TSettingKind::ColumnFlag, 0},
    {"vDueD", TSettingKind::ColumnFlag, 0},     {"vComD", TSettingKind::ColumnFlag, 0},
    {"vTota", TSettingKind::ColumnFlag, 0},     {"recent1", TSettingKind::Path, 0},
    {"recent2", TSettingKind::Path, 0},         {"recent3", TSettingKind::Path, 0},
    {"recent4", TSettingKind::Path, 0},         {"recent5", TSettingKind::Path, 0},
    {"recent6", TSettingKind::Path, 0},         {"recent7", TSettingKind::Path, 0},
    {"recent8", TSettingKind::Path, 0},         {"syncurl", TSettingKind::Text, 0},
    {"syncuser", TSettingKind::Text, 0},        {"syncinsecure", TSettingKind::Flag, 0},
    {"syncautosave", TSettingKind::Flag, 0},
}};

constexpr const char* SettingName(TSetting setting) {
    return kSettingKeys[setting].Name;
}
constexpr int SettingDefault(TSetting setting) {
    return kSettingKeys[setting].Default;
}

// The section every setting is in.
inline const QString kSettingsSection = QStringLiteral("Settings");

// The settings store's reads and writes (ini_proc.h) for one setting.
QString ReadSetting(TSetting setting);
void WriteSetting(TSetting setting, const QString& value);
void DeleteSetting(TSetting setting);
// A flag reads as on when its text is "y"; it is written as "y" or as the empty string.
bool FlagIsOn(TSetting setting);
// A text setting; empty when absent.
QString ReadText(TSetting setting);
void WriteFlag(TSetting setting, bool on);
