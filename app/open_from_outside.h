#pragma once

// Lists that reach the window from outside it: a file named on the command line (the
// desktop entry passes the file a file manager opens), one handed over by another start,
// and a .2do file dropped onto the window.

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QMimeData;

// The list file a command line names: the first argument after the program that is not
// an option; empty when there is none.
QString ListFileArgument(const QStringList& arguments);

// The local .2do file that a drag carries, or empty (no file, several, or another kind).
QString DroppedListFile(const QMimeData* data);

// Accepts drags of one .2do file onto the watched window and hands a dropped one to
// `open` after the drop has finished, so that questions the opening asks do not keep
// the program the file came from waiting.
class TListDropTarget : public QObject {
public:
    TListDropTarget(QWidget* window, std::function<void(const QString& path)> open);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(const QString& path)> open_;
};
