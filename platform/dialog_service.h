#pragma once

// The common dialogs: open file, save file and font selection.

#include <QString>
#include <QStringList>

#include "model/todo_types.h"

// What a file dialog shows, and what the user chose. Like a dialog component, one value
// can be kept and shown again: the chosen FileName and FilterIndex are written back.
struct TFileDialogOptions {
    QString Title;
    QString DefaultExt;   // ".2do" or "2do"; added to a typed name without an extension
    QString Filter;       // "Todolist files|*.2do|All files|*.*"
    int FilterIndex = 1;  // the selected filter entry, counting from 1
    QString InitialDir;
    QString FileName;
};

// The program's filter string as Qt's name filters: "Text|*.txt;*.log|All|*.*" gives
// "Text (*.txt *.log)" and "All (*)". "*.*" becomes "*" so that it matches names without
// a dot too, as the program means it.
QStringList QtNameFilters(const QString& filter);

class IDialogService {
public:
    virtual ~IDialogService() = default;
    // Each returns false when the user cancels; options and font are then unchanged.
    // The open dialog accepts existing files only.
    virtual bool OpenFile(TFileDialogOptions& options) = 0;
    // The save dialog asks no overwrite question: an existing file is simply chosen.
    virtual bool SaveFile(TFileDialogOptions& options) = 0;
    // Face, size and style come from the dialog; the colour stays the font's own.
    virtual bool SelectFont(TFont& font) = 0;
};

// QFileDialog and QFontDialog, modal on the active window.
class TQtDialogService : public IDialogService {
public:
    bool OpenFile(TFileDialogOptions& options) override;
    bool SaveFile(TFileDialogOptions& options) override;
    bool SelectFont(TFont& font) override;
};
