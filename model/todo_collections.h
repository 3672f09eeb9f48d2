#pragma once

// The two collections of a to-do list: the items (one per row) and the column
// definitions (one per column of the grid and section of the header).

#include <cstdint>
#include <functional>
#include <string>

#include "model/collection.h"
#include "model/todo_item.h"
#include "model/todo_types.h"

class ITodoModelOwner;

class TTodoItemCollection : public TCollection<TTodoItem> {
public:
    // The owner is the view that shows the items, or null.
    explicit TTodoItemCollection(ITodoModelOwner* owner = nullptr) : owner_(owner) {}
    ~TTodoItemCollection() override;

    ITodoModelOwner* Owner() const { return owner_; }

    // Appends a new item with the new-item values; the view gains a row for it.
    TTodoItem* Add();
    // Destroys the item at that position; the items behind it move up one place.
    void Delete(int index);
    void Remove(TTodoItem* item) { Delete(item->Index()); }
    // Destroys every item, last first, inside one update bracket.
    void Clear();
    // Repaints all rows.
    void Changed();
    // Moves every item of the other collection to the end of this one, in order; the view
    // synchronises its rows once.
    void TakeAll(TTodoItemCollection& other);
    // Reserves room for this many items.
    void Reserve(int count) { items_.reserve(static_cast<std::size_t>(count)); }

protected:
    void Update() override;

private:
    ITodoModelOwner* owner_;
};

class TTodoColumnCollection;

class TTodoColumnItem : public TCollectionItem {
public:
    explicit TTodoColumnItem(TTodoColumnCollection* collection);
    ~TTodoColumnItem() override = default;

    TTodoColumnCollection* Collection() const { return collection_; }

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    const TFont& Font() const { return font_; }
    // The column's own font object: changing it in place notifies nobody; the change shows
    // at the next repaint.
    TFont& FontRef() { return font_; }
    void SetFont(const TFont& value);
    TTodoData TodoData() const { return todoData_; }
    // tdHandle also makes the column not editable.
    void SetTodoData(TTodoData value);
    std::int32_t Width() const { return width_; }
    void SetWidth(std::int32_t value);
    bool Editable() const { return editable_; }
    void SetEditable(bool value) { editable_ = value; }

    std::function<void(TTodoColumnItem* sender)> OnChange;

    // Moves the column to another position; all rows repaint, the header stays as it was
    // until it is rebuilt.
    void SetIndex(int index);

    void Assign(const TCollectionItem& source) override;
    // The caption, or "Column" and the position when the caption is empty.
    std::string DisplayName() const;

private:
    friend class TTodoColumnCollection;
    void Changed();
    void ColumnsChangedNotice();

    TTodoColumnCollection* collection_;
    TAlignment alignment_ = taLeftJustify;
    TTodoData todoData_ = tdSubject;
    bool editable_ = true;
    TColor color_ = clWindow;
    std::int32_t width_ = 100;
    std::string caption_;
    TFont font_;
};

class TTodoColumnCollection : public TCollection<TTodoColumnItem> {
public:
    explicit TTodoColumnCollection(ITodoModelOwner* owner = nullptr) : owner_(owner) {}
    ~TTodoColumnCollection() override;

    ITodoModelOwner* Owner() const { return owner_; }

    TTodoColumnItem* Add();
    void Delete(int index);
    void Remove(TTodoColumnItem* column) { Delete(column->Index()); }
    void Clear();
    // Repaints all rows when the view has its window.
    void Changed();

protected:
    void Update() override;

private:
    friend class TTodoColumnItem;
    bool OwnerHasWindow() const;

    ITodoModelOwner* owner_;
};
