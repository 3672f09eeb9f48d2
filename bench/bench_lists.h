#pragma once

// The lists the benchmarks work on: items that look like a real person's to-do list
// (subjects of a few words, two lines of notes, a resource, a project, creation and due
// dates, some completed), made from a fixed seed so that every run measures the same data.

#include <QByteArray>
#include <QCollator>
#include <QString>
#include <string>
#include <vector>

#include "model/todo_collections.h"

class TCustomTodoList;

// Appends `count` items; the same count always gives the same items.
void FillBenchItems(TTodoItemCollection& items, int count);

// The columns of a 1050-pixel-wide list: every kind of cell the program paints.
void AddBenchColumns(TCustomTodoList& list);
// The position of the first column of that kind, -1 when there is none.
int BenchColumnOf(const TCustomTodoList& list, TTodoData kind);

// The .2do file of `count` generated items in `folder`, written at its first use in a run.
QString BenchListFile(const QString& folder, int count);

// Walks the records of a .2do file: the counts, and each field's tag and length, skipping
// the data. It checks every length against the bytes that are there, as any reader must,
// and returns the number of fields, or -1 for a file that ends too soon. The bare pass
// that reading a list costs at the least.
long long WalkListRecords(const QByteArray& data);

// The subjects of a list as texts, and the least that sorting them by the list's collator
// costs: std::sort with the same collator.
class TBenchSubjects {
public:
    explicit TBenchSubjects(const QString& listFile);
    const std::vector<QString>& Subjects() const { return subjects_; }
    void Sort(std::vector<QString>& subjects) const;

private:
    std::vector<QString> subjects_;
    QCollator collator_;
};

// The least a crash-safe save costs: one write of the bytes to a temporary file, a flush
// to disk and a rename over `target`. False when any of them failed.
bool WriteFlushRename(const QString& target, const QByteArray& bytes);

// A folder for the benchmarks' files beside the program (on the same disk as the build,
// so that flushing to disk costs what it costs for a user's file).
QString BenchDataFolder();
