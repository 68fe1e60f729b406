#include "platform/MainQueue.h"

#include <mutex>

#include "platform/LoopMainQueue.h"

namespace {
std::mutex installMutex;
std::shared_ptr<MainQueue> installed;
}  // namespace

MainQueue& MainQueue::current() {
    std::lock_guard lock(installMutex);
    if (!installed) installed = std::make_shared<LoopMainQueue>();
    return *installed;
}

void MainQueue::install(std::shared_ptr<MainQueue> queue) {
    std::lock_guard lock(installMutex);
    installed = std::move(queue);
}

LoopMainQueue::LoopMainQueue() : mainThread_(std::this_thread::get_id()) {}

bool LoopMainQueue::isMainThread() const { return std::this_thread::get_id() == mainThread_; }

void LoopMainQueue::post(Task task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    wake_.notify_all();
}

void LoopMainQueue::postAndWait(Task task) {
    if (isMainThread()) {
        task();
        return;
    }
    std::mutex doneMutex;
    std::condition_variable doneCv;
    bool done = false;
    post([&] {
        task();
        std::lock_guard lock(doneMutex);
        done = true;
        doneCv.notify_all();
    });
    std::unique_lock lock(doneMutex);
    doneCv.wait(lock, [&] { return done; });
}

int LoopMainQueue::runPending() {
    std::deque<Task> batch;
    {
        std::lock_guard lock(mutex_);
        batch.swap(tasks_);
    }
    for (auto& task : batch) task();
    return static_cast<int>(batch.size());
}

void LoopMainQueue::runFor(std::chrono::milliseconds duration) {
    runUntil([] { return false; }, duration);
}

bool LoopMainQueue::runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        runPending();
        if (done()) return true;
        std::unique_lock lock(mutex_);
        if (std::chrono::steady_clock::now() >= deadline) return false;
        wake_.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() +
                                                      std::chrono::milliseconds(5)),
                         [&] { return !tasks_.empty(); });
    }
}
