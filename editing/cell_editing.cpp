#include "editing/cell_editing.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTextCursor>
#include <algorithm>

#include "model/date_time.h"
#include "model/string_list.h"
#include "model/todo_item.h"
#include "platform/qt_convert.h"

namespace {

// The editor's text as the model keeps it, cut to what a .2do field can hold.
std::string Bytes(const QString& text) {
    std::string bytes = text.toLocal8Bit().toStdString();
    if (bytes.size() > static_cast<std::size_t>(kMaxFieldBytes)) {
        bytes.resize(static_cast<std::size_t>(kMaxFieldBytes));
    }
    return bytes;
}

}  // namespace

TCellEditing::TCellEditing(ITodoEditHost& host, ITodoEditControl& control,
                           TTodoItemCollection& items, TTodoColumnCollection& columns)
    : host_(host),
      control_(control),
      items_(items),
      columns_(columns),
      popup_(std::make_unique<TEditorPopup>(host.EditorParent())),
      edit_(std::make_unique<TInplaceEdit>(this, host.EditorParent())),
      memo_(std::make_unique<TInplaceMemo>(this, host.EditorParent())),
      spinEdit_(std::make_unique<TInplaceSpinEdit>(this, host.EditorParent())),
      datePicker_(std::make_unique<TTodoDateTimePicker>(this, host.EditorParent())),
      statusList_(std::make_unique<TInplaceListBox>(this, host.EditorParent())),
      priorityList_(std::make_unique<TInplaceODListBox>(this, host.EditorParent())) {
    popup_->OnDeactivate = [this] { EndEdit(); };
    datePicker_->SetColor(clWindow);
    statusList_->OnSelected = [this](QObject*) { EndEdit(); };
    priorityList_->OnSelected = [this](QObject*) { EndEdit(); };
}

TCellEditing::~TCellEditing() {
    // An open edit is dropped: whatever the editors report while they go writes nothing.
    active_ = nullptr;
    item_ = nullptr;
}

// Starting -----------------------------------------------------------------------------------

void TCellEditing::StartEdit(int row, int column, bool fromMouse, const TEditClick& click, int x,
                             int y, QChar key) {
    if (!host_.EditSettings().Editable || row < 0 || row >= host_.RowCount()) {
        return;
    }
    if (row != host_.ItemIndex()) {
        host_.SelectRowForEdit(row);
    }
    const bool inRange = column >= 0 && column < columns_.Count();
    if (!inRange) {
        if (!host_.EditSettings().Preview) {
            return;
        }
    } else if (!columns_.At(column)->Editable()) {
        return;
    }
    control_.DoEditStart();
    EndEdit();
    // The handlers of OnItemSelect, OnEditStart and OnEditDone may have changed the list.
    TTodoItem* rowItem = row < host_.RowCount() ? host_.RowItem(row) : nullptr;
    if (!rowItem || (inRange && column >= columns_.Count())) {
        return;
    }
    const TTodoColumnItem* edited = inRange ? columns_.At(column) : nullptr;
    const TTodoData kind = edited ? edited->TodoData() : tdNotes;
    TTodoItem& item = *rowItem;
    StartKind(kind, item, edited, row, CellRect(column, row), fromMouse, click, x, y, key);
}

