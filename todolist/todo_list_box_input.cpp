// The row list box's input: keys (the cell cursor, editing keys, Insert and Delete,
// type-ahead and row navigation), the mouse (selection, clicks that edit cells) and
// dragging rows.

#include "todolist/todo_list_box.h"

#include <QCursor>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleHints>
#include <algorithm>

#include "model/cell_text.h"
#include "platform/clock.h"
#include "todolist/todo_list.h"

namespace {

const char* const kRowMimeType = "application/x-pellmark-todo-row";

}  // namespace

// Keyboard --------------------------------------------------------------------------------

void TTodoListBox::keyPressEvent(QKeyEvent* event) {
    hintWindow_->HideHint();
    int key = event->key();
    const Qt::KeyboardModifiers shift = event->modifiers();
    // Left and Right move the cell cursor and never scroll sideways.
    if (key == Qt::Key_Left || key == Qt::Key_Right) {
        if (key == Qt::Key_Left && focusColumn_ > 0) {
            --focusColumn_;
        } else if (key == Qt::Key_Right && focusColumn_ < columns_->Count() - 1) {
            ++focusColumn_;
        }
        SetItemIndex(itemIndex_);
        key = 0;
    }
    if (OnKeyDown) {
        OnKeyDown(this, key, shift);
    }
    KeyDownActions(key, shift);
    bool handled = key == 0;
    switch (key) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
            NavigateKey(key);
            handled = true;
            break;
        default:
            break;
    }
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).isPrint()) {
        QChar ch = text.at(0);
        KeyPressActions(ch);
        if (OnKeyPress) {
            OnKeyPress(this, ch);
        }
        handled = true;
    }
    if (handled) {
        event->accept();
    } else {
        event->ignore();
    }
}

void TTodoListBox::keyReleaseEvent(QKeyEvent* event) {
    int key = event->key();
    if (OnKeyUp) {
        OnKeyUp(this, key, event->modifiers());
    }
    event->ignore();
}

void TTodoListBox::KeyDownActions(int& key, Qt::KeyboardModifiers shift) {
    Q_UNUSED(shift);
    if (key == Qt::Key_F2 || key == Qt::Key_Space) {
        StartEdit(itemIndex_, focusColumn_, false, TEditClick(), 0, 0, QChar());
    } else if (key == Qt::Key_Insert && owner_->AutoInsertItem()) {
        InsertItemByKey();
    } else if (key == Qt::Key_Delete && owner_->AutoDeleteItem() && itemIndex_ >= 0) {
        DeleteItemByKey();
    }
    Lookup(key);
}

void TTodoListBox::KeyPressActions(QChar& key) {
    const char16_t c = key.unicode();
    if (editable_ && ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'z'))) {
        StartEdit(itemIndex_, focusColumn_, false, TEditClick(), 0, 0, key);
    }
}

void TTodoListBox::InsertItemByKey() {
    TTodoItem* item = items_->Add();
    const TDateTime now = clock_->Now();
    item->SetCreationDate(now);
    item->SetDueDate(now + 1);
    item->SetCompletionDate(item->DueDate());
    const int index = item->Index();
    if (!owner_->DoItemInsert(item)) {
        // Refused: the item goes again, unless the handler removed it itself.
        if (index >= 0 && index < items_->Count() && items_->At(index) == item) {
            items_->Delete(index);
        }
        return;
    }
    if (index < 0 || index >= items_->Count() || items_->At(index) != item) {
        return;
    }
    item->Select();
    for (int c = columns_->Count() - 1; c >= 0; --c) {
        if (columns_->At(c)->TodoData() == tdSubject) {
            focusColumn_ = c;
            break;
        }
    }
    StartEdit(itemIndex_, focusColumn_, false, TEditClick(), 0, 0, QChar());
}

