#pragma once
// Follows logind's PrepareForSleep signal on the system bus and reports the
// system going to sleep and waking on the main thread. While following, it
// holds a sleep delay lock from logind and gives it up only after the
// will-sleep handler has run, so that handler finishes before the system
// sleeps. Without a bus (or without logind) nothing is reported and nothing
// fails. All bus work happens on a background thread: starting never waits
// for the bus.

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "platform/UniqueFd.h"

class LogindSleepSource {
public:
    // An empty address means the system bus.
    explicit LogindSleepSource(std::string busAddress = {});
    ~LogindSleepSource();  // leaves the bus and waits for the thread
    LogindSleepSource(const LogindSleepSource&) = delete;
    LogindSleepSource& operator=(const LogindSleepSource&) = delete;

    void start(std::function<void()> willSleep, std::function<void()> didWake);

    // True once the bus has confirmed the subscription.
    bool isFollowing() const { return following_; }

private:
    struct BusSession;
    void run();

    std::string busAddress_;
    std::function<void()> willSleep_;
    std::function<void()> didWake_;
    UniqueFd stopEvent_;
    std::thread thread_;
    std::atomic<bool> following_{false};
};
