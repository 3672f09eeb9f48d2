#include "todolist/todo_list_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QStringList>
#include <algorithm>
#include <limits>
#include <map>
#include <utility>

#include "model/cell_text.h"
#include "platform/qt_convert.h"
#include "todolist/todo_header.h"
#include "todolist/todo_list.h"
#include "todolist/todo_list_box.h"

namespace {

class TListAccessible;

// The list boxes that have an interface now; the notifications look here, so that a list
// nobody asked about never gets one.
QHash<const TTodoListBox*, TListAccessible*>& Interfaces() {
    static QHash<const TTodoListBox*, TListAccessible*> interfaces;
    return interfaces;
}

// Rows whose items exist (while loading, the rows may lag behind the items; with a find text
// the rows show only some items). A list box that is loading or going away reads as empty:
// its collections may be half there.
int Rows(const TTodoListBox& box) {
    return box.HasWindow() ? std::min(box.RowCount(), box.TodoItems().Count()) : 0;
}

int Columns(const TTodoListBox& box) {
    return box.HasWindow() ? box.TodoColumns().Count() : 0;
}

QString Caption(const TTodoListBox& box, int column) {
    return LocalString(box.TodoColumns().At(column)->Caption());
}

// What a cell says after its caption: the row's text, a word for the done check, the number
// of an image.
QString CellValue(const TTodoListBox& box, int row, int column) {
    const TTodoItem& item = *box.RowItem(row);
    const TTodoData kind = box.TodoColumns().At(column)->TodoData();
    if (kind == tdComplete) {
        return item.Complete() ? QStringLiteral("checked") : QStringLiteral("unchecked");
    }
    TCellTextContext texts = box.CellTexts();
    texts.ImageIndexTexts = true;
    return CellText(item, kind, texts);
}

QString CellName(const TTodoListBox& box, int row, int column) {
    const QString caption = Caption(box, column);
    const QString value = CellValue(box, row, column);
    if (caption.isEmpty() || value.isEmpty()) {
        return caption.isEmpty() ? value : caption;
    }
    return caption + QStringLiteral(": ") + value;
}

// The column the cell cursor stands in, kept inside the columns (the preview band counts as
// the last column).
int CurrentColumn(const TTodoListBox& box, int column) {
    return std::clamp(column, 0, std::max(0, Columns(box) - 1));
}

// A column header (row -1) or a cell of the table. Cells are made on demand, kept by the
// table and deleted when their row or column goes.
class TCellAccessible : public QAccessibleInterface,
                        public QAccessibleTableCellInterface,
                        public QAccessibleActionInterface {
public:
    TCellAccessible(TListAccessible* table, int row, int column)
        : table_(table), row_(row), column_(column) {}

    TTodoListBox* Box() const;
    int Row() const { return row_; }
    int Column() const { return column_; }
    bool IsHeader() const { return row_ < 0; }

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override {
        return IsHeader() ? QAccessible::ColumnHeader : QAccessible::Cell;
    }
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // QAccessibleTableCellInterface
    bool isSelected() const override;
    QList<QAccessibleInterface*> columnHeaderCells() const override;
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return column_; }
    int rowIndex() const override { return row_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override;

    // QAccessibleActionInterface: a cell takes the cell cursor (and the focus), or opens its
    // editor as F2 does.
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    TListAccessible* table_;
    int row_;
    int column_;
};

// The list box as a table. Children: the column headers, then the cells row by row, then
// the open in-place editor, if any.
class TListAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit TListAccessible(TTodoListBox* box)
        : QAccessibleWidget(box, QAccessible::Table), key_(box) {
        Interfaces().insert(key_, this);
    }
    ~TListAccessible() override {
        Interfaces().remove(key_);
        for (const auto& [position, id] : cells_) {
            QAccessible::deleteAccessibleInterface(id);
        }
    }

    TTodoListBox* Box() const { return static_cast<TTodoListBox*>(widget()); }

    // The header (row -1) or cell at a position, made when first asked for.
    QAccessibleInterface* Cell(int row, int column) const {
        const auto found = cells_.find({row, column});
        if (found != cells_.end()) {
            return QAccessible::accessibleInterface(found->second);
        }
        auto* cell = new TCellAccessible(const_cast<TListAccessible*>(this), row, column);
        cells_[{row, column}] = QAccessible::registerAccessibleInterface(cell);
        return cell;
    }
    int ChildIndex(int row, int column) const { return (row + 1) * Columns(*Box()) + column; }

