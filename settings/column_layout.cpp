#include "settings/column_layout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "settings/ini_proc.h"
#include "todolist/todo_list.h"

namespace {

// An entry's column takes the caption of its kind.
constexpr TFieldEntry Field(const char* text, TTodoData kind, const char* key) {
    return {text, TodoDataCaption(kind), kind, key};
}

}  // namespace

const std::array<TFieldEntry, FieldCount> FieldEntries = {{
    Field("Complete", tdComplete, "vDone"),
    Field("Subject", tdSubject, "vSubj"),
    Field("Resource", tdResource, "vReso"),
    Field("Notes", tdNotes, "vNote"),
    Field("Status", tdStatus, "vStat"),
    Field("Priority", tdPriority, "vPrio"),
    Field("Completion", tdCompletion, "vComp"),
    Field("Creation Date", tdCreationDate, "vCrea"),
    Field("Due Date", tdDueDate, "vDueD"),
    Field("Completion Date", tdCompletionDate, "vComD"),
    Field("Total time", tdTotalTime, "vTota"),
}};

namespace {

const QString kSection = QStringLiteral("Settings");
const QString kLayoutFile = QStringLiteral("columninfo.txt");

QString Key(int entry) {
    return QString::fromLatin1(FieldEntries[static_cast<std::size_t>(entry)].Key);
}

}  // namespace

void ClearFieldColumns(TCustomTodoList& list) {
    for (const TFieldEntry& entry : FieldEntries) {
        list.RemoveColumn(entry.Kind);
    }
}

void ApplyField(IFieldChecks& checks, TCustomTodoList& list, int entry, bool force) {
    if (entry < 0 || entry >= FieldCount) {
        return;
    }
    if (force) {
        checks.SetFieldChecked(entry, true);
    }
    checks.SetCurrentField(entry);
    const TFieldEntry& field = FieldEntries[static_cast<std::size_t>(entry)];
    if (checks.FieldChecked(entry)) {
        list.AddColumn(field.Kind, field.Caption);
        WriteSetting(kSection, Key(entry), QStringLiteral("1"));
    } else {
        list.RemoveColumn(field.Kind);
        DeleteSetting(kSection, Key(entry));
    }
}

void LoadFields(IFieldChecks& checks, TCustomTodoList& list) {
    ClearFieldColumns(list);
    for (int entry = 0; entry < FieldCount; ++entry) {
        if (ReadSetting(kSection, Key(entry)) == QLatin1String("1")) {
            ApplyField(checks, list, entry, true);
        }
    }
}

void ReloadFields(IFieldChecks& checks, TCustomTodoList& list) {
    ClearFieldColumns(list);
    for (int entry = 0; entry < FieldCount; ++entry) {
        ApplyField(checks, list, entry, false);
    }
}

QString ColVisText(const IFieldChecks& checks) {
    QString text;
    for (int entry = 0; entry < FieldCount; ++entry) {
        text += checks.FieldChecked(entry) ? QLatin1Char('1') : QLatin1Char('0');
    }
    return text;
}

void SaveColVis(const IFieldChecks& checks) {
    WriteSetting(kSection, QStringLiteral("colvis"), ColVisText(checks));
}

QString ColumnLayoutFileName() {
    return ColumnLayoutFileName(QCoreApplication::applicationDirPath());
}

QString ColumnLayoutFileName(const QString& programFolder) {
    const QFileInfo folder(programFolder);
    if (!programFolder.isEmpty() && folder.isDir() && folder.isWritable()) {
        return QDir(programFolder).filePath(kLayoutFile);
    }
    return QDir(SettingsFolder()).filePath(kLayoutFile);
}

bool LoadColumnLayout(TCustomTodoList& list, const QString& fileName) {
    if (!QFileInfo::exists(fileName)) {
        return false;
    }
    list.LoadColumns(fileName);
    return true;
}

void SaveColumnLayout(const TCustomTodoList& list, const QString& fileName) {
    // The settings folder may not exist yet on a first run; any other folder is the
    // program's own, which exists.
    const QString folder = QFileInfo(fileName).absolutePath();
    if (folder == QDir(SettingsFolder()).absolutePath()) {
        QDir().mkpath(folder);
    }
    list.SaveColumns(fileName);
}
