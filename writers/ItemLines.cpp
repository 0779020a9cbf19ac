#include "writers/ItemLines.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace {

unsigned Threads = 0;
std::size_t ItemsPerRange = 8192;

unsigned ThreadCount() {
    if (Threads > 0) return Threads;
    // Asked once: the library reads a file of the kernel on every call, and
    // a save of many small meshes writes hundreds of thousands of blocks.
    static const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    return cores;
}

// Worker k makes ranges k, k + n, k + 2n, ... into its slot; the writing
// thread takes the slots in range order and frees each for its next range.
class RangeWorkers {
public:
    RangeWorkers(unsigned workers, std::size_t count, const ItemRangeMaker& make)
        : count_(count), ranges_((count + ItemsPerRange - 1) / ItemsPerRange), make_(make), slots_(workers) {
        threads_.reserve(workers);
        try {
            for (unsigned k = 0; k < workers; ++k) threads_.emplace_back([this, k] { Work(k); });
        } catch (...) {
            Stop();
            throw;
        }
    }
    ~RangeWorkers() { Stop(); }
    RangeWorkers(const RangeWorkers&) = delete;
    RangeWorkers& operator=(const RangeWorkers&) = delete;

    void WriteAll(CheckedTextWriter& w) {
        const std::size_t workers = threads_.size();
        for (std::size_t r = 0; r < ranges_; ++r) {
            Slot& slot = slots_[r % workers];
            {
                std::unique_lock lock(mutex_);
                slot.changed.wait(lock, [&] { return slot.ready; });
            }
            if (slot.error) std::rethrow_exception(slot.error);
            w.Text(slot.text);
            {
                const std::lock_guard lock(mutex_);
                slot.text.clear();
                slot.ready = false;
            }
            slot.changed.notify_one();
        }
    }

private:
    // A slot is handed between its worker and the writing thread; each
    // waits on the slot's own condition, so a change wakes only the other.
    struct Slot {
        std::string text;
        std::exception_ptr error;
        bool ready = false;
        std::condition_variable changed;
    };

    void Work(unsigned k) {
        const std::size_t workers = slots_.size();
        Slot& slot = slots_[k];
        for (std::size_t r = k; r < ranges_; r += workers) {
            {
                std::unique_lock lock(mutex_);
                slot.changed.wait(lock, [&] { return stop_ || !slot.ready; });
                if (stop_) return;
            }
            const std::size_t first = r * ItemsPerRange, end = std::min(count_, first + ItemsPerRange);
            try {
                make_(first, end, slot.text);
            } catch (...) {
                slot.error = std::current_exception();
            }
            {
                const std::lock_guard lock(mutex_);
                slot.ready = true;
            }
            slot.changed.notify_one();
            if (slot.error) return;  // nothing after it is written
        }
    }

    void Stop() {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        for (Slot& slot : slots_) slot.changed.notify_one();
        for (std::thread& t : threads_) t.join();
        threads_.clear();
    }

    const std::size_t count_, ranges_;
    const ItemRangeMaker& make_;
    std::vector<Slot> slots_;
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    bool stop_ = false;
};

}  // namespace

void WriteItemLines(CheckedTextWriter& w, std::size_t count, const ItemRangeMaker& make) {
    const std::size_t ranges = (count + ItemsPerRange - 1) / ItemsPerRange;
    const unsigned workers = static_cast<unsigned>(std::min<std::size_t>(ThreadCount(), ranges));
    if (workers >= 2) {
        std::optional<RangeWorkers> pool;
        try {
            pool.emplace(workers, count, make);
        } catch (const std::system_error&) {
            // No threads to be had: the lines are made here, one range after
            // another.
        }
        if (pool) {
            pool->WriteAll(w);
            return;
        }
    }
    for (std::size_t first = 0; first < count; first += ItemsPerRange) {
        make(first, std::min(count, first + ItemsPerRange), w.Buffer());
        w.FlushIfFull();
    }
}

void SetItemLineThreads(unsigned threads, std::size_t itemsPerRange) {
    Threads = threads;
    ItemsPerRange = itemsPerRange > 0 ? itemsPerRange : 8192;
}
