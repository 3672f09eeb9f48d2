#include "app/recent_lists.h"

#include <QDir>
#include <QFileInfo>

#include "settings/ini_proc.h"
#include "settings/setting_keys.h"

namespace {

TSetting Slot(int index) {
    return static_cast<TSetting>(stRecent1 + index);
}

void Store(const QStringList& lists) {
    for (int i = 0; i < kRecentListsMax; ++i) {
        if (i < lists.size()) {
            WriteSetting(Slot(i), lists[i]);
        } else if (ReadSetting(Slot(i)) != kSettingAbsent) {
            DeleteSetting(Slot(i));
        }
    }
}

}  // namespace

QStringList RecentLists() {
    QStringList lists;
    for (int i = 0; i < kRecentListsMax; ++i) {
        const QString path = ReadSetting(Slot(i));
        // Like the start-up file, a path of three characters or fewer counts as none.
        if (path != kSettingAbsent && path.size() > 3 && !lists.contains(path)) {
            lists << path;
        }
    }
    return lists;
}

void AddRecentList(const QString& path) {
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QStringList lists = RecentLists();
    if (!lists.isEmpty() && lists.front() == absolute) {
        return;
    }
    lists.removeAll(absolute);
    lists.prepend(absolute);
    Store(lists.mid(0, kRecentListsMax));
}

void RemoveRecentList(const QString& path) {
    QStringList lists = RecentLists();
    if (lists.removeAll(path) > 0) {
        Store(lists);
    }
}

void ClearRecentLists() {
    Store({});
}

QString RecentListEntryText(int index, const QString& path) {
    const QFileInfo info(path);
    // An ampersand in a name would turn the next letter into an accelerator.
    QString name = info.fileName();
    name.replace(QLatin1Char('&'), QStringLiteral("&&"));
    QString folder = QDir::toNativeSeparators(info.absolutePath());
    folder.replace(QLatin1Char('&'), QStringLiteral("&&"));
    const QString number =
        index < 9 ? QLatin1Char('&') + QString::number(index + 1) : QString::number(index + 1);
    return number + QLatin1Char(' ') + name + QStringLiteral("  (") + folder + QLatin1Char(')');
}
