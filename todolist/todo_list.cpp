#include "todolist/todo_list.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <limits>
#include <optional>

#include "model/todo_file.h"
#include "model/todo_sort.h"
#include "platform/qt_convert.h"

namespace {

// The value of a display text, for TodoStatusFromString and TodoPriorityFromString: the
// text is lowered, looked up among the display texts, then given to the conversion event.
template <typename Enum, typename Strings, typename Event>
Enum FromString(QObject* sender, const Strings& strings, const std::string& text,
                const char* function, const char* kind, const Event& event) {
    const std::string lower = LowerAscii(text);
    const std::optional<Enum> found = strings.Find(lower);
    if (!found) {
        throw EConversionFunctionException(
            QLatin1String(function) + QLatin1String(" error. The parameter \"") +
            LocalString(lower) + QLatin1String("\" is not a valid ") + QLatin1String(kind) +
            QLatin1String(" string."));
    }
    Enum result = *found;
    if (event) {
        event(sender, lower, result);
    }
    return result;
}

// The display texts in value order, each in double quotes, separated by commas.
template <typename Enum, typename Strings>
std::string CommaText(const Strings& strings, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            text += ',';
        }
        text += '"' + strings.GetString(static_cast<Enum>(i)) + '"';
    }
    return text;
}

// Row repaints are ignored while this lives; one repaint of the view follows.
class TRepaintSuspension {
public:
    explicit TRepaintSuspension(TTodoListBox& listBox) : listBox_(listBox) {
        listBox_.SuspendRepaint();
    }
    ~TRepaintSuspension() { listBox_.ResumeRepaint(); }
    TRepaintSuspension(const TRepaintSuspension&) = delete;
    TRepaintSuspension& operator=(const TRepaintSuspension&) = delete;

private:
    TTodoListBox& listBox_;
};

}  // namespace

TCustomTodoList::TCustomTodoList(QWidget* parent)
    : QWidget(parent),
      statusStrings_(std::make_unique<TStatusStrings>()),
      priorityStrings_(std::make_unique<TPriorityStrings>()),
      completeCheck_(std::make_unique<TCompleteCheck>()),
      listBox_(std::make_unique<TTodoListBox>(this)),
      editColors_(std::make_unique<TEditColors>(listBox_->CellEditing())) {
    header_ = std::make_unique<TTodoHeader>(this, this);
    statusStrings_->OnChange = [this] { listBox_->RepaintAll(); };
    priorityStrings_->OnChange = [this] { listBox_->RepaintAll(); };
    completeCheck_->OnChange = [this](TCompleteCheck*) { listBox_->RepaintAll(); };

    header_->OnSized = [this](QObject*, int section, int width) {
        if (section >= 0 && section < Columns().Count()) {
            Columns().At(section)->SetWidth(width);
        }
    };
    header_->OnClick = [this](QObject*, int section) {
        if (OnHeaderClick) {
            OnHeaderClick(this, section);
        }
    };
    header_->OnRightClick = [this](QObject*, int section) {
        if (OnHeaderRightClick) {
            OnHeaderRightClick(this, section);
        }
    };
    header_->OnDragDrop = [this](QObject*, int from, int to) { HeaderSectionDropped(from, to); };
    listBox_->OnColumnsChanged = [this](QObject*) { UpdateHeader(); };
    listBox_->OnSelectItem = [this](QObject*) { DoItemSelect(SelectedItem()); };
    ForwardRowEvents(*listBox_, *this, this);

    SetTabStop(false);
    SetItemHeight(18);
    resize(100, 100);
    SetBorderStyle(bsSingle);
    SetCompletionGraphic(true);
    SetHintShowFullText(false);
    SetHeaderDragDrop(false);
}

TCustomTodoList::~TCustomTodoList() = default;

// Layout and border -----------------------------------------------------------------------

void TCustomTodoList::LayoutParts() {
    const int m = borderStyle_ == bsSingle ? 1 : 0;
    const int w = std::max(0, width() - 2 * m);
    header_->setGeometry(m, m, w, HeaderHeight);
    listBox_->setGeometry(m, m + HeaderHeight, w, std::max(0, height() - 2 * m - HeaderHeight));
}

void TCustomTodoList::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutParts();
}

void TCustomTodoList::paintEvent(QPaintEvent*) {
    if (borderStyle_ != bsSingle) {
        return;
    }
    // A thin grey outline over the control's outermost pixels.
    QPainter painter(this);
    painter.setPen(ToQColor(clGray, palette()));
    painter.drawRect(0, 0, width() - 1, height() - 1);
}

