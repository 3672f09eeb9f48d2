// The item commands of the main window: Create Item and Delete Item, the current-item text
// on a click in the list and the list's popup menu on a right-button press or from the
// keyboard.

#include <QMenu>
#include <algorithm>

#include "app/edit_history.h"
#include "app/main_window.h"
#include "platform/qt_convert.h"
#include "todolist/todo_list.h"
#include "todolist/todo_list_box.h"

void TForm1::CreateItem() {
    TTodoItem* item = todoList1_->Items().Add();
    SetCreateItemValues(*item, [this] { return platform_.Clock.Now(); });
    history_->RecordAdded(*item, QStringLiteral("Create Item"));
}

void TForm1::DeleteItem() {
    // An edit still open would write into the item after it is gone.
    todoList1_->EndEdit();
    TTodoItem* item = todoList1_->SelectedItem();
    if (!item) {
        platform_.Messages.ShowMessage(
            QStringLiteral("Sorry, you must first select an item to delete."));
        return;
    }
    const QString question = QStringLiteral("Are you sure you want to delete this item? [") +
                             LocalString(item->Subject()) + QLatin1Char(']');
    if (!platform_.Messages.Confirm(question)) {
        return;
    }
    // The question box runs the message loop; delete only the item that was asked about.
    if (todoList1_->SelectedItem() == item) {
        history_->Delete(*item, QStringLiteral("Delete Item"));
    }
}

void TForm1::ListClick() {
    if (const TTodoItem* item = todoList1_->SelectedItem()) {
        SetMessage(QStringLiteral("Current Item: ") + LocalString(item->Subject()));
    }
}

void TForm1::ListMouseDown(Qt::MouseButton button, int x, int y) {
    if (button == Qt::RightButton) {
        // The list reports the press in its rows' coordinates; the menu opens at the
        // pointer, wherever the window is.
        pupTodolist_->popup(todoList1_->ListBox()->viewport()->mapToGlobal(QPoint(x, y)));
    }
}

void TForm1::ListKeyboardMenu() {
    // Below the selected row where it is in view, else at the top of the rows.
    const TTodoListBox& rows = *todoList1_->ListBox();
    const QRect row = rows.RowRect(rows.ItemIndex());
    QPoint at(0, 0);
    if (rows.ItemIndex() >= 0 && rows.viewport()->rect().intersects(row)) {
        at = QPoint(row.left(), std::min(row.bottom() + 1, rows.viewport()->height() - 1));
    }
    pupTodolist_->popup(rows.viewport()->mapToGlobal(at));
}
