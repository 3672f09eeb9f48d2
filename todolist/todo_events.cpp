#include "todolist/todo_events.h"

#include <utility>

namespace {

template <typename... Args>
void Forward(std::function<void(QObject*, Args...)>& from,
             const std::function<void(QObject*, Args...)>& to, QObject* sender) {
    from = [&to, sender](QObject*, Args... args) {
        if (to) {
            to(sender, std::forward<Args>(args)...);
        }
    };
}

}  // namespace

void ForwardRowEvents(TRowEvents& from, const TRowEvents& to, QObject* sender) {
    Forward(from.OnClick, to.OnClick, sender);
    Forward(from.OnDblClick, to.OnDblClick, sender);
    Forward(from.OnKeyDown, to.OnKeyDown, sender);
    Forward(from.OnKeyUp, to.OnKeyUp, sender);
    Forward(from.OnKeyPress, to.OnKeyPress, sender);
    Forward(from.OnMouseDown, to.OnMouseDown, sender);
    Forward(from.OnMouseUp, to.OnMouseUp, sender);
    Forward(from.OnMouseMove, to.OnMouseMove, sender);
    Forward(from.OnDragDrop, to.OnDragDrop, sender);
    Forward(from.OnStartDrag, to.OnStartDrag, sender);
    Forward(from.OnEndDrag, to.OnEndDrag, sender);
    Forward(from.OnEnter, to.OnEnter, sender);
    Forward(from.OnExit, to.OnExit, sender);
    // The list box raises OnDragOver only when it is assigned, so the forwarder is always
    // there and answers for a missing handler.
    from.OnDragOver = [&to, sender](QObject*, QObject* source, int x, int y, TDragState state,
                                    bool& accept) {
        if (to.OnDragOver) {
            to.OnDragOver(sender, source, x, y, state, accept);
        } else {
            accept = false;
        }
    };
}