void TTodoListBox::DeleteItemByKey() {
    TTodoItem* item = RowItem(itemIndex_);
    if (!item) {
        return;
    }
    const int index = item->Index();
    if (owner_->DoItemDelete(item) && index < items_->Count() && items_->At(index) == item) {
        items_->Delete(index);
    }
}

void TTodoListBox::Lookup(int key) {
    // The rows are compared by the text of the column LookupTodo names when that column
    // holds text, else by their subjects.
    TTodoData kind = tdSubject;
    if (lookupTodo_ >= 0 && lookupTodo_ < columns_->Count() &&
        IsTextKind(columns_->At(lookupTodo_)->TodoData())) {
        kind = columns_->At(lookupTodo_)->TodoData();
    }
    const TCellTextContext texts = CellTexts();
    // In an editable list the typed characters edit the current cell; moving to another
    // row first would put them into a cell the user did not choose.
    const int found =
        typeAhead_.Key(key, !editable_, itemIndex_, std::min(rowCount_, filter_.RowCount(*items_)),
                       [&](int row) { return CellText(*RowItem(row), kind, texts); });
    if (found >= 0) {
        UserSelect(found);
    }
}

void TTodoListBox::NavigateKey(int key) {
    if (rowCount_ == 0) {
        return;
    }
    const int last = rowCount_ - 1;
    const int current = itemIndex_;
    const int page = VisibleRowCount();
    const int top = TopIndex();
    int row = current;
    switch (key) {
        case Qt::Key_Up:
            row = current < 0 ? 0 : current - 1;
            break;
        case Qt::Key_Down:
            row = current < 0 ? 0 : current + 1;
            break;
        case Qt::Key_Home:
            row = 0;
            break;
        case Qt::Key_End:
            row = last;
            break;
        case Qt::Key_PageDown:
            // First to the bottom of the page, then a page further.
            row = current < top + page - 1 ? top + page - 1 : current + page - 1;
            break;
        case Qt::Key_PageUp:
            row = current > top ? top : current - (page - 1);
            break;
        default:
            return;
    }
    UserSelect(std::clamp(row, 0, last));
}

void TTodoListBox::UserSelect(int row) {
    if (row == itemIndex_) {
        EnsureVisible(row);
        return;
    }
    SetItemIndex(row);
    if (OnSelectItem) {
        OnSelectItem(this);
    }
}

// Mouse -----------------------------------------------------------------------------------

void TTodoListBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
    }
    ButtonDown(event);
}

void TTodoListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    ButtonDown(event);
    if (event->button() == Qt::LeftButton && OnDblClick) {
        OnDblClick(this);
    }
}

void TTodoListBox::ButtonDown(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        leftPressed_ = true;
        pressPoint_ = p;
        const int row = RowAt(p);
        if (row >= 0) {
            UserSelect(row);
        }
    }
    if (OnMouseDown) {
        OnMouseDown(this, event->button(), event->modifiers(), p.x(), p.y());
    }
    event->accept();
}

void TTodoListBox::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (hintWindow_->isVisible() && !hintWindow_->Area().contains(viewport()->mapToGlobal(p))) {
        hintWindow_->HideHint();
    }
    if (leftPressed_) {
        if (dragMode_ == dmAutomatic) {
            if ((p - pressPoint_).manhattanLength() >=
                QGuiApplication::styleHints()->startDragDistance()) {
                leftPressed_ = false;
                StartRowDrag(p);
                return;
            }
        } else {
            // The selection follows the pointer while the button is held.
            const int y = std::clamp(p.y(), 0, std::max(0, viewport()->height() - 1));
            const int row = RowAt(QPoint(std::clamp(p.x(), 0, viewport()->width() - 1), y));
            if (row >= 0) {
                UserSelect(row);
            }
        }
    }
    if (OnMouseMove) {
        OnMouseMove(this, event->modifiers(), p.x(), p.y());
    }
    event->accept();
}

void TTodoListBox::mouseReleaseEvent(QMouseEvent* event) {
    CellMouseRelease(event);
    event->accept();
}

