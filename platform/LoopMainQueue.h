#pragma once
// A main queue without a GUI toolkit: tasks wait in a list until the owning
// thread runs them with runPending / runFor / runUntil.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/MainQueue.h"

class LoopMainQueue : public MainQueue {
public:
    LoopMainQueue();  // the constructing thread is the main thread

    void post(Task task) override;
    void postAndWait(Task task) override;
    bool isMainThread() const override;

    // Runs the tasks waiting now; returns how many ran. Main thread only.
    int runPending();
    // Runs tasks as they come for the given time. Main thread only.
    void runFor(std::chrono::milliseconds duration);
    // Runs tasks until the predicate holds or the deadline passes; returns the
    // predicate's last value. Main thread only.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

private:
    std::thread::id mainThread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Task> tasks_;
};
