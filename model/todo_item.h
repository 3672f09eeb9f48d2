#pragma once

// One to-do item: one row of a list. Every setter that changes a value asks the view to
// repaint this item's row; the notes list tells the view to resynchronise its rows.

#include <cstdint>
#include <functional>
#include <string>

#include "model/collection.h"
#include "model/string_list.h"
#include "model/todo_types.h"

class TTodoItem;
class TTodoItemCollection;

// The notes of an item: a line list that reports every change to its item.
class TTodoNotes : public TStringList {
public:
    explicit TTodoNotes(TTodoItem* item) : item_(item) {}
    TTodoNotes(const TTodoNotes&) = delete;
    TTodoNotes& operator=(const TTodoNotes&) = delete;
    using TStringList::Assign;

protected:
    void Changed() override;

private:
    TTodoItem* item_;
};

class TTodoItem : public TCollectionItem {
public:
    // Items are made by their collection's Add; a null collection makes a free-standing
    // item that notifies nobody (used for temporary copies).
    explicit TTodoItem(TTodoItemCollection* collection);
    ~TTodoItem() override = default;

    // Items come from a pool of large blocks (model/item_pool.h): a list holds many.
    static void* operator new(std::size_t size);
    static void operator delete(void* item, std::size_t size) noexcept;

    TTodoItemCollection* Collection() const { return collection_; }

    bool Complete() const { return complete_; }
    void SetComplete(bool value);
    TCompletion Completion() const { return completion_; }
    void SetCompletion(TCompletion value);
    TDateTime CompletionDate() const { return completionDate_; }
    void SetCompletionDate(TDateTime value);
    TDateTime CreationDate() const { return creationDate_; }
    void SetCreationDate(TDateTime value);
    TDateTime DueDate() const { return dueDate_; }
    void SetDueDate(TDateTime value);
    std::int32_t ImageIndex() const { return imageIndex_; }
    void SetImageIndex(std::int32_t value);
    // The item's own list; changing it in place only resynchronises the rows.
    TTodoNotes& Notes() { return notes_; }
    const TTodoNotes& Notes() const { return notes_; }
    // Copies all lines and repaints, always, even when the lines are the same.
    void SetNotes(const TStringList& value);
    TTodoPriority Priority() const { return priority_; }
    void SetPriority(TTodoPriority value);
    // The text setters take their value by value, so that a reader's fresh string moves in.
    const std::string& Project() const { return project_; }
    void SetProject(std::string value);
    const std::string& Resource() const { return resource_; }
    void SetResource(std::string value);
    TTodoStatus Status() const { return status_; }
    void SetStatus(TTodoStatus value);
    const std::string& Subject() const { return subject_; }
    void SetSubject(std::string value);
    // A free value for clients; never repaints.
    std::int32_t Tag() const { return tag_; }
    void SetTag(std::int32_t value) { tag_ = value; }
    std::int32_t TotalTime() const { return totalTime_; }
    void SetTotalTime(std::int32_t value);

    // Stored for clients; nothing in the program raises it.
    std::function<void(TTodoItem* sender)> OnChange;

    // Moves the item to another position in its collection.
    void SetIndex(int index);

    void Assign(const TCollectionItem& source) override;
    // Exchanges every property but OnChange with the other item and repaints both rows.
    void Exchange(TTodoItem& other);
    // The same without the repaints, for a caller that repaints all rows afterwards.
    void ExchangeQuietly(TTodoItem& other);
    // Takes every property but OnChange from the other item, without repaints; what the
    // other item is left with is unspecified until it is given a content again.
    void TakeContentQuietly(TTodoItem& other);

    // The subject, or "Item" and the position when the subject is empty.
    std::string DisplayName() const;
    // The first line of the notes, or empty.
    std::string NotesLine() const;
    // Makes this item the selected row of the view.
    void Select();

private:
    friend class TTodoNotes;
    friend class TTodoItemCollection;
    // Asks the view to repaint this item's row, when the view has such a row.
    void Changed();
    void NotesChanged();

    TTodoItemCollection* collection_;
    bool complete_ = false;
    TCompletion completion_ = 0;
    TTodoPriority priority_ = tpLowest;
    TTodoStatus status_ = tsNotStarted;
    std::int32_t imageIndex_ = -1;
    std::int32_t tag_ = 0;
    std::int32_t totalTime_ = 0;
    TDateTime completionDate_ = 0.0;
    TDateTime creationDate_ = 0.0;
    TDateTime dueDate_ = 0.0;
    std::string subject_;
    std::string resource_;
    std::string project_;
    TTodoNotes notes_;
};

// The values Create Item gives a new item, in this order: subject "New task", notes
// "None", completion 0, due in 60 days, created now, priority Normal, resource
// "Unassigned". Each date reads the clock at its own assignment.
void SetCreateItemValues(TTodoItem& item, const std::function<TDateTime()>& now);
