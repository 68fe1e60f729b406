#pragma once
// Keeps count of the ports' reader and poller threads, which run detached. At
// the end of the process it asks them to stop and waits a moment for them, so
// none of them still feeds the parser or posts to the main queue while those
// are destroyed (a port's last owner may be one of its own threads).

#include <condition_variable>
#include <mutex>

class LineThreads {
public:
    static LineThreads& instance();
    ~LineThreads();

    // True once the process is ending: the threads leave their loops.
    static bool stopping();

    void started();
    void finished();

private:
    LineThreads() = default;
    std::mutex mutex_;
    std::condition_variable allFinished_;
    int running_ = 0;
};