void TCustomTodoList::SetBorderStyle(TBorderStyle value) {
    borderStyle_ = value;
    LayoutParts();
    update();
}

// Properties ------------------------------------------------------------------------------

void TCustomTodoList::SetColumns(const TTodoColumnCollection& value) {
    if (&value == &Columns()) {
        return;
    }
    Columns().Clear();
    for (const TTodoColumnItem* column : value) {
        Columns().Add()->Assign(*column);
    }
}

void TCustomTodoList::SetItems(const TTodoItemCollection& value) {
    if (&value == &Items()) {
        return;
    }
    Items().Clear();
    for (const TTodoItem* item : value) {
        Items().Add()->Assign(*item);
    }
}

void TCustomTodoList::SetCompletionGraphic(bool value) {
    completionGraphic_ = value;
    listBox_->RepaintAll();
}

void TCustomTodoList::SetCursor(Qt::CursorShape value) {
    cursor_ = value;
    setCursor(QCursor(value));
}

void TCustomTodoList::SetHeaderDragDrop(bool value) {
    headerDragDrop_ = value;
    header_->SetSectionDragDrop(value);
}

void TCustomTodoList::SetHintShowFullText(bool value) {
    hintShowFullText_ = value;
    listBox_->SetShowHint(value);
}

void TCustomTodoList::SetItemHeight(int value) {
    const int extra = Preview() ? previewHeight_ : 0;
    const long long rowHeight = static_cast<long long>(value) + extra;
    // The list box refuses heights below 1; a sum beyond int is refused the same way.
    if (rowHeight <= std::numeric_limits<int>::max()) {
        listBox_->SetRowHeight(static_cast<int>(rowHeight));
    }
    itemHeight_ = listBox_->RowHeight() - extra;
    listBox_->RepaintAll();
}

void TCustomTodoList::SetPreview(bool value) {
    listBox_->SetPreview(value);
    SetItemHeight(itemHeight_);
}

void TCustomTodoList::SetPreviewHeight(int value) {
    previewHeight_ = value;
    SetItemHeight(itemHeight_);
}

// Sorting ---------------------------------------------------------------------------------

void TCustomTodoList::SetSorted(bool value) {
    sorted_ = value;
    header_->SetSortShow(value);
    if (value) {
        Sort();
    }
}

void TCustomTodoList::SetSortDirection(TSortDirection value) {
    if (value == sortDirection_) {
        return;
    }
    sortDirection_ = value;
    header_->SetSortDirection(value);
    if (sorted_) {
        Sort();
    }
}

void TCustomTodoList::SetSortColumn(int value) {
    if (value == sortColumn_) {
        return;
    }
    sortColumn_ = value;
    header_->SetSortedSection(value);
    if (sorted_) {
        Sort();
    }
}

void TCustomTodoList::Sort() {
    // Sorting exchanges the items' contents; an open edit belongs to the old order.
    listBox_->EndEdit();
    // The sort works on item positions; the rows may show only some of the items.
    const TTodoItem* current = SelectedItem();
    int selected = current ? current->Index() : -1;
    TTodoItemCollection& items = Items();
    if (items.Count() >= 2) {
        // Raises the list-index error for a missing column before anything moves.
        const TTodoData kind = Columns().GetItem(sortColumn_)->TodoData();
        const TRepaintSuspension suspension(*listBox_);
        SortTodoItems(items, kind, sortDirection_, selected);
        listBox_->ItemsRearranged();
    }
    listBox_->SetItemIndex(selected >= 0 ? listBox_->RowOfItem(selected) : selected);
    DoItemSelect(SelectedItem());
}

// Operations ------------------------------------------------------------------------------

void TCustomTodoList::BeginLoading() {
    loading_ = true;
    listBox_->SetLoading(true);
}

void TCustomTodoList::Loaded() {
    loading_ = false;
    listBox_->Loaded();
    UpdateHeader();
}

void TCustomTodoList::SaveToFile(const QString& fileName) const {
    ::SaveToFile(Items(), fileName);
}

void TCustomTodoList::LoadFromFile(const QString& fileName) {
    ::LoadFromFile(Items(), fileName);
}

void TCustomTodoList::SaveToStream(QIODevice& stream) const {
    ::SaveToStream(Items(), stream);
}

