#include "settings/column_layout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "settings/ini_proc.h"
#include "todolist/todo_list.h"

namespace {

// An entry's column takes the caption of its kind.
constexpr TFieldEntry Field(const char* text, TTodoData kind, TSetting setting) {
    return {text, TodoDataCaption(kind), kind, SettingName(setting), setting};
}

}  // namespace

const std::array<TFieldEntry, FieldCount> FieldEntries = {{
    Field("Complete", tdComplete, stVDone),
    Field("Subject", tdSubject, stVSubj),
    Field("Resource", tdResource, stVReso),
    Field("Notes", tdNotes, stVNote),
    Field("Status", tdStatus, stVStat),
    Field("Priority", tdPriority, stVPrio),
    Field("Completion", tdCompletion, stVComp),
    Field("Creation Date", tdCreationDate, stVCrea),
    Field("Due Date", tdDueDate, stVDueD),
    Field("Completion Date", tdCompletionDate, stVComD),
    Field("Total time", tdTotalTime, stVTota),
}};

namespace {

const QString kLayoutFile = QStringLiteral("columninfo.txt");

TSetting Key(int entry) {
    return FieldEntries[static_cast<std::size_t>(entry)].Setting;
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
        WriteSetting(Key(entry), QStringLiteral("1"));
    } else {
        list.RemoveColumn(field.Kind);
        DeleteSetting(Key(entry));
    }
}

void LoadFields(IFieldChecks& checks, TCustomTodoList& list) {
    ClearFieldColumns(list);
    for (int entry = 0; entry < FieldCount; ++entry) {
        if (ReadSetting(Key(entry)) == QLatin1String("1")) {
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
    WriteSetting(stColVis, ColVisText(checks));
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
