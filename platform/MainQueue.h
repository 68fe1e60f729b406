#pragma once
// The one way to run work on the main thread from a background thread.
// The application installs a queue over the Qt event loop; core tests install
// a LoopMainQueue and pump it themselves.

#include <functional>
#include <memory>

class MainQueue {
public:
    using Task = std::function<void()>;
    virtual ~MainQueue() = default;

    // Runs the task later on the main thread; returns at once.
    virtual void post(Task task) = 0;
    // Runs the task on the main thread and returns when it has run. On the main
    // thread itself the task runs at once.
    virtual void postAndWait(Task task) = 0;
    virtual bool isMainThread() const = 0;

    // The installed queue. Before anything is installed, a LoopMainQueue whose
    // main thread is the first caller's thread.
    static MainQueue& current();
    static void install(std::shared_ptr<MainQueue> queue);
};
