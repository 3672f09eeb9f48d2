// A second process for the settings fault tests: one call of the settings store, made as
// an unprivileged user when the tests run as root (who ignores file permissions).
//
//   reliability_settings_child UID read NAME
//   reliability_settings_child UID write NAME VALUE
//   reliability_settings_child UID delete NAME
//
// UID "-" keeps the caller's user. Prints the value read (or nothing), or the store's error
// message and exits 1; exits 2 when it cannot become the user.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/ini_proc.h"

#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: see the comment at the top of settings_child.cpp\n");
        return 2;
    }
    if (std::strcmp(argv[1], "-") != 0) {
        const auto id = static_cast<uid_t>(std::strtoul(argv[1], nullptr, 10));
        if (::setgid(id) != 0 || ::setuid(id) != 0) {
            std::printf("cannot become user %s\n", argv[1]);
            return 2;
        }
    }
    const std::string mode = argv[2];
    const QString section = QStringLiteral("Settings");
    const QString name = QString::fromLocal8Bit(argv[3]);
    try {
        if (mode == "read" && argc == 4) {
            std::printf("%s\n", ReadSetting(section, name).toLocal8Bit().constData());
        } else if (mode == "write" && argc == 5) {
            WriteSetting(section, name, QString::fromLocal8Bit(argv[4]));
        } else if (mode == "delete" && argc == 4) {
            DeleteSetting(section, name);
        } else {
            return 2;
        }
    } catch (const ESettingsError& e) {
        std::printf("%s\n", e.what());
        return 1;
    }
    return 0;
}
