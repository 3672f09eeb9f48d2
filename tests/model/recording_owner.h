#pragma once

// A stand-in for the row list box that records every notification the model sends it and
// keeps a row count and a selection the way the real view does.

#include <QString>
#include <QStringList>

#include "model/todo_collections.h"
#include "model/todo_owner.h"

class RecordingOwner : public ITodoModelOwner {
public:
    bool hasWindow = true;
    int rows = 0;
    int selected = -1;
    TTodoItemCollection* items = nullptr;  // the collection SyncRows follows
    TFont font;
    QStringList calls;

    bool HasWindow() const override { return hasWindow; }
    int RowCount() const override { return rows; }
    void SyncRows() override {
        calls << QStringLiteral("SyncRows");
        Sync();
    }
    void NotesChanged() override {
        calls << QStringLiteral("NotesChanged");
        const int remembered = selected;
        Sync();
        selected = remembered < rows ? remembered : rows - 1;
    }
    void RepaintRow(int row) override { calls << QStringLiteral("RepaintRow %1").arg(row); }
    void RepaintAll() override { calls << QStringLiteral("RepaintAll"); }
    void SelectRow(int row) override {
        calls << QStringLiteral("SelectRow %1").arg(row);
        selected = row;
    }
    void ColumnsChanged() override { calls << QStringLiteral("ColumnsChanged"); }
    TFont CurrentFont() const override { return font; }

    // Takes the recorded calls and starts a new record.
    QStringList take() {
        QStringList result = calls;
        calls.clear();
        return result;
    }

private:
    // Rows follow the item count; a selection past the end moves to the new last row.
    void Sync() {
        if (!items) {
            return;
        }
        const int before = selected;
        rows = items->Count();
        if (selected >= rows) {
            selected = -1;
        }
        if (selected < 0 && rows > 0 && before >= 0) {
            selected = before < rows ? before : rows - 1;
        }
    }
};