    // Deletes the cells of rows that no longer exist, or all cells (the columns changed).
    void Prune(bool all) {
        const auto first =
            all ? cells_.begin()
                : cells_.lower_bound({Rows(*Box()), std::numeric_limits<int>::min()});
        for (auto it = first; it != cells_.end(); ++it) {
            QAccessible::deleteAccessibleInterface(it->second);
        }
        cells_.erase(first, cells_.end());
    }

    // The cell whose name was last announced, to tell a changed text from a move.
    int announcedRow = -1;
    int announcedColumn = -1;
    QString announcedName;

    // QAccessibleInterface
    QAccessibleInterface* child(int index) const override {
        const int columns = Columns(*Box());
        if (index < 0 || columns == 0) {
            return nullptr;
        }
        const int cells = (Rows(*Box()) + 1) * columns;
        if (index < cells) {
            return Cell(index / columns - 1, index % columns);
        }
        return index == cells ? Editor() : nullptr;
    }
    int childCount() const override {
        const int cells = (Rows(*Box()) + 1) * Columns(*Box());
        return Editor() ? cells + 1 : cells;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child) {
            return -1;
        }
        if (child->role() == QAccessible::Cell || child->role() == QAccessible::ColumnHeader) {
            for (const auto& [position, id] : cells_) {
                if (QAccessible::accessibleInterface(id) == child) {
                    return ChildIndex(position.first, position.second);
                }
            }
            return -1;
        }
        QAccessibleInterface* editor = Editor();
        return editor && editor == child ? childCount() - 1 : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const TTodoListBox& box = *Box();
        const QPoint inView = box.viewport()->mapFromGlobal(QPoint(x, y));
        int row = -1;
        int column = -1;
        QRect rect;
        if (box.CellAtPoint(inView.x(), inView.y(), row, column, rect) && row < Rows(box)) {
            return Cell(row, column);
        }
        const TTodoHeader* header = box.Owner()->Header();
        const QPoint inHeader = header->mapFromGlobal(QPoint(x, y));
        if (header->rect().contains(inHeader)) {
            const int section = header->XYToSection(inHeader.x(), inHeader.y());
            if (section >= 0 && section < Columns(box)) {
                return Cell(-1, section);
            }
        }
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        if (QAccessibleInterface* editor = Editor()) {
            return editor;
        }
        const TTodoListBox& box = *Box();
        if (!box.hasFocus() || box.ItemIndex() < 0 || box.ItemIndex() >= Rows(box) ||
            Columns(box) == 0) {
            return nullptr;
        }
        return Cell(box.ItemIndex(), CurrentColumn(box, box.FocusColumn()));
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && Box()->accessibleName().isEmpty()) {
            return QStringLiteral("To-do list");
        }
        return QAccessibleWidget::text(t);
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableInterface) {
            return static_cast<QAccessibleTableInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }

    // QAccessibleTableInterface
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override {
        if (row < 0 || row >= Rows(*Box()) || column < 0 || column >= Columns(*Box())) {
            return nullptr;
        }
        return Cell(row, column);
    }
    int selectedCellCount() const override { return selectedRowCount() * Columns(*Box()); }
    QList<QAccessibleInterface*> selectedCells() const override {
        QList<QAccessibleInterface*> cells;
        for (int row : selectedRows()) {
            for (int column = 0; column < Columns(*Box()); ++column) {
                cells.append(Cell(row, column));
            }
        }
        return cells;
    }
    QString columnDescription(int column) const override {
        return column >= 0 && column < Columns(*Box()) ? Caption(*Box(), column) : QString();
    }
    QString rowDescription(int row) const override {
        if (row < 0 || row >= Rows(*Box())) {
            return {};
        }
        QStringList names;
        for (int column = 0; column < Columns(*Box()); ++column) {
            names.append(CellName(*Box(), row, column));
        }
        return names.join(QStringLiteral(", "));
    }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return static_cast<int>(selectedRows().size()); }
    int columnCount() const override { return Columns(*Box()); }
    int rowCount() const override { return Rows(*Box()); }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override {
        const int row = Box()->ItemIndex();
        return row >= 0 && row < Rows(*Box()) ? QList<int>{row} : QList<int>{};
    }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override { return row >= 0 && row == Box()->ItemIndex(); }
    // Selecting a row is the user's choice, as a click is; the one selected row cannot be
    // taken away, nor can columns be selected.
    bool selectRow(int row) override {
        if (row < 0 || row >= Rows(*Box())) {
            return false;
        }
        Box()->SelectRowForEdit(row);
        return true;
    }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* event) override {
        Prune(event->modelChangeType() == QAccessibleTableModelChangeEvent::ModelReset);
    }

