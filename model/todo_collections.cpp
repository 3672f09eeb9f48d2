#include "model/todo_collections.h"

#include "model/todo_owner.h"

// Items -----------------------------------------------------------------------------------

TTodoItemCollection::~TTodoItemCollection() = default;

TTodoItem* TTodoItemCollection::Add() {
    TTodoItem* item = Append(std::make_unique<TTodoItem>(this));
    if (owner_ && owner_->HasWindow()) {
        owner_->SyncRows();
    }
    return item;
}

void TTodoItemCollection::Delete(int index) {
    GetItem(index);  // the list-index error before anyone hears of the removal
    if (owner_) {
        owner_->ItemRemoving(index);
    }
    // The item is freed only after the view has dropped its row.
    std::unique_ptr<TTodoItem> item = Extract(index);
    if (owner_ && owner_->HasWindow()) {
        owner_->SyncRows();
    }
}

void TTodoItemCollection::Clear() {
    BeginUpdate();
    for (int i = Count() - 1; i >= 0; --i) {
        Delete(i);
    }
    EndUpdate();
}

void TTodoItemCollection::Update() {
    if (owner_) {
        owner_->RowsSettled();
    }
}

void TTodoItemCollection::Changed() {
    if (owner_) {
        owner_->RepaintAll();
    }
}

void TTodoItemCollection::TakeAll(TTodoItemCollection& other) {
    if (&other == this || other.Count() == 0) {
        return;
    }
    const int first = Count();
    AppendAllFrom(other);
    for (int i = first; i < Count(); ++i) {
        At(i)->collection_ = this;
    }
    NotifyUpdate();
    if (owner_ && owner_->HasWindow()) {
        owner_->SyncRows();
    }
}

// Columns ---------------------------------------------------------------------------------

TTodoColumnItem::TTodoColumnItem(TTodoColumnCollection* collection) : collection_(collection) {}

void TTodoColumnItem::Changed() {
    if (OnChange) {
        OnChange(this);
    }
    if (collection_) {
        collection_->Changed();
    }
}

void TTodoColumnItem::ColumnsChangedNotice() {
    if (collection_ && collection_->OwnerHasWindow()) {
        collection_->Owner()->ColumnsChanged();
    }
}

void TTodoColumnItem::SetAlignment(TAlignment value) {
    alignment_ = value;
    Changed();
}

void TTodoColumnItem::SetCaption(const std::string& value) {
    caption_ = value;
    Changed();
    ColumnsChangedNotice();
}

void TTodoColumnItem::SetColor(TColor value) {
    color_ = value;
    Changed();
}

void TTodoColumnItem::SetFont(const TFont& value) {
    font_ = value;
    Changed();
}

void TTodoColumnItem::SetTodoData(TTodoData value) {
    todoData_ = value;
    if (value == tdHandle) {
        editable_ = false;
    }
    Changed();
}

void TTodoColumnItem::SetWidth(std::int32_t value) {
    width_ = value;
    Changed();
    ColumnsChangedNotice();
}

void TTodoColumnItem::SetIndex(int index) {
    if (collection_) {
        collection_->Move(Index(), index);
    }
}

void TTodoColumnItem::Assign(const TCollectionItem& source) {
    const auto* other = dynamic_cast<const TTodoColumnItem*>(&source);
    if (!other || other == this) {
        return;
    }
    SetAlignment(other->Alignment());
    SetCaption(other->Caption());
    SetColor(other->Color());
    editable_ = other->Editable();
    SetFont(other->Font());
    SetTodoData(other->TodoData());
    SetWidth(other->Width());
}

std::string TTodoColumnItem::DisplayName() const {
    if (!caption_.empty()) {
        return caption_;
    }
    return "Column" + std::to_string(Index());
}

TTodoColumnCollection::~TTodoColumnCollection() = default;

bool TTodoColumnCollection::OwnerHasWindow() const {
    return owner_ && owner_->HasWindow();
}

TTodoColumnItem* TTodoColumnCollection::Add() {
    TTodoColumnItem* column = Append(std::make_unique<TTodoColumnItem>(this));
    column->ColumnsChangedNotice();
    if (owner_) {
        column->font_ = owner_->CurrentFont();
    }
    return column;
}

void TTodoColumnCollection::Delete(int index) {
    std::unique_ptr<TTodoColumnItem> column = Extract(index);
    if (OwnerHasWindow()) {
        owner_->ColumnsChanged();
    }
}

void TTodoColumnCollection::Clear() {
    BeginUpdate();
    for (int i = Count() - 1; i >= 0; --i) {
        Delete(i);
    }
    EndUpdate();
}

void TTodoColumnCollection::Changed() {
    if (OwnerHasWindow()) {
        owner_->RepaintAll();
    }
}

void TTodoColumnCollection::Update() {
    if (OwnerHasWindow()) {
        owner_->RepaintAll();
    }
}
