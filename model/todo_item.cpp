#include "model/todo_item.h"

#include <bit>
#include <cstdint>
#include <new>

#include "model/item_pool.h"
#include "model/todo_collections.h"
#include "model/todo_owner.h"

namespace {

// A date is the same only when its bits are: -0.0 and 0.0, or two NaNs with different
// payloads, are different bytes in a file, and a list read from a file saves to the
// bytes it was read from.
bool SameBits(TDateTime a, TDateTime b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// AddressSanitizer must see every item as a heap object of its own.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPooled = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kPooled = false;
#else
constexpr bool kPooled = true;
#endif
#else
constexpr bool kPooled = true;
#endif

TItemPool& Pool() {
    // Never destroyed: an item may be freed by another static object's destructor.
    alignas(TItemPool) static unsigned char storage[sizeof(TItemPool)];
    static TItemPool* const pool = ::new (storage) TItemPool(sizeof(TTodoItem));
    return *pool;
}

}  // namespace

void* TTodoItem::operator new(std::size_t size) {
    if (!kPooled || size != sizeof(TTodoItem)) {
        return ::operator new(size);
    }
    return Pool().Allocate();
}

void TTodoItem::operator delete(void* item, std::size_t size) noexcept {
    if (!kPooled || size != sizeof(TTodoItem)) {
        ::operator delete(item);
        return;
    }
    Pool().Free(item);
}

void TTodoNotes::Changed() {
    item_->NotesChanged();
}

TTodoItem::TTodoItem(TTodoItemCollection* collection) : collection_(collection), notes_(this) {}

void TTodoItem::Changed() {
    ITodoModelOwner* owner = collection_ ? collection_->Owner() : nullptr;
    if (owner && Index() >= 0) {
        owner->ItemChanged(Index());
    }
}

void TTodoItem::NotesChanged() {
    ITodoModelOwner* owner = collection_ ? collection_->Owner() : nullptr;
    if (owner) {
        owner->NotesChanged();
    }
}

void TTodoItem::SetComplete(bool value) {
    if (complete_ != value) {
        complete_ = value;
        Changed();
    }
}

void TTodoItem::SetCompletion(TCompletion value) {
    if (completion_ != value) {
        completion_ = value;
        Changed();
    }
}

void TTodoItem::SetCompletionDate(TDateTime value) {
    if (!SameBits(completionDate_, value)) {
        completionDate_ = value;
        Changed();
    }
}

void TTodoItem::SetCreationDate(TDateTime value) {
    if (!SameBits(creationDate_, value)) {
        creationDate_ = value;
        Changed();
    }
}

void TTodoItem::SetDueDate(TDateTime value) {
    if (!SameBits(dueDate_, value)) {
        dueDate_ = value;
        Changed();
    }
}

void TTodoItem::SetImageIndex(std::int32_t value) {
    if (imageIndex_ != value) {
        imageIndex_ = value;
        Changed();
    }
}

void TTodoItem::SetNotes(const TStringList& value) {
    notes_.Assign(value);
    Changed();
}

void TTodoItem::SetPriority(TTodoPriority value) {
    if (priority_ != value) {
        priority_ = value;
        Changed();
    }
}

void TTodoItem::SetProject(std::string value) {
    if (project_ != value) {
        project_ = std::move(value);
        Changed();
    }
}

void TTodoItem::SetResource(std::string value) {
    if (resource_ != value) {
        resource_ = std::move(value);
        Changed();
    }
}

void TTodoItem::SetStatus(TTodoStatus value) {
    if (status_ != value) {
        status_ = value;
        Changed();
    }
}

void TTodoItem::SetSubject(std::string value) {
    if (subject_ != value) {
        subject_ = std::move(value);
        Changed();
    }
}

void TTodoItem::SetTotalTime(std::int32_t value) {
    if (totalTime_ != value) {
        totalTime_ = value;
        Changed();
    }
}

void TTodoItem::SetIndex(int index) {
    if (collection_) {
        collection_->Move(Index(), index);
    }
}

void TTodoItem::Assign(const TCollectionItem& source) {
    const auto* other = dynamic_cast<const TTodoItem*>(&source);
    if (!other || other == this) {
        return;
    }
    SetImageIndex(other->ImageIndex());
    SetNotes(other->Notes());
    SetSubject(other->Subject());
    SetComplete(other->Complete());
    SetCompletion(other->Completion());
    SetCompletionDate(other->CompletionDate());
    SetCreationDate(other->CreationDate());
    SetDueDate(other->DueDate());
    SetPriority(other->Priority());
    SetResource(other->Resource());
    SetStatus(other->Status());
    SetTag(other->Tag());
    SetTotalTime(other->TotalTime());
    SetProject(other->Project());
}

void TTodoItem::Exchange(TTodoItem& other) {
    if (&other == this) {
        return;
    }
    ExchangeQuietly(other);
    Changed();
    other.Changed();
}

void TTodoItem::ExchangeQuietly(TTodoItem& other) {
    if (&other == this) {
        return;
    }
    // Fields are swapped directly: an exchange is one change for each row, and a sort
    // makes many of them.
    std::swap(complete_, other.complete_);
    std::swap(completion_, other.completion_);
    std::swap(priority_, other.priority_);
    std::swap(status_, other.status_);
    std::swap(imageIndex_, other.imageIndex_);
    std::swap(tag_, other.tag_);
    std::swap(totalTime_, other.totalTime_);
    std::swap(completionDate_, other.completionDate_);
    std::swap(creationDate_, other.creationDate_);
    std::swap(dueDate_, other.dueDate_);
    std::swap(subject_, other.subject_);
    std::swap(resource_, other.resource_);
    std::swap(project_, other.project_);
    notes_.SwapLines(other.notes_);
}

void TTodoItem::TakeContentQuietly(TTodoItem& other) {
    if (&other == this) {
        return;
    }
    complete_ = other.complete_;
    completion_ = other.completion_;
    priority_ = other.priority_;
    status_ = other.status_;
    imageIndex_ = other.imageIndex_;
    tag_ = other.tag_;
    totalTime_ = other.totalTime_;
    completionDate_ = other.completionDate_;
    creationDate_ = other.creationDate_;
    dueDate_ = other.dueDate_;
    subject_ = std::move(other.subject_);
    resource_ = std::move(other.resource_);
    project_ = std::move(other.project_);
    notes_.TakeLines(other.notes_);
}

std::string TTodoItem::DisplayName() const {
    if (!subject_.empty()) {
        return subject_;
    }
    return "Item" + std::to_string(Index());
}

std::string TTodoItem::NotesLine() const {
    return notes_.IsEmpty() ? std::string() : notes_[0];
}

void TTodoItem::Select() {
    ITodoModelOwner* owner = collection_ ? collection_->Owner() : nullptr;
    if (owner) {
        owner->SelectItem(Index());
    }
}

void SetCreateItemValues(TTodoItem& item, const std::function<TDateTime()>& now) {
    item.SetSubject("New task");
    item.SetNotes(TStringList{"None"});
    item.SetCompletion(0);
    item.SetDueDate(now() + 60);
    item.SetCreationDate(now());
    item.SetPriority(tpNormal);
    item.SetResource("Unassigned");
}
