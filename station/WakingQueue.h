#pragma once
// The main queue of a station whose loop waits in poll(): each task posted
// from another thread (udev's monitor thread) also makes a descriptor
// readable, so that the loop wakes and runs it.

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

#include "platform/LoopMainQueue.h"
#include "platform/UniqueFd.h"

namespace gimbalctl {

class WakingQueue final : public LoopMainQueue {
public:
    void post(Task task) override {
        LoopMainQueue::post(std::move(task));
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(wake_.get(), &one, sizeof one);
    }
    int descriptor() const { return wake_.get(); }
    // Runs the tasks posted so far. Main thread only.
    void runPosted() {
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t read = ::read(wake_.get(), &count, sizeof count);
        runPending();
    }

private:
    UniqueFd wake_{::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
};

}  // namespace gimbalctl