void TCellEditing::StartKind(TTodoData kind, TTodoItem& item, const TTodoColumnItem* column,
                             int row, QRect rect, bool fromMouse, const TEditClick& click, int x,
                             int y, QChar key) {
    const TEditSettings settings = host_.EditSettings();
    const QFont& base = settings.BaseFont;
    auto begin = [&] {
        item_ = &item;
        row_ = row;
        column_ = column ? column->Index() : -1;
        kind_ = kind;
    };
    switch (kind) {
        case tdSubject:
        case tdResource:
        case tdProject: {
            begin();
            const std::string& value = kind == tdSubject    ? item.Subject()
                                       : kind == tdResource ? item.Resource()
                                                            : item.Project();
            edit_->SetText(key.isNull() ? LocalString(value) : QString(key));
            edit_->SetEditorFont(column->Font(), base, false);
            ShowEditor(edit_.get(), rect, false);
            if (settings.EditSelectAll && key.isNull()) {
                edit_->selectAll();
            } else if (fromMouse) {
                ForwardClick(click, x, y);
            } else {
                edit_->deselect();
                edit_->end(false);
            }
            break;
        }
        case tdCompletion:
            if (settings.CompletionGraphic && fromMouse) {
                const int p = CompletionFromClick(x, rect);
                control_.DoEditWriting(kind, &item);
                item.SetComplete(p == 100);
                item.SetCompletion(static_cast<TCompletion>(p));
                control_.DoEditDone(kind, &item);
                break;
            }
            // From the keyboard the bar cannot be clicked: the value is typed instead.
            begin();
            spinEdit_->SetValue(item.Completion());
            spinEdit_->SetEditorFont(column->Font(), base, false);
            ShowEditor(spinEdit_.get(), rect, false);
            break;
        case tdTotalTime:
            begin();
            spinEdit_->SetValue(item.TotalTime());
            spinEdit_->SetEditorFont(column->Font(), base, false);
            ShowEditor(spinEdit_.get(), rect, false);
            break;
        case tdDueDate:
        case tdCompletionDate:
        case tdCreationDate: {
            begin();
            const TDateTime value = kind == tdDueDate          ? item.DueDate()
                                    : kind == tdCompletionDate ? item.CompletionDate()
                                                               : item.CreationDate();
            datePicker_->SetDateFormat(settings.DateFormat);
            // The item's own time of day stays: only the date is shown, and a cell opened
            // and closed again must not change the value.
            datePicker_->SetDateTime(value);
            datePicker_->SetEditorFont(column->Font(), base, false);
            ShowEditor(datePicker_.get(), rect, false);
            if (fromMouse && kind == tdDueDate) {
                ForwardClick(click, x, y);
            }
            break;
        }
        case tdNotes:
            if (settings.Preview) {
                memo_->SetEditorFont(settings.PreviewFont, base, false);
                int previewRow = row;
                QRect rowRect;
                PreviewHit(false, QPoint(x, y), rowRect, previewRow);
                StartPreviewEdit(row, rowRect, click, x, y);
                break;
            }
            begin();
            memo_->SetBorder(true);
            memo_->SetLines(item.Notes().Lines());
            if (memo_->toPlainText().isEmpty() && !key.isNull()) {
                memo_->setPlainText(QString(key));
                memo_->moveCursor(QTextCursor::End);
            }
            // The notes popup is square: as tall as the column is wide.
            rect.setHeight(rect.width());
            memo_->SetEditorFont(column->Font(), base, false);
            ShowEditor(memo_.get(), rect, true);
            break;
        case tdPriority: {
            begin();
            std::string current;
            control_.TodoPriorityToString(item.Priority(), current);
            StartChoice(*priorityList_, control_.TodoPriorityCommaText(), current, *column, rect,
                        base);
            break;
        }
        case tdStatus: {
            begin();
            std::string current;
            control_.TodoStatusToString(item.Status(), current);
            StartChoice(*statusList_, control_.TodoStatusCommaText(), current, *column, rect, base);
            break;
        }
        case tdComplete:
            control_.DoEditWriting(kind, &item);
            item.SetComplete(!item.Complete());
            control_.DoEditDone(kind, &item);
            break;
        case tdImage:
        case tdHandle:
        default:
            break;
    }
}

void TCellEditing::StartChoice(TInplaceListBox& list, const std::string& commaText,
                               const std::string& current, const TTodoColumnItem& column,
                               QRect rect, const QFont& base) {
    // The lists are 70 pixels wide whatever the column, and as tall as all their entries.
    rect.setWidth(70);
    FillChoiceList(list, commaText);
    rect.setHeight(list.height());
    int index = -1;
    const QString wanted = LocalString(current);
    for (int i = 0; i < list.count(); ++i) {
        if (list.EntryText(i) == wanted) {
            index = i;
            break;
        }
    }
    list.SetItemIndex(index);
    list.SetEditorFont(column.Font(), base, false);
    ShowEditor(&list, rect, true);
}

void TCellEditing::StartPreviewEdit(int row, const QRect& rect, const TEditClick& click, int x,
                                    int y) {
    EndEdit();
    TTodoItem* rowItem = host_.RowItem(row);
    if (!rowItem) {
        return;
    }
    const TEditSettings settings = host_.EditSettings();
    item_ = rowItem;
    row_ = row;
    column_ = -1;
    kind_ = tdNotes;
    active_ = memo_.get();

    QWidget* control = host_.PreviewParent();
    if (memo_->parentWidget() != control) {
        memo_->setParent(control);
    }
    memo_->SetBorder(false);
    memo_->SetEditorFont(settings.PreviewFont, settings.BaseFont, true);
    memo_->SetLines(item_->Notes().Lines());
    const QPoint topLeft = host_.EditorParent()->mapTo(
        control, QPoint(rect.left(), rect.top() + settings.ItemHeight + 1));
    memo_->setGeometry(topLeft.x(), topLeft.y(), rect.width(), settings.PreviewHeight);
    memo_->show();
    memo_->raise();
    memo_->setFocus(Qt::OtherFocusReason);
    ForwardClick(click, x, y);
    if (settings.EditSelectAll) {
        memo_->selectAll();
    }
}

