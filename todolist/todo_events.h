#pragma once

// The event signatures of the to-do list control and its parts. Sender comes first and is
// the object that raises the event (the control forwards its children's events with
// itself as Sender); answers come back through reference arguments. Key codes are Qt key
// codes (Qt::Key); setting one to 0 swallows the key.

#include <QChar>
#include <QMimeData>
#include <QObject>
#include <cstdint>
#include <functional>

class TTodoItem;

enum TDragMode : std::uint8_t { dmManual = 0, dmAutomatic = 1 };
enum TDragKind : std::uint8_t { dkDrag = 0, dkDock = 1 };
enum TDragState : std::uint8_t { dsDragEnter = 0, dsDragLeave = 1, dsDragMove = 2 };

using TNotifyEvent = std::function<void(QObject* Sender)>;
using TKeyEvent = std::function<void(QObject* Sender, int& Key, Qt::KeyboardModifiers Shift)>;
using TKeyPressEvent = std::function<void(QObject* Sender, QChar& Key)>;
using TMouseEvent = std::function<void(QObject* Sender, Qt::MouseButton Button,
                                       Qt::KeyboardModifiers Shift, int X, int Y)>;
using TMouseMoveEvent =
    std::function<void(QObject* Sender, Qt::KeyboardModifiers Shift, int X, int Y)>;
// Source is the widget the drag comes from (null for a drag from another program).
using TDragDropEvent = std::function<void(QObject* Sender, QObject* Source, int X, int Y)>;
using TDragOverEvent = std::function<void(QObject* Sender, QObject* Source, int X, int Y,
                                          TDragState State, bool& Accept)>;
// The handler may put its own data in DragObject; the drag takes ownership of it.
using TStartDragEvent = std::function<void(QObject* Sender, QMimeData*& DragObject)>;
// Target is the widget that took the drop, or null when the drag was cancelled.
using TEndDragEvent = std::function<void(QObject* Sender, QObject* Target, int X, int Y)>;

using TItemSelectEvent = std::function<void(QObject* Sender, TTodoItem* ATodoItem)>;
using TItemAllowEvent = std::function<void(QObject* Sender, TTodoItem* ATodoItem, bool& Allow)>;
// Header notifications: the section (column) index, -1 left of the first section.
using THeaderClickEvent = std::function<void(QObject* Sender, int SectionIndex)>;
using THeaderDragDropEvent = std::function<void(QObject* Sender, int FromSection, int ToSection)>;
using THeaderSizedEvent = std::function<void(QObject* Sender, int ASection, int AWidth)>;

// The events of the row list box that the to-do list control raises again as its own.
struct TRowEvents {
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TDragDropEvent OnDragDrop;
    TDragOverEvent OnDragOver;
    TStartDragEvent OnStartDrag;
    TEndDragEvent OnEndDrag;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
};

// Binds every event of `from` to raise the same event of `to`, as it is assigned when the
// event comes, with `sender` as Sender and every other argument unchanged, so that what a
// handler leaves in a reference argument goes back. A drag over is refused while `to` has
// no OnDragOver.
void ForwardRowEvents(TRowEvents& from, const TRowEvents& to, QObject* sender);
