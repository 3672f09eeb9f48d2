#include "settings/setting_keys.h"

#include "settings/ini_proc.h"

namespace {

QString Name(TSetting setting) {
    return QString::fromLatin1(SettingName(setting));
}

}  // namespace

QString ReadSetting(TSetting setting) {
    return ReadSetting(kSettingsSection, Name(setting));
}

void WriteSetting(TSetting setting, const QString& value) {
    WriteSetting(kSettingsSection, Name(setting), value);
}

void DeleteSetting(TSetting setting) {
    DeleteSetting(kSettingsSection, Name(setting));
}

bool FlagIsOn(TSetting setting) {
    return ReadSetting(setting) == QLatin1String("y");
}

QString ReadText(TSetting setting) {
    const QString text = ReadSetting(setting);
    return text == kSettingAbsent ? QString() : text;
}

void WriteFlag(TSetting setting, bool on) {
    WriteSetting(setting, on ? QStringLiteral("y") : QString());
}