// Ending -------------------------------------------------------------------------------------

void TCellEditing::EndEdit() {
    if (!active_) {
        return;
    }
    QWidget* editor = active_;
    TTodoItem* item = item_;
    const TTodoData kind = kind_;
    // Idle from here on: the focus leaving the editor below ends nothing more.
    active_ = nullptr;
    item_ = nullptr;
    // The rows take the focus before the editor goes, so it never passes through another
    // widget of the window (a button that would become the default one).
    host_.FocusHost();
    HideEditor(editor);
    control_.DoEditWriting(kind, item);
    WriteBack(editor, *item, kind);
    control_.DoEditDone(kind, item);
}

void TCellEditing::DropEdit() {
    if (!active_) {
        return;
    }
    QWidget* editor = active_;
    active_ = nullptr;
    item_ = nullptr;
    const bool hadFocus = editor->hasFocus() || editor->isAncestorOf(QApplication::focusWidget());
    if (hadFocus) {
        host_.FocusHost();
    }
    HideEditor(editor);
}

void TCellEditing::RowsChanged() {
    if (!active_) {
        return;
    }
    const int index = item_->Index();
    // A removed item has left its collection before it is freed; its index is -1 then.
    if (index < 0 || index >= items_.Count() || items_.At(index) != item_) {
        DropEdit();
    } else if (host_.RowItem(row_) != item_) {
        EndEdit();
    }
}

void TCellEditing::HideEditor(QWidget* editor) {
    if (editor->parentWidget() == popup_.get()) {
        popup_->hide();
        // Some platforms make a shown popup the active window; the rows' window must be the
        // active one again, or the next editor would lose the focus to the closed popup.
        QWidget* window = host_.EditorParent()->window();
        if (QApplication::activeWindow() != window && window->isVisible()) {
            window->activateWindow();
        }
    }
    editor->hide();
}

void TCellEditing::WriteBack(QWidget* editor, TTodoItem& item, TTodoData kind) {
    if (editor == edit_.get()) {
        const std::string text = Bytes(edit_->Text());
        if (kind == tdSubject) {
            item.SetSubject(text);
        } else if (kind == tdResource) {
            item.SetResource(text);
        } else if (kind == tdProject) {
            item.SetProject(text);
        }
    } else if (editor == datePicker_.get()) {
        const TDateTime value = datePicker_->DateTime();
        if (kind == tdCompletionDate) {
            item.SetCompletionDate(value);
        } else if (kind == tdCreationDate) {
            item.SetCreationDate(value);
        } else if (kind == tdDueDate) {
            item.SetDueDate(value);
        }
    } else if (editor == spinEdit_.get()) {
        const int value = spinEdit_->Value();
        if (kind == tdTotalTime) {
            item.SetTotalTime(value);
        } else if (kind == tdCompletion) {
            item.SetCompletion(static_cast<TCompletion>(std::clamp(value, 0, 100)));
            item.SetComplete(item.Completion() == 100);
        }
    } else if (editor == memo_.get()) {
        item.SetNotes(TStringList(memo_->Lines()));
    } else if (editor == priorityList_.get()) {
        // No entry selected (the value had none in the list): the priority stays.
        const int index = priorityList_->ItemIndex();
        if (kind == tdPriority && index >= 0) {
            item.SetPriority(control_.TodoPriorityFromString(
                priorityList_->EntryText(index).toLocal8Bit().toStdString()));
        }
    } else if (editor == statusList_.get()) {
        const int index = statusList_->ItemIndex();
        if (kind == tdStatus && index >= 0) {
            item.SetStatus(control_.TodoStatusFromString(
                statusList_->EntryText(index).toLocal8Bit().toStdString()));
        }
    }
}

void TCellEditing::AdvanceEdit() {
    const int focus = host_.FocusColumn();
    if (focus < columns_.Count() && host_.EditSettings().AutoAdvanceEdit) {
        host_.SetFocusColumn(focus + 1);
        host_.RepaintRow(host_.ItemIndex());
        host_.PostAdvanceKey();
    }
}

// Pieces -------------------------------------------------------------------------------------

