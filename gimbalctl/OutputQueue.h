#pragma once
// An upgrade's messages and progress delivered in order on a thread of their
// own, so that output that blocks (a console held by a selection, a pipe
// nobody reads) never holds up the thread that serves the line. Progress
// that has not gone out yet is replaced by newer progress.

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "unitupgrade/Upgrade.h"

namespace gimbalctl {

class OutputQueue {
public:
    explicit OutputQueue(const UpgradeEvents& target);
    // Delivers everything queued, then ends the thread.
    ~OutputQueue();
    OutputQueue(const OutputQueue&) = delete;
    OutputQueue& operator=(const OutputQueue&) = delete;

    // Events that queue for the target's.
    const UpgradeEvents& events() const { return events_; }

private:
    struct Event {
        bool isProgress = false;
        std::string line;
        int value = 0, maximum = 0;
    };
    void push(Event event);
    void deliver();

    const UpgradeEvents& target_;
    UpgradeEvents events_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Event> pending_;
    bool ending_ = false;
    std::thread thread_;
};

}  // namespace gimbalctl