void TTodoListBox::CellMouseRelease(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    // Only a left click that began in the rows edits; other buttons are for menus.
    const bool leftClick = event->button() == Qt::LeftButton && leftPressed_;
    if (!editable_ || !leftClick) {
        OrdinaryMouseRelease(event);
        return;
    }
    const TEditClick click{event->buttons() | Qt::LeftButton, event->modifiers()};
    int row = -1;
    int column = -1;
    QRect rect;
    if (CellAtPoint(p.x(), p.y(), row, column, rect) && RowItem(row)) {
        if (column != focusColumn_) {
            focusColumn_ = column;
            RepaintRow(row);
        }
        if (!columns_->At(column)->Editable()) {
            OrdinaryMouseRelease(event);
            return;
        }
        // A pending automatic drag ends here without a drop: the release clears it.
        OrdinaryMouseRelease(event);
        StartEdit(row, column, true, click, p.x(), p.y(), QChar());
    } else {
        OrdinaryMouseRelease(event);
    }
    QRect previewRect;
    int previewRow = -1;
    if (look_.Preview && editing_->PreviewHit(true, p, previewRect, previewRow)) {
        editing_->StartPreviewEdit(previewRow, previewRect, click, p.x(), p.y());
    }
}

void TTodoListBox::OrdinaryMouseRelease(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    const bool click =
        event->button() == Qt::LeftButton && leftPressed_ && viewport()->rect().contains(p);
    if (event->button() == Qt::LeftButton) {
        leftPressed_ = false;
    }
    if (click && OnClick) {
        OnClick(this);
    }
    if (OnMouseUp) {
        OnMouseUp(this, event->button(), event->modifiers(), p.x(), p.y());
    }
}

void TTodoListBox::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    typeAhead_.Clear();
    RepaintRow(itemIndex_);
    if (OnEnter) {
        OnEnter(this);
    }
}

void TTodoListBox::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    RepaintRow(itemIndex_);
    if (OnExit) {
        OnExit(this);
    }
}

// Drag and drop ---------------------------------------------------------------------------

void TTodoListBox::StartRowDrag(const QPoint& position) {
    Q_UNUSED(position);
    auto* drag = new QDrag(this);  // owned by this list box
    QMimeData* data = nullptr;
    if (OnStartDrag) {
        OnStartDrag(this, data);
    }
    if (!data) {
        data = new QMimeData;
        data->setData(QString::fromLatin1(kRowMimeType), QByteArray::number(itemIndex_));
    }
    drag->setMimeData(data);
    drag->setDragCursor(QCursor(dragCursor_).pixmap(), Qt::MoveAction);
    drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
    if (OnEndDrag) {
        const QPoint end = viewport()->mapFromGlobal(QCursor::pos());
        OnEndDrag(this, drag->target(), end.x(), end.y());
    }
}

bool TTodoListBox::RaiseDragOver(QDropEvent* event, TDragState state) {
    if (!OnDragOver) {
        return false;
    }
    bool accept = true;
    const QPoint p = event->position().toPoint();
    OnDragOver(this, event->source(), p.x(), p.y(), state, accept);
    return accept;
}

void TTodoListBox::dragEnterEvent(QDragEnterEvent* event) {
    if (RaiseDragOver(event, dsDragEnter)) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TTodoListBox::dragMoveEvent(QDragMoveEvent* event) {
    if (RaiseDragOver(event, dsDragMove)) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TTodoListBox::dragLeaveEvent(QDragLeaveEvent* event) {
    if (OnDragOver) {
        bool accept = false;
        const QPoint p = viewport()->mapFromGlobal(QCursor::pos());
        OnDragOver(this, nullptr, p.x(), p.y(), dsDragLeave, accept);
    }
    event->accept();
}

void TTodoListBox::dropEvent(QDropEvent* event) {
    if (OnDragDrop) {
        const QPoint p = event->position().toPoint();
        OnDragDrop(this, event->source(), p.x(), p.y());
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}
