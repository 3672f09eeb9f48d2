#pragma once

// Work on batches spread over helper threads, each batch handed back on the caller's
// thread in the order it was given: a long export formats its items on every core while
// the caller reads the list and writes the text in order. A few batches are in flight at
// a time, each filled again once handed back, so memory does not grow with the input.
// With no helpers the work is done at once on the caller's thread.

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

template <typename TBatch>
class TOrderedBatches {
public:
    using TWork = std::function<void(TBatch& batch)>;

    // `makeWork` gives every thread its own work, which may keep state of its own; `deliver`
    // gets each batch done, on the caller's thread.
    TOrderedBatches(int helpers, const std::function<TWork()>& makeWork,
                    std::function<void(TBatch& batch)> deliver)
        : deliver_(std::move(deliver)) {
        const std::size_t slots = helpers > 0 ? 3 * std::size_t(helpers) + 1 : 1;
        for (std::size_t i = 0; i < slots; ++i) {
            slots_.push_back(std::make_unique<TSlot>());
        }
        if (helpers <= 0) {
            inline_ = makeWork();
        }
        for (int i = 0; i < helpers; ++i) {
            threads_.emplace_back([this, work = makeWork()] { Help(work); });
        }
    }
    // Stops the helpers; batches not handed back are dropped.
    ~TOrderedBatches() {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        work_.notify_all();
        for (std::thread& thread : threads_) {
            thread.join();
        }
    }
    TOrderedBatches(const TOrderedBatches&) = delete;
    TOrderedBatches& operator=(const TOrderedBatches&) = delete;

    // The batch to fill next, as it was handed back last time (or new).
    TBatch& Next() {
        if (pending_ == slots_.size()) {
            HandBack();
        }
        return slots_[fill_]->batch;
    }
    // Gives the batch Next returned to the work.
    void Submit() {
        TSlot& slot = *slots_[fill_];
        fill_ = (fill_ + 1) % slots_.size();
        ++pending_;
        if (threads_.empty()) {
            inline_(slot.batch);
            HandBack();
            return;
        }
        {
            const std::lock_guard lock(mutex_);
            slot.done = false;
            queue_.push_back(&slot);
        }
        work_.notify_one();
    }
    // Hands back every batch given. An exception of the work is raised here or in Next,
    // where its batch's turn comes.
    void Finish() {
        while (pending_ > 0) {
            HandBack();
        }
    }

private:
    struct TSlot {
        TBatch batch;
        bool done = true;
        std::exception_ptr error;
    };

    void HandBack() {
        TSlot& slot = *slots_[oldest_];
        {
            std::unique_lock lock(mutex_);
            done_.wait(lock, [&slot] { return slot.done; });
        }
        oldest_ = (oldest_ + 1) % slots_.size();
        --pending_;
        if (slot.error) {
            std::rethrow_exception(std::exchange(slot.error, nullptr));
        }
        deliver_(slot.batch);
    }

    void Help(const TWork& work) {
        for (;;) {
            TSlot* slot;
            {
                std::unique_lock lock(mutex_);
                work_.wait(lock, [this] { return stop_ || !queue_.empty(); });
                if (stop_) {
                    return;
                }
                slot = queue_.front();
                queue_.pop_front();
            }
            try {
                work(slot->batch);
            } catch (...) {
                slot->error = std::current_exception();
            }
            {
                const std::lock_guard lock(mutex_);
                slot->done = true;
            }
            done_.notify_all();
        }
    }

    std::function<void(TBatch&)> deliver_;
    TWork inline_;
    std::vector<std::unique_ptr<TSlot>> slots_;  // a ring: filled, worked and handed back in turn
    std::size_t fill_ = 0;
    std::size_t oldest_ = 0;
    std::size_t pending_ = 0;
    std::mutex mutex_;
    std::condition_variable work_;
    std::condition_variable done_;
    std::deque<TSlot*> queue_;
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

// Runs part(0) ... part(parts - 1) at once, the first on the caller's thread, each other on
// a thread of its own, and returns when all are done. An exception of a part is raised
// once all are done.
template <typename TPart>
void ForEachPart(int parts, const TPart& part) {
    std::vector<std::exception_ptr> errors(std::size_t(std::max(parts, 1)));
    const auto run = [&part, &errors](int p) {
        try {
            part(p);
        } catch (...) {
            errors[std::size_t(p)] = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    for (int p = 1; p < parts; ++p) {
        threads.emplace_back(run, p);
    }
    run(0);
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const std::exception_ptr& error : errors) {
        if (error) {
            std::rethrow_exception(error);
        }
    }
}
