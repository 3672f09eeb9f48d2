#pragma once

// Memory for objects of one size (the to-do items) in blocks of two megabytes. A list of
// 100,000 items then lies in a dozen blocks instead of 100,000 heap chunks: no heap header
// and no heap call per object, and, where the system offers them, one huge page per block,
// so that loading a list costs a dozen page faults instead of thousands, and visiting the
// items in any order (as a sort does) does not keep missing the address translations.
// The first block has ordinary pages, so that a short list costs only the pages it uses.
//
// A block goes back to the system when its last object is freed; one empty block is kept
// for the next objects. Thread-safe. Builds with AddressSanitizer use the ordinary heap,
// so that its checks see every object.

#include <cstddef>
#include <mutex>

class TItemPool {
public:
    explicit TItemPool(std::size_t objectSize);
    TItemPool(const TItemPool&) = delete;
    TItemPool& operator=(const TItemPool&) = delete;

    // Raises std::bad_alloc when the system has no memory left.
    void* Allocate();
    void Free(void* object) noexcept;

    // The blocks the pool holds now, the kept empty one included.
    std::size_t BlockCount() const;

    static constexpr std::size_t BlockSize = std::size_t(2) << 20;

private:
    struct TBlock;
    TBlock* NewBlock();
    void Unlink(TBlock* block) noexcept;
    static void ReleaseBlock(TBlock* block) noexcept;

    std::size_t slotSize_;
    mutable std::mutex mutex_;
    TBlock* blocks_ = nullptr;   // every block but the spare, linked
    TBlock* current_ = nullptr;  // the block new objects come from
    TBlock* spare_ = nullptr;    // an empty block kept for later
    std::size_t blockCount_ = 0;
};
