#pragma once

// The to-do list control: a column header on top of the row list box, with the item and
// column model inside the list box. The control keeps the settings of its own (sorting,
// row height, the edit and insert switches), forwards most appearance settings to the list
// box or the header, raises its children's events again with itself as sender, and turns
// statuses and priorities into display texts and back.

#include <QIODevice>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>

#include "editing/edit_colors.h"
#include "editing/edit_host.h"
#include "model/errors.h"
#include "model/todo_collections.h"
#include "model/todo_strings.h"
#include "model/todo_types.h"
#include "todolist/todo_events.h"
#include "todolist/todo_header.h"
#include "todolist/todo_list_box.h"
#include "todolist/todo_looks.h"

// A text that names no status or priority.
class EConversionFunctionException : public EPellmarkError {
public:
    using EPellmarkError::EPellmarkError;
};

enum TBorderStyle : std::uint8_t { bsNone = 0, bsSingle = 1 };
// How the control sits in its parent; stored for the parent's layout.
enum TAlign : std::uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };

using TStatusToStringEvent =
    std::function<void(QObject* Sender, TTodoStatus AValue, std::string& AString)>;
using TStringToStatusEvent =
    std::function<void(QObject* Sender, const std::string& AString, TTodoStatus& AValue)>;
using TPriorityToStringEvent =
    std::function<void(QObject* Sender, TTodoPriority AValue, std::string& AString)>;
using TStringToPriorityEvent =
    std::function<void(QObject* Sender, const std::string& AString, TTodoPriority& AValue)>;

// The control converts the texts of states and priorities and raises the edit events for
// the cell editing of its list box (ITodoEditControl), and raises the list box's row events
// (TRowEvents) again with itself as Sender.
class TCustomTodoList : public QWidget, public ITodoEditControl, public TRowEvents {
    Q_OBJECT

public:
    // The height of the header strip.
    static constexpr int HeaderHeight = 18;

    explicit TCustomTodoList(QWidget* parent = nullptr);
    ~TCustomTodoList() override;

    TTodoListBox* ListBox() const { return listBox_.get(); }
    TTodoHeader* Header() const { return header_.get(); }

    // Properties ------------------------------------------------------------------------

