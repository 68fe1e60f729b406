#pragma once
// The operator's screen's connections, bounded so that a screen can never
// take what the units need: at most `limit` connections are served at once,
// each on a thread of the gate's own. While they are all taken the server
// accepts nothing more, and the gate itself takes every new connection from
// the listening socket, answers it 503 and closes it at once, counting it.
// The station hears of the refusals in one line at most once a minute. A
// connection whose request has not arrived whole kRequestDeadline after it
// was accepted, or after its previous request was answered (a client that
// sends nothing, or sends it a byte at a time), is shut down, which frees
// its thread and descriptor.

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/UniqueFd.h"
#include "translations/Marked.h"

namespace gimbalctl {

class ScreenGate {
public:
    static constexpr std::chrono::seconds kTellEvery{60};
    static constexpr std::chrono::seconds kRequestDeadline{5};

    // What a browser turned away shows; the face gives it in its language.
    static constexpr const char* kTooManyScreens =
        N_("Too many screens follow this station; try again later.\n");

    // listening: the server's listening socket; it stays the server's.
    // refusal: kTooManyScreens as the station's language words it.
    ScreenGate(std::size_t limit, int listening, const std::string& refusal);
    ~ScreenGate();
    ScreenGate(const ScreenGate&) = delete;
    ScreenGate& operator=(const ScreenGate&) = delete;

    // One job per accepted connection: waits, holding the server's accepting,
    // while every thread is taken.
    void enqueue(std::function<void()> job);
    // Lets the jobs given so far finish, then ends every thread.
    void shutdown();

    // A request from `peer` ("ADDRESS:PORT") has arrived whole: its
    // connection is past its deadline.
    void requestArrived(const std::string& peer);
    // Its request answered: unless the answer is a stream, which lasts, the
    // connection's next request has its own deadline from now.
    void requestAnswered(const std::string& peer, bool streaming);

    // Readable when there is a line for the station (takeNews).
    int descriptor() const { return wake_[0].get(); }
    // The refusals not yet told, in one line, once a minute at most; empty when none.
    std::optional<translations::Wording> takeNews();

private:
    void serve();   // each worker thread
    void refuse();  // the refusing thread
    void tellLater(std::chrono::steady_clock::time_point now);
    // The connection accepted just now, found among this process's sockets
    // by its local port (the server does not say which it is).
    void noteAccepted(uint64_t job);
    void shutDownLate(std::chrono::steady_clock::time_point now);

    struct Connection {
        int fd = -1;
        uint64_t inode = 0;  // that the descriptor is still this connection
        std::string peer;
        std::chrono::steady_clock::time_point since;
        bool requested = false;
    };

    const std::size_t limit_;
    const int listening_;
    const std::string refusal_;  // the whole HTTP answer to a connection turned away
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> jobs_;
    std::size_t busy_ = 0;  // jobs queued or running
    bool full_ = false;     // enqueue waits for a thread: the gate refuses meanwhile
    bool stopping_ = false;
    uint64_t jobsGiven_ = 0;
    std::map<uint64_t, Connection> connections_;  // by job, until the job ends
    std::vector<std::thread> workers_;
    std::thread refuser_;

    std::mutex newsMutex_;
    unsigned long long refused_ = 0;  // since the last line
    std::chrono::steady_clock::time_point toldAt_{};
    bool toldOnce_ = false;
    UniqueFd wake_[2];
};

// The server's task queue, which it deletes when it stops listening: a
// handle to a gate that the screen owns.
class GateHandle final : public httplib::TaskQueue {
public:
    explicit GateHandle(ScreenGate& gate) : gate_(gate) {}
    ~GateHandle() override;
    void enqueue(std::function<void()> job) override { gate_.enqueue(std::move(job)); }
    void shutdown() override { gate_.shutdown(); }

private:
    ScreenGate& gate_;
};

}  // namespace gimbalctl
