#pragma once

// The lists the benchmarks work on: items that look like a real person's to-do list
// (subjects of a few words, two lines of notes, a resource, a project, creation and due
// dates, some completed), made from a fixed seed so that every run measures the same data.

#include <QString>
#include <string>

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

// A folder for the benchmarks' files beside the program (on the same disk as the build,
// so that flushing to disk costs what it costs for a user's file).
QString BenchDataFolder();