void TCustomTodoList::LoadFromStream(QIODevice& stream) {
    ::LoadFromStream(Items(), stream);
}

void TCustomTodoList::SaveColumns(const QString& fileName) const {
    ::SaveColumns(Columns(), fileName);
}

void TCustomTodoList::LoadColumns(const QString& fileName) {
    ::LoadColumns(Columns(), fileName);
}

TTodoColumnItem* TCustomTodoList::AddColumn(TTodoData kind, const std::string& caption) {
    TTodoColumnItem* column = Columns().Add();
    column->SetTodoData(kind);
    column->SetCaption(caption);
    return column;
}

void TCustomTodoList::RemoveColumn(TTodoData kind) {
    for (int i = 0; i < Columns().Count(); ++i) {
        if (Columns().At(i)->TodoData() == kind) {
            Columns().Delete(i);
            return;
        }
    }
}

TTodoItem* TCustomTodoList::SelectedItem() const {
    return listBox_->RowItem(listBox_->ItemIndex());
}

void TCustomTodoList::EndEdit() {
    listBox_->EndEdit();
}

void TCustomTodoList::UpdateHeader() {
    if (loading_ || !header_) {
        return;
    }
    const int count = Columns().Count();
    while (header_->SectionCount() > count) {
        header_->DeleteSection(header_->SectionCount() - 1);
    }
    while (header_->SectionCount() < count) {
        header_->AddSection(QString());
    }
    for (int i = 0; i < count; ++i) {
        const TTodoColumnItem* column = Columns().At(i);
        header_->SetSectionText(i, LocalString(column->Caption()));
        header_->SetSectionWidth(i, column->Width());
    }
}

void TCustomTodoList::HeaderSectionDropped(int from, int to) {
    if (from >= 0 && from < Columns().Count()) {
        Columns().At(from)->SetIndex(to);
    }
    UpdateHeader();
    if (OnHeaderDragDrop) {
        OnHeaderDragDrop(this, from, to);
    }
}

// Virtual operations ----------------------------------------------------------------------

bool TCustomTodoList::DoItemDelete(TTodoItem* item) {
    bool allow = true;
    if (OnItemDelete) {
        OnItemDelete(this, item, allow);
    }
    return allow;
}

bool TCustomTodoList::DoItemInsert(TTodoItem* item) {
    bool allow = true;
    if (OnItemInsert) {
        OnItemInsert(this, item, allow);
    }
    return allow;
}

void TCustomTodoList::DoItemSelect(TTodoItem* item) {
    if (OnItemSelect) {
        OnItemSelect(this, item);
    }
}

void TCustomTodoList::DoEditWriting(TTodoData kind, TTodoItem* item) {
    if (OnItemWriting) {
        OnItemWriting(this, kind, item);
    }
}

void TCustomTodoList::DoEditDone(TTodoData kind, TTodoItem* item) {
    if (OnItemWritten) {
        OnItemWritten(this, kind, item);
    }
    if (OnEditDone) {
        OnEditDone(this);
    }
}

void TCustomTodoList::DoEditStart() {
    if (OnEditStart) {
        OnEditStart(this);
    }
}

void TCustomTodoList::TodoStatusToString(TTodoStatus status, std::string& text) {
    text = statusStrings_->GetString(status);
    if (OnStatusToString) {
        OnStatusToString(this, status, text);
    }
}

TTodoStatus TCustomTodoList::TodoStatusFromString(const std::string& text) {
    return FromString<TTodoStatus>(this, *statusStrings_, text, "TodoStatusFromString", "status",
                                   OnStringToStatus);
}

void TCustomTodoList::TodoPriorityToString(TTodoPriority priority, std::string& text) {
    text = priorityStrings_->GetString(priority);
    if (OnPriorityToString) {
        OnPriorityToString(this, priority, text);
    }
}

TTodoPriority TCustomTodoList::TodoPriorityFromString(const std::string& text) {
    return FromString<TTodoPriority>(this, *priorityStrings_, text, "TodoPriorityFromString",
                                     "priority", OnStringToPriority);
}

std::string TCustomTodoList::TodoStatusCommaText() {
    return CommaText<TTodoStatus>(*statusStrings_, TodoStatusCount);
}

std::string TCustomTodoList::TodoPriorityCommaText() {
    return CommaText<TTodoPriority>(*priorityStrings_, TodoPriorityCount);
}