void TCellEditing::ShowEditor(QWidget* editor, const QRect& rect, bool inPopup) {
    active_ = editor;
    QWidget* rows = host_.EditorParent();
    if (inPopup) {
        const QList<QWidget*> children = popup_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            if (*it != editor) {
                (*it)->hide();
                (*it)->setParent(rows);
            }
        }
        if (editor->parentWidget() != popup_.get()) {
            editor->setParent(popup_.get());
        }
        editor->setGeometry(0, 0, rect.width(), rect.height());
        popup_->setGeometry(QRect(rows->mapToGlobal(rect.topLeft()), rect.size()));
    } else {
        if (editor->parentWidget() != rows) {
            editor->setParent(rows);
        }
        editor->setGeometry(rect);
    }
    if (column_ >= 0 && column_ < columns_.Count()) {
        if (auto* colors = dynamic_cast<IInplaceColors*>(editor)) {
            colors->SetEditorFont(columns_.At(column_)->Font(), host_.EditSettings().BaseFont,
                                  true);
        }
    }
    editor->show();
    editor->raise();
    if (inPopup) {
        popup_->show();
        popup_->raise();
    }
    editor->setFocus(Qt::OtherFocusReason);
}

void TCellEditing::ForwardClick(const TEditClick& click, int x, int y) {
    QWidget* editor = active_;
    if (!editor) {
        return;
    }
    const QPoint global = host_.EditorParent()->mapToGlobal(QPoint(x, y));
    QWidget* target = editor->childAt(editor->mapFromGlobal(global));
    if (!target) {
        target = editor;
    }
    const QPointF local = target->mapFromGlobal(global);
    QMouseEvent press(QEvent::MouseButtonPress, local, QPointF(global), Qt::LeftButton,
                      click.Buttons | Qt::LeftButton, click.Modifiers);
    QApplication::sendEvent(target, &press);
    // The press may have ended the edit (a calendar that took over, a focus change).
    if (active_ != editor) {
        return;
    }
    QMouseEvent release(QEvent::MouseButtonRelease, local, QPointF(global), Qt::LeftButton,
                        click.Buttons & ~Qt::MouseButtons(Qt::LeftButton), click.Modifiers);
    QApplication::sendEvent(target, &release);
}

void TCellEditing::FillChoiceList(TInplaceListBox& list, const std::string& commaText) {
    // Filled on first use, and again whenever the display texts have changed, so the list
    // never offers a text that no longer converts back.
    if (list.count() == 0 || list.FilledFrom() != commaText) {
        list.clear();
        for (const std::string& text : SplitCommaText(commaText)) {
            list.addItem(LocalString(text));
        }
        list.SetFilledFrom(commaText);
    }
    const int height = list.count() * TInplaceListBox::RowHeight + 2 * list.frameWidth();
    list.resize(list.width(), height);
    if (list.parentWidget() == popup_.get()) {
        popup_->resize(popup_->width(), list.height());
    }
}

bool TCellEditing::PreviewHit(bool byPoint, const QPoint& point, QRect& rect, int& row) const {
    if (byPoint) {
        row = host_.RowAt(point);
    }
    if (row < 0) {
        return false;
    }
    rect = host_.RowRect(row);
    // Strictly below the cell line and above the row's end.
    return rect.top() + host_.EditSettings().ItemHeight < point.y() &&
           point.y() < rect.top() + rect.height();
}

int TCellEditing::CompletionFromClick(int x, const QRect& cell) {
    const int divisor = cell.width() - 1;
    if (divisor <= 0) {
        return 0;
    }
    const long long p = static_cast<long long>(x - cell.left()) * 100 / divisor;
    return static_cast<int>(std::clamp<long long>(p, 0, 100));
}

std::vector<std::string> TCellEditing::SplitCommaText(const std::string& commaText) {
    // Each text is enclosed in double quotes, and the texts are separated by commas. The
    // texts are not escaped, so a text ends at a quote that is followed by a comma and
    // another quote, or by the end.
    std::vector<std::string> texts;
    std::size_t i = 0;
    const std::size_t n = commaText.size();
    while (i < n) {
        if (commaText[i] != '"') {
            // An unquoted text runs to the next comma.
            const std::size_t comma = commaText.find(',', i);
            const std::size_t end = comma == std::string::npos ? n : comma;
            texts.push_back(commaText.substr(i, end - i));
            i = end + 1;
            continue;
        }
        std::size_t end = i + 1;
        for (;;) {
            const std::size_t quote = commaText.find('"', end);
            if (quote == std::string::npos) {
                end = n;
                break;
            }
            if (quote + 1 == n || commaText.compare(quote + 1, 2, ",\"") == 0) {
                end = quote;
                break;
            }
            end = quote + 1;
        }
        texts.push_back(commaText.substr(i + 1, end - i - 1));
        i = end + 2;  // past the closing quote and the comma
    }
    return texts;
}