    TAlign Align() const { return align_; }
    void SetAlign(TAlign value) { align_ = value; }
    bool AutoAdvanceEdit() const { return autoAdvanceEdit_; }
    void SetAutoAdvanceEdit(bool value) { autoAdvanceEdit_ = value; }
    bool AutoInsertItem() const { return autoInsertItem_; }
    void SetAutoInsertItem(bool value) { autoInsertItem_ = value; }
    bool AutoDeleteItem() const { return autoDeleteItem_; }
    void SetAutoDeleteItem(bool value) { autoDeleteItem_ = value; }
    // bsSingle outlines the control with a one-pixel grey border.
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);
    TColor Color() const { return listBox_->Color(); }
    void SetColor(TColor value) { listBox_->SetColor(value); }
    TTodoColumnCollection& Columns() { return listBox_->TodoColumns(); }
    const TTodoColumnCollection& Columns() const { return listBox_->TodoColumns(); }
    // The colours of the six in-place editors, read from and written to the editors.
    TEditColors& EditColors() { return *editColors_; }
    // Replaces the columns by copies of the given ones.
    void SetColumns(const TTodoColumnCollection& value);
    TCompleteCheck& CompleteCheck() { return *completeCheck_; }
    const TCompleteCheck& CompleteCheck() const { return *completeCheck_; }
    const TFont& CompletionFont() const { return listBox_->CompletionFont(); }
    void SetCompletionFont(const TFont& value) { listBox_->SetCompletionFont(value); }
    bool CompletionGraphic() const { return completionGraphic_; }
    void SetCompletionGraphic(bool value);
    Qt::CursorShape Cursor() const { return cursor_; }
    void SetCursor(Qt::CursorShape value);
    const QString& DateFormat() const { return listBox_->DateFormat(); }
    void SetDateFormat(const QString& value) { listBox_->SetDateFormat(value); }
    Qt::CursorShape DragCursor() const { return listBox_->DragCursor(); }
    void SetDragCursor(Qt::CursorShape value) { listBox_->SetDragCursor(value); }
    TDragMode DragMode() const { return listBox_->DragMode(); }
    void SetDragMode(TDragMode value) { listBox_->SetDragMode(value); }
    TDragKind DragKind() const { return listBox_->DragKind(); }
    void SetDragKind(TDragKind value) { listBox_->SetDragKind(value); }
    bool Editable() const { return listBox_->Editable(); }
    void SetEditable(bool value) { listBox_->SetEditable(value); }
    bool EditSelectAll() const { return listBox_->EditSelectAll(); }
    void SetEditSelectAll(bool value) { listBox_->SetEditSelectAll(value); }
    const TFont& Font() const { return listBox_->Font(); }
    void SetFont(const TFont& value) { listBox_->SetFont(value); }
    bool GridLines() const { return listBox_->GridLines(); }
    void SetGridLines(bool value) { listBox_->SetGridLines(value); }
    bool HeaderDragDrop() const { return headerDragDrop_; }
    void SetHeaderDragDrop(bool value);
    const TFont& HeaderFont() const { return header_->Font(); }
    void SetHeaderFont(const TFont& value) { header_->SetFont(value); }
    bool HintShowFullText() const { return hintShowFullText_; }
    void SetHintShowFullText(bool value);
    TImageList* Images() const { return listBox_->Images(); }
    void SetImages(TImageList* value) { listBox_->SetImages(value); }
    // The height of a row's cells; with the preview on, rows are PreviewHeight taller. A
    // height the list box refuses (below 1 in all) leaves the one in force.
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int value);
    TTodoItemCollection& Items() { return listBox_->TodoItems(); }
    const TTodoItemCollection& Items() const { return listBox_->TodoItems(); }
    // Replaces the items by copies of the given ones.
    void SetItems(const TTodoItemCollection& value);
    bool Preview() const { return listBox_->Preview(); }
    void SetPreview(bool value);
    const TFont& PreviewFont() const { return listBox_->PreviewFont(); }
    void SetPreviewFont(const TFont& value) { listBox_->SetPreviewFont(value); }
    int PreviewHeight() const { return previewHeight_; }
    void SetPreviewHeight(int value);
    const TFont& PriorityFont() const { return listBox_->PriorityFont(); }
    void SetPriorityFont(const TFont& value) { listBox_->SetPriorityFont(value); }
    TPriorityStrings& PriorityStrings() { return *priorityStrings_; }
    const TPriorityStrings& PriorityStrings() const { return *priorityStrings_; }
    TProgressLook& ProgressLook() { return listBox_->ProgressLook(); }
    void SetProgressLook(const TProgressLook& value) { listBox_->SetProgressLook(value); }
    TColor SelectionColor() const { return listBox_->SelectionColor(); }
    void SetSelectionColor(TColor value) { listBox_->SetSelectionColor(value); }
    TColor SelectionFontColor() const { return listBox_->SelectionFontColor(); }
    void SetSelectionFontColor(TColor value) { listBox_->SetSelectionFontColor(value); }
    bool ShowSelection() const { return listBox_->ShowSelection(); }
    void SetShowSelection(bool value) { listBox_->SetShowSelection(value); }
    // Sorting: the header shows the indicator exactly when Sorted is on. Setting Sorted
    // sorts whenever the value is true; the other two sort when they change and Sorted is
    // on. A sort with a SortColumn that names no column raises EListError before any item
    // moves.
    bool Sorted() const { return sorted_; }
    void SetSorted(bool value);
    TSortDirection SortDirection() const { return sortDirection_; }
    void SetSortDirection(TSortDirection value);
    int SortColumn() const { return sortColumn_; }
    void SetSortColumn(int value);
    TStatusStrings& StatusStrings() { return *statusStrings_; }
    const TStatusStrings& StatusStrings() const { return *statusStrings_; }
    // The control itself never takes the focus; this is the list box's Tab stop.
    bool TabStop() const { return listBox_->TabStop(); }
    void SetTabStop(bool value) { listBox_->SetTabStop(value); }

    // Operations ------------------------------------------------------------------------

    // Until Loaded, rows do not follow the items and the header is not rebuilt; Loaded
    // then synchronises both once.
    void BeginLoading();
    virtual void Loaded();

    // The .2do file and the column layout file; failures raise the model's exceptions.
    void SaveToFile(const QString& fileName) const;
    void LoadFromFile(const QString& fileName);
    void SaveToStream(QIODevice& stream) const;
    void LoadFromStream(QIODevice& stream);
    void SaveColumns(const QString& fileName) const;
    void LoadColumns(const QString& fileName);

    // Appends a column of that kind and caption; the other properties keep their new values.
    TTodoColumnItem* AddColumn(TTodoData kind, const std::string& caption);
    // Destroys the first column of that kind, if any.
    void RemoveColumn(TTodoData kind);
    // The item of the selected row, or null.
    TTodoItem* SelectedItem() const;
    // Ends any open in-place edit (the header calls this at every left press). Commands
    // that delete items or replace the list call it first; the list box also drops an edit
    // whose item is removed, without writing.
    void EndEdit();
    // The clock of the list box (new items' dates from the Insert key, the beep); null is
    // the system clock. Not owned.
    void SetClock(IClock* clock) { listBox_->SetClock(clock); }
    // Rebuilds the header's sections from the columns' captions and widths.
    void UpdateHeader();
    // Sorts the items by the sort column and direction, keeps the selected content
    // selected and raises OnItemSelect; EListError for a sort column that does not exist.
    void Sort();

    // Virtual operations ----------------------------------------------------------------

    virtual bool DoItemDelete(TTodoItem* item);
    virtual bool DoItemInsert(TTodoItem* item);
    virtual void DoItemSelect(TTodoItem* item);
    void DoEditDone(TTodoData kind, TTodoItem* item) override;
    void DoEditStart() override;
    void DoEditWriting(TTodoData kind, TTodoItem* item) override;
    // The status text (the StatusStrings text, which OnStatusToString may replace).
    void TodoStatusToString(TTodoStatus status, std::string& text) override;
    // The status of a text, compared without regard to ASCII case; raises
    // EConversionFunctionException for an unknown text.
    TTodoStatus TodoStatusFromString(const std::string& text) override;
    void TodoPriorityToString(TTodoPriority priority, std::string& text) override;
    TTodoPriority TodoPriorityFromString(const std::string& text) override;
    // The texts in double quotes, separated by commas: "Not started","Completed",...
    std::string TodoStatusCommaText() override;
    std::string TodoPriorityCommaText() override;

    // Events (Sender is this control; positions are in list-box coordinates) ------------
    // The row events OnClick ... OnExit come from TRowEvents.

    TItemSelectEvent OnItemSelect;
    TItemAllowEvent OnItemInsert;
    TItemAllowEvent OnItemDelete;
    TNotifyEvent OnEditStart;
    TNotifyEvent OnEditDone;
    // Around every value the cell editing writes into an item (an editor's value, the done
    // check, a click on the completion bar): OnItemWriting with the item as it was,
    // OnItemWritten with it as it is now.
    using TItemWriteEvent = std::function<void(QObject* Sender, TTodoData Kind, TTodoItem* Item)>;
    TItemWriteEvent OnItemWriting;
    TItemWriteEvent OnItemWritten;
    std::function<void(QObject* Sender, int Column)> OnHeaderClick;
    std::function<void(QObject* Sender, int Column)> OnHeaderRightClick;
    std::function<void(QObject* Sender, int FromCol, int ToCol)> OnHeaderDragDrop;
    TStatusToStringEvent OnStatusToString;
    TStringToStatusEvent OnStringToStatus;
    TPriorityToStringEvent OnPriorityToString;
    TStringToPriorityEvent OnStringToPriority;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void LayoutParts();
    void HeaderSectionDropped(int from, int to);

    std::unique_ptr<TStatusStrings> statusStrings_;
    std::unique_ptr<TPriorityStrings> priorityStrings_;
    std::unique_ptr<TCompleteCheck> completeCheck_;

    TAlign align_ = alNone;
    bool autoAdvanceEdit_ = false;
    bool autoInsertItem_ = false;
    bool autoDeleteItem_ = false;
    TBorderStyle borderStyle_ = bsSingle;
    bool completionGraphic_ = true;
    Qt::CursorShape cursor_ = Qt::ArrowCursor;
    bool headerDragDrop_ = false;
    bool hintShowFullText_ = false;
    int itemHeight_ = 18;
    int previewHeight_ = 0;
    bool sorted_ = false;
    TSortDirection sortDirection_ = sdAscending;
    int sortColumn_ = 0;
    bool loading_ = false;

    // The parts, Qt children of this control and owned here. They are destroyed before
    // everything above, while the control's texts and events still serve them: the list
    // box first, then the header, which the constructor makes after the list box.
    std::unique_ptr<TTodoHeader> header_;
    std::unique_ptr<TTodoListBox> listBox_;
    // Wraps the list box's editors.
    std::unique_ptr<TEditColors> editColors_;
};

// The published control; all behaviour is in TCustomTodoList.
class TTodoList : public TCustomTodoList {
    Q_OBJECT

public:
    using TCustomTodoList::TCustomTodoList;
};
