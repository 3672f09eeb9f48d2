#include "model/item_pool.h"

#include <QtGlobal>
#include <algorithm>
#include <cstdint>
#include <new>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

struct TItemPool::TBlock {
    TBlock* Next = nullptr;
    TBlock* Previous = nullptr;
    void* FreeSlots = nullptr;  // freed slots, linked through their first bytes
    char* Fresh = nullptr;      // the slots from here on were never handed out
    char* End = nullptr;
    std::size_t Live = 0;

    bool HasRoom(std::size_t slotSize) const {
        return FreeSlots != nullptr || std::size_t(End - Fresh) >= slotSize;
    }
};

namespace {

// The block header takes the first cache line; the slots follow.
constexpr std::size_t kHeaderSize = 64;
static_assert(sizeof(void*) * 6 <= kHeaderSize);

void* MapBlock(bool hugePage) {
#ifdef Q_OS_LINUX
    // Twice the size, then the ends cut off, leaves one block on a block boundary: the
    // block of an object is then found by rounding its address down.
    const std::size_t size = TItemPool::BlockSize;
    void* raw =
        ::mmap(nullptr, 2 * size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) {
        return nullptr;
    }
    const auto start = (reinterpret_cast<std::uintptr_t>(raw) + size - 1) & ~(size - 1);
    const std::size_t head = start - reinterpret_cast<std::uintptr_t>(raw);
    if (head > 0) {
        ::munmap(raw, head);
    }
    ::munmap(reinterpret_cast<char*>(start) + size, size - head);
    if (hugePage) {
        ::madvise(reinterpret_cast<void*>(start), size, MADV_HUGEPAGE);  // a hint; may be refused
    }
    return reinterpret_cast<void*>(start);
#else
    Q_UNUSED(hugePage);
    return qMallocAligned(TItemPool::BlockSize, TItemPool::BlockSize);
#endif
}

void UnmapBlock(void* block) {
#ifdef Q_OS_LINUX
    ::munmap(block, TItemPool::BlockSize);
#else
    qFreeAligned(block);
#endif
}

}  // namespace

TItemPool::TItemPool(std::size_t objectSize)
    : slotSize_((std::max(objectSize, sizeof(void*)) + 15) & ~std::size_t(15)) {}

TItemPool::TBlock* TItemPool::NewBlock() {
    // The first block has ordinary pages: a huge page is cleared in full when first
    // touched, which costs a short list (the program's start) more than all its items.
    void* memory = MapBlock(blockCount_ > 0);
    if (!memory) {
        throw std::bad_alloc();
    }
    auto* block = new (memory) TBlock;
    block->Fresh = static_cast<char*>(memory) + kHeaderSize;
    block->End = static_cast<char*>(memory) + BlockSize;
    ++blockCount_;
    return block;
}

void TItemPool::ReleaseBlock(TBlock* block) noexcept {
    block->~TBlock();
    UnmapBlock(block);
}

void TItemPool::Unlink(TBlock* block) noexcept {
    if (block->Previous) {
        block->Previous->Next = block->Next;
    } else {
        blocks_ = block->Next;
    }
    if (block->Next) {
        block->Next->Previous = block->Previous;
    }
    block->Next = block->Previous = nullptr;
}

void* TItemPool::Allocate() {
    const std::lock_guard lock(mutex_);
    if (!current_ || !current_->HasRoom(slotSize_)) {
        current_ = nullptr;
        for (TBlock* block = blocks_; block; block = block->Next) {
            if (block->HasRoom(slotSize_)) {
                current_ = block;
                break;
            }
        }
        if (!current_) {
            TBlock* block = spare_ ? spare_ : NewBlock();
            spare_ = nullptr;
            block->Next = blocks_;
            if (blocks_) {
                blocks_->Previous = block;
            }
            blocks_ = block;
            current_ = block;
        }
    }
    void* slot;
    if (current_->FreeSlots) {
        slot = current_->FreeSlots;
        current_->FreeSlots = *static_cast<void**>(slot);
    } else {
        slot = current_->Fresh;
        current_->Fresh += slotSize_;
    }
    ++current_->Live;
    return slot;
}

void TItemPool::Free(void* object) noexcept {
    if (!object) {
        return;
    }
    const std::lock_guard lock(mutex_);
    auto* block =
        reinterpret_cast<TBlock*>(reinterpret_cast<std::uintptr_t>(object) & ~(BlockSize - 1));
    *static_cast<void**>(object) = block->FreeSlots;
    block->FreeSlots = object;
    if (--block->Live > 0) {
        return;
    }
    Unlink(block);
    if (current_ == block) {
        current_ = nullptr;
    }
    if (spare_) {
        --blockCount_;
        ReleaseBlock(block);
        return;
    }
    // Kept empty and as new: its memory is handed out from the start again.
    block->FreeSlots = nullptr;
    block->Fresh = reinterpret_cast<char*>(block) + kHeaderSize;
    spare_ = block;
}

std::size_t TItemPool::BlockCount() const {
    const std::lock_guard lock(mutex_);
    return blockCount_;
}
