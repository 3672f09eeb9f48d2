#pragma once

// The main window with its options dialog and about box, built on the platform's test
// doubles: dialogs and questions are answered from the fake's scripts, the clock is set,
// and the notification area is a fake. Every test starts with no settings and its own
// folder for files and the column layout file.

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/program.h"
#include "fake_tray_service.h"
#include "model/todo_file.h"
#include "platform/testing/fake_platform.h"
#include "settings/ini_proc.h"
#include "todolist/todo_list.h"

class WindowFixture {
public:
    WindowFixture() : tray(std::make_shared<FakeTrayArea>()) {}

    // Refuses to run on the user's own settings; call from initTestCase.
    static bool OwnConfigFolder() {
        const QString own = qEnvironmentVariable("XDG_CONFIG_HOME");
        return !own.isEmpty() && SettingsFolder().startsWith(own);
    }

    void Reset() {
        Destroy();
        QDir(SettingsFolder()).removeRecursively();
        dir = std::make_unique<QTemporaryDir>();
        fake = std::make_unique<TFakePlatform>();
        tray = std::make_shared<FakeTrayArea>();
    }

    void Create() {
        windows = CreateProgramWindows(fake->Services(), std::make_unique<FakeTrayService>(tray));
        windows.Main->SetLayoutFileName(LayoutFile());
    }
    // Creates the windows and shows the main window, which runs the start-up sequence.
    bool Start() {
        Create();
        windows.Main->show();
        return QTest::qWaitForWindowExposed(windows.Main.get());
    }
    void Destroy() { windows.Reset(); }

    TForm1& Main() { return *windows.Main; }
    TfrmOptions& Options() { return *windows.Options; }
    TTodoList& List() { return *windows.Main->TodoList1(); }

    QString Path(const QString& name) const { return dir->filePath(name); }
    QString LayoutFile() const { return Path(QStringLiteral("columninfo.txt")); }

    // A .2do file with one item per subject.
    QString WriteList(const QString& name, const QStringList& subjects) {
        TTodoItemCollection items;
        for (const QString& subject : subjects) {
            items.Add()->SetSubject(subject.toStdString());
        }
        const QString path = Path(name);
        SaveToFile(items, path);
        return path;
    }
    // Writes a list and loads it through Open, so that it is the current file.
    QString OpenList(const QString& name, const QStringList& subjects) {
        const QString path = WriteList(name, subjects);
        fake->Dialogs.OpenAnswers = {path};
        Main().Open();
        return path;
    }
    // The subjects of a .2do file, or {"<unreadable>"}.
    static QStringList Subjects(const QString& path) {
        TTodoItemCollection items;
        try {
            LoadFromFile(items, path);
        } catch (...) {
            return {QStringLiteral("<unreadable>")};
        }
        QStringList subjects;
        for (const TTodoItem* item : items) {
            subjects << QString::fromStdString(item->Subject());
        }
        return subjects;
    }
    QStringList ListSubjects() {
        QStringList subjects;
        for (const TTodoItem* item : List().Items()) {
            subjects << QString::fromStdString(item->Subject());
        }
        return subjects;
    }

    static QString Setting(const char* name) {
        return ReadSetting(QStringLiteral("Settings"), QString::fromLatin1(name));
    }
    static void Store(const char* name, const QString& value) {
        WriteSetting(QStringLiteral("Settings"), QString::fromLatin1(name), value);
    }

    std::shared_ptr<FakeTrayArea> tray;
    std::unique_ptr<TFakePlatform> fake;
    std::unique_ptr<QTemporaryDir> dir;
    TProgramWindows windows;
};
