#include "cli/item_stream.h"

#include <algorithm>
#include <ostream>
#include <thread>

#include "cli/ordered_batches.h"
#include "model/errors.h"

namespace {

[[noreturn]] void FailOutput() {
    throw EWriteError(QStringLiteral("Cannot write the output"));
}

}  // namespace

TOutputBuffer::TOutputBuffer(std::ostream& out) : out_(out) {
    buffer_.reserve(kFlushSize + 4096);
}

void TOutputBuffer::Flush() {
    out_.write(buffer_.data(), std::streamsize(buffer_.size()));
    buffer_.clear();
    if (!out_) {
        FailOutput();
    }
}

void TOutputBuffer::WriteThrough(std::string_view text) {
    out_.write(text.data(), std::streamsize(text.size()));
    if (!out_) {
        FailOutput();
    }
}

void TOutputBuffer::Finish() {
    Flush();
    out_.flush();
    if (!out_) {
        FailOutput();
    }
}

int FormatHelpers(std::size_t items) {
    // Below a few batches the threads would cost more than they save.
    constexpr std::size_t kFewItems = 4096;
    const int cores = int(std::min(std::thread::hardware_concurrency(), 4u));
    return items < kFewItems || cores < 2 ? 0 : cores;
}

namespace {

constexpr std::size_t kBatchItems = 1024;

}  // namespace

struct TItemBatches::TBatch {
    std::vector<std::unique_ptr<TTodoItem>> items;
    std::size_t count = 0;
    TItemTexts texts;
};

struct TItemBatches::TQueue : TOrderedBatches<TBatch> {
    using TOrderedBatches<TBatch>::TOrderedBatches;
};

TItemBatches::TItemBatches(int helpers, const std::function<TFormatItem()>& makeFormat,
                           std::function<void(TItemTexts& texts)> write)
    : write_(std::move(write)) {
    if (helpers <= 0) {
        format_ = makeFormat();
        return;
    }
    queue_ = std::make_unique<TQueue>(
        helpers,
        [&makeFormat]() -> TQueue::TWork {
            return [format = makeFormat()](TBatch& batch) {
                batch.texts.Clear();
                for (std::size_t i = 0; i < batch.count; ++i) {
                    format(*batch.items[i], batch.texts);
                }
            };
        },
        [this](TBatch& batch) {
            write_(batch.texts);
            batch.count = 0;
        });
}

TItemBatches::~TItemBatches() = default;

template <typename TFill>
void TItemBatches::Put(const TTodoItem& item, TFill fill) {
    if (!queue_) {
        texts_.Clear();
        format_(item, texts_);
        write_(texts_);
        return;
    }
    TBatch& batch = queue_->Next();
    if (batch.count == batch.items.size()) {
        batch.items.push_back(std::make_unique<TTodoItem>(nullptr));
    }
    fill(*batch.items[batch.count++]);
    if (batch.count == kBatchItems) {
        queue_->Submit();
    }
}

void TItemBatches::Add(const TTodoItem& item) {
    Put(item, [&item](TTodoItem& into) { into.Assign(item); });
}

void TItemBatches::Take(TTodoItem& item) {
    Put(item, [&item](TTodoItem& into) { into.TakeContentQuietly(item); });
}

void TItemBatches::Finish() {
    if (!queue_) {
        return;
    }
    if (queue_->Next().count > 0) {
        queue_->Submit();
    }
    queue_->Finish();
}
