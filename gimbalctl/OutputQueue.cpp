#include "gimbalctl/OutputQueue.h"

namespace gimbalctl {

OutputQueue::OutputQueue(const UpgradeEvents& target)
    : target_(target),
      events_{[this](const std::string& line) { push({false, line}); },
              [this](int value, int maximum) { push({true, {}, value, maximum}); }},
      thread_([this] { deliver(); }) {}

OutputQueue::~OutputQueue() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    ready_.notify_one();
    thread_.join();
}

void OutputQueue::push(Event event) {
    {
        std::lock_guard lock(mutex_);
        if (event.isProgress && !pending_.empty() && pending_.back().isProgress) {
            pending_.back() = std::move(event);
        } else {
            pending_.push_back(std::move(event));
        }
    }
    ready_.notify_one();
}

void OutputQueue::deliver() {
    std::unique_lock lock(mutex_);
    for (;;) {
        ready_.wait(lock, [this] { return ending_ || !pending_.empty(); });
        if (pending_.empty()) return;  // ending, and all delivered
        Event event = std::move(pending_.front());
        pending_.pop_front();
        lock.unlock();
        if (event.isProgress) {
            if (target_.progress) target_.progress(event.value, event.maximum);
        } else if (target_.message) {
            target_.message(event.line);
        }
        lock.lock();
    }
}

}  // namespace gimbalctl
