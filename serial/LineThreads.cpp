#include "serial/LineThreads.h"

#include <atomic>
#include <chrono>

namespace {
std::atomic<bool> processEnding{false};
// Longer than one wait of the reader (0.1 s); a thread stuck in a delivery to
// a main loop that no longer runs is not waited for beyond it.
constexpr auto kExitWait = std::chrono::milliseconds(500);
}  // namespace

// First used by the first open, hence built after the main queue and the
// parser state and destroyed before them.
LineThreads& LineThreads::instance() {
    static LineThreads threads;
    return threads;
}

LineThreads::~LineThreads() {
    processEnding = true;
    std::unique_lock lock(mutex_);
    allFinished_.wait_for(lock, kExitWait, [this] { return running_ == 0; });
}

bool LineThreads::stopping() { return processEnding.load(std::memory_order_relaxed); }

void LineThreads::started() {
    std::lock_guard lock(mutex_);
    ++running_;
}

void LineThreads::finished() {
    std::lock_guard lock(mutex_);
    if (--running_ == 0) allFinished_.notify_all();
}