private:
    QAccessibleInterface* Editor() const {
        QWidget* editor = Box()->CellEditing().ActiveEditor();
        return editor && editor->isVisible() ? QAccessible::queryAccessibleInterface(editor)
                                             : nullptr;
    }

    const TTodoListBox* key_;
    mutable std::map<std::pair<int, int>, QAccessible::Id> cells_;
};

TTodoListBox* TCellAccessible::Box() const {
    return table_->Box();
}

bool TCellAccessible::isValid() const {
    if (!table_->isValid()) {
        return false;
    }
    const TTodoListBox& box = *Box();
    return row_ < Rows(box) && column_ < Columns(box);
}

QWindow* TCellAccessible::window() const {
    return table_->window();
}

QAccessibleInterface* TCellAccessible::parent() const {
    return table_;
}

QString TCellAccessible::text(QAccessible::Text t) const {
    if (!isValid()) {
        return {};
    }
    const TTodoListBox& box = *Box();
    switch (t) {
        case QAccessible::Name:
            return IsHeader() ? Caption(box, column_) : CellName(box, row_, column_);
        case QAccessible::Value:
            return IsHeader() ? QString() : CellValue(box, row_, column_);
        default:
            return {};
    }
}

QRect TCellAccessible::rect() const {
    if (!isValid()) {
        return {};
    }
    const TTodoListBox& box = *Box();
    if (IsHeader()) {
        const TTodoHeader* header = box.Owner()->Header();
        const QRect section = header->SectionRect(column_);
        return QRect(header->mapToGlobal(section.topLeft()), section.size());
    }
    const QRect cell = box.CellRect(column_, row_);
    return QRect(box.viewport()->mapToGlobal(cell.topLeft()), cell.size());
}

QAccessible::State TCellAccessible::state() const {
    QAccessible::State state;
    if (!isValid()) {
        state.invalid = true;
        return state;
    }
    const TTodoListBox& box = *Box();
    if (IsHeader()) {
        return state;
    }
    state.selectable = true;
    state.focusable = true;
    state.selected = isSelected();
    state.focused = state.selected && box.hasFocus() && !box.CellEditing().Editing() &&
                    column_ == CurrentColumn(box, box.FocusColumn());
    const QRect cell = box.CellRect(column_, row_);
    if (!cell.intersects(box.viewport()->rect())) {
        state.offscreen = true;
        state.invisible = !box.isVisible();
    }
    const TTodoColumnItem& column = *box.TodoColumns().At(column_);
    if (column.TodoData() == tdComplete) {
        state.checkable = true;
        state.checked = box.RowItem(row_)->Complete();
    }
    state.editable = box.Editable() && column.Editable();
    state.readOnly = !state.editable;
    return state;
}

void* TCellAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TableCellInterface && !IsHeader()) {
        return static_cast<QAccessibleTableCellInterface*>(this);
    }
    if (type == QAccessible::ActionInterface) {
        return static_cast<QAccessibleActionInterface*>(this);
    }
    return nullptr;
}

bool TCellAccessible::isSelected() const {
    return isValid() && !IsHeader() && Box()->ItemIndex() == row_;
}

QList<QAccessibleInterface*> TCellAccessible::columnHeaderCells() const {
    return {table_->Cell(-1, column_)};
}

QAccessibleInterface* TCellAccessible::table() const {
    return table_;
}

QStringList TCellAccessible::actionNames() const {
    if (!isValid()) {
        return {};
    }
    if (IsHeader()) {
        // A column header sorts by its column, as a click on it does.
        return {QAccessibleActionInterface::pressAction()};
    }
    QStringList names{QAccessibleActionInterface::setFocusAction()};
    if (state().editable) {
        names.append(QAccessibleActionInterface::pressAction());
    }
    return names;
}

void TCellAccessible::doAction(const QString& actionName) {
    const bool focus = actionName == QAccessibleActionInterface::setFocusAction();
    const bool press = actionName == QAccessibleActionInterface::pressAction();
    if (!isValid() || (!focus && !press)) {
        return;
    }
    if (IsHeader()) {
        if (press) {
            Box()->Owner()->Header()->SortBySection(column_);
        }
        return;
    }
    // The handlers of the selection may change the list and take this cell away.
    TTodoListBox& box = *Box();
    const int row = row_;
    const int column = column_;
    box.setFocus(Qt::OtherFocusReason);
    const int oldColumn = box.FocusColumn();
    box.SetFocusColumn(column);
    if (box.ItemIndex() != row) {
        // The row change announces the new current cell.
        box.SelectRowForEdit(row);
    } else if (oldColumn != column) {
        box.RepaintRow(row);
        AccessibleCurrentCellChanged(box, row, oldColumn);
    }
    if (press) {
        box.StartEdit(row, column, false, TEditClick(), 0, 0, QChar());
    }
}

