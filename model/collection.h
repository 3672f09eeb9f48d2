#pragma once

// The ordered, owning collection that items and columns live in. A member knows its
// collection and its position; moving, inserting and removing members sends the
// collection's Update notification unless an update bracket is open.

#include <algorithm>
#include <memory>
#include <vector>

#include "model/errors.h"

class TCollectionItem {
public:
    virtual ~TCollectionItem() = default;
    TCollectionItem(const TCollectionItem&) = delete;
    TCollectionItem& operator=(const TCollectionItem&) = delete;

    int Index() const { return index_; }
    // Copies the source's properties when it is of the same class; otherwise does nothing.
    virtual void Assign(const TCollectionItem& source) = 0;

protected:
    TCollectionItem() = default;

private:
    template <class>
    friend class TCollection;
    int index_ = -1;
};

template <class TItem>
class TCollection {
public:
    TCollection() = default;
    TCollection(const TCollection&) = delete;
    TCollection& operator=(const TCollection&) = delete;
    virtual ~TCollection() = default;

    int Count() const { return static_cast<int>(items_.size()); }

    // Throws EListError ("List index out of bounds (%d)") outside 0..Count()-1.
    TItem* GetItem(int index) const {
        if (index < 0 || index >= Count()) {
            throw EListError(index);
        }
        return items_[static_cast<std::size_t>(index)].get();
    }
    // Unchecked access for loops that already know the index is valid.
    TItem* At(int index) const { return items_[static_cast<std::size_t>(index)].get(); }

    void BeginUpdate() { ++updateCount_; }
    void EndUpdate() {
        if (updateCount_ > 0 && --updateCount_ == 0) {
            Update();
        }
    }
    bool Updating() const { return updateCount_ > 0; }

    class Iterator {
    public:
        using Base = typename std::vector<std::unique_ptr<TItem>>::const_iterator;
        explicit Iterator(Base it) : it_(it) {}
        TItem* operator*() const { return it_->get(); }
        Iterator& operator++() {
            ++it_;
            return *this;
        }
        bool operator==(const Iterator& other) const { return it_ == other.it_; }

    private:
        Base it_;
    };
    Iterator begin() const { return Iterator(items_.begin()); }
    Iterator end() const { return Iterator(items_.end()); }

    // Moves the member at position from to position to; the members between shift by one.
    void Move(int from, int to) {
        GetItem(from);
        if (to < 0) {
            to = 0;
        }
        if (to >= Count()) {
            to = Count() - 1;
        }
        if (from == to) {
            return;
        }
        auto item = std::move(items_[static_cast<std::size_t>(from)]);
        items_.erase(items_.begin() + from);
        items_.insert(items_.begin() + to, std::move(item));
        Reindex(std::min(from, to), std::max(from, to));
        NotifyUpdate();
    }

protected:
    // Sent after every insertion, removal and move outside an update bracket, and once by
    // the outermost EndUpdate.
    virtual void Update() {}

    TItem* Append(std::unique_ptr<TItem> item) {
        TItem* raw = item.get();
        raw->index_ = Count();
        items_.push_back(std::move(item));
        NotifyUpdate();
        return raw;
    }

    std::unique_ptr<TItem> Extract(int index) {
        GetItem(index);
        auto item = std::move(items_[static_cast<std::size_t>(index)]);
        items_.erase(items_.begin() + index);
        item->index_ = -1;
        Reindex(index, Count() - 1);
        NotifyUpdate();
        return item;
    }

    // Takes every member of another collection, appended in order, without notification.
    void AppendAllFrom(TCollection& other) {
        if (items_.empty()) {
            // The members keep their positions and so their indexes: a loaded list moves
            // in without touching each member.
            items_.swap(other.items_);
            return;
        }
        items_.reserve(items_.size() + other.items_.size());
        for (auto& item : other.items_) {
            item->index_ = Count();
            items_.push_back(std::move(item));
        }
        other.items_.clear();
    }

    void NotifyUpdate() {
        if (updateCount_ == 0) {
            Update();
        }
    }

    void Reindex(int first, int last) {
        for (int i = first; i <= last && i < Count(); ++i) {
            items_[static_cast<std::size_t>(i)]->index_ = i;
        }
    }

    std::vector<std::unique_ptr<TItem>> items_;

private:
    int updateCount_ = 0;
};