QStringList TCellAccessible::keyBindingsForAction(const QString& actionName) const {
    if (actionName == QAccessibleActionInterface::pressAction() && !IsHeader()) {
        return {QStringLiteral("F2")};
    }
    return {};
}

QAccessibleInterface* ListBoxFactory(const QString& className, QObject* object) {
    if (className == QLatin1StringView("TTodoListBox")) {
        if (auto* box = qobject_cast<TTodoListBox*>(object)) {
            return new TListAccessible(box);
        }
    }
    return nullptr;
}

// The interface of a list box that has one, while events can be sent about it. Only a
// client makes the interface (the accessibility bridge once a screen reader listens, a
// test), so the events go out exactly when someone can hear them: QAccessible::isActive()
// is no guide, it stays false on platforms without a bridge even for a recording client.
TListAccessible* Listening(const TTodoListBox& box) {
    if (!box.HasWindow()) {
        return nullptr;
    }
    return Interfaces().value(&box, nullptr);
}

void SendCellEvent(TTodoListBox& box, const TListAccessible& table, QAccessible::Event type,
                   int row, int column) {
    QAccessibleEvent event(&box, type);
    event.setChild(table.ChildIndex(row, column));
    QAccessible::updateAccessibility(&event);
}

}  // namespace

void InstallTodoListAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(ListBoxFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

void AccessibleCurrentCellChanged(TTodoListBox& box, int oldRow, int oldColumn) {
    TListAccessible* table = Listening(box);
    if (!table || Columns(box) == 0) {
        return;
    }
    const int row = box.ItemIndex();
    const int rows = Rows(box);
    if (row != oldRow) {
        if (oldRow >= 0 && oldRow < rows) {
            SendCellEvent(box, *table, QAccessible::SelectionRemove, oldRow,
                          CurrentColumn(box, oldColumn));
        }
        if (row >= 0 && row < rows) {
            SendCellEvent(box, *table, QAccessible::Selection, row,
                          CurrentColumn(box, box.FocusColumn()));
        }
    }
    AccessibleFocusCurrentCell(box);
}

void AccessibleFocusCurrentCell(TTodoListBox& box) {
    TListAccessible* table = Listening(box);
    if (!table || !box.hasFocus() || box.CellEditing().Editing()) {
        return;
    }
    const int row = box.ItemIndex();
    if (row < 0 || row >= Rows(box) || Columns(box) == 0) {
        return;
    }
    const int column = CurrentColumn(box, box.FocusColumn());
    table->announcedRow = row;
    table->announcedColumn = column;
    table->announcedName = CellName(box, row, column);
    SendCellEvent(box, *table, QAccessible::Focus, row, column);
}

void AccessibleRowCountChanged(TTodoListBox& box, int oldCount) {
    TListAccessible* table = Listening(box);
    if (!table) {
        return;
    }
    table->Prune(false);
    const int count = box.RowCount();
    if (count == oldCount) {
        return;
    }
    const bool added = count > oldCount;
    QAccessibleTableModelChangeEvent event(&box,
                                           added ? QAccessibleTableModelChangeEvent::RowsInserted
                                                 : QAccessibleTableModelChangeEvent::RowsRemoved);
    event.setFirstRow(added ? oldCount : count);
    event.setLastRow((added ? count : oldCount) - 1);
    QAccessible::updateAccessibility(&event);
}

void AccessibleTableReset(TTodoListBox& box) {
    TListAccessible* table = Listening(box);
    if (!table) {
        return;
    }
    table->Prune(true);
    table->announcedRow = -1;
    QAccessibleTableModelChangeEvent event(&box, QAccessibleTableModelChangeEvent::ModelReset);
    QAccessible::updateAccessibility(&event);
}

void AccessibleRowChanged(TTodoListBox& box, int row) {
    TListAccessible* table = Listening(box);
    if (!table || row != box.ItemIndex() || row != table->announcedRow || row >= Rows(box) ||
        table->announcedColumn >= Columns(box)) {
        return;
    }
    const QString name = CellName(box, row, table->announcedColumn);
    if (name != table->announcedName) {
        table->announcedName = name;
        SendCellEvent(box, *table, QAccessible::NameChanged, row, table->announcedColumn);
    }
}
