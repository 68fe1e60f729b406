#pragma once
// Helpers shared by the serial tests: a delegate that records its callbacks,
// pumping the test's main queue, and a second view of a pseudo-terminal slave.

#include <fcntl.h>
#include <sys/resource.h>
#include <termios.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "platform/LoopMainQueue.h"
#include "platform/UniqueFd.h"
#include "serial/ULXSerialPort.h"

inline bool runMainUntil(const std::function<bool()>& done,
                         std::chrono::milliseconds timeout = std::chrono::milliseconds(3000)) {
    return static_cast<LoopMainQueue&>(MainQueue::current()).runUntil(done, timeout);
}

inline void runMainFor(std::chrono::milliseconds duration) {
    static_cast<LoopMainQueue&>(MainQueue::current()).runFor(duration);
}

// Records every callback as a word ("opened", "closed", "removed", "error:5",
// "data:3") in arrival order, and whether each one ran on the main thread.
class RecordingDelegate : public ULXSerialPortDelegate {
public:
    explicit RecordingDelegate(unsigned handled) : handled_(handled) {}
    unsigned handles() const override { return handled_; }

    void serialPortWasOpened(const std::shared_ptr<ULXSerialPort>&) override { record("opened"); }
    void serialPortWasClosed(const std::shared_ptr<ULXSerialPort>&) override { record("closed"); }
    void serialPortWasRemovedFromSystem(const std::shared_ptr<ULXSerialPort>&) override {
        record("removed");
    }
    void serialPortDidEncounterError(const std::shared_ptr<ULXSerialPort>&,
                                     const PosixError& error) override {
        {
            std::lock_guard lock(mutex_);
            errors_.push_back(error);
        }
        record("error:" + std::to_string(error.code));
    }
    void serialPortDidReceiveData(const std::shared_ptr<ULXSerialPort>&,
                                  const std::vector<uint8_t>& data) override {
        record("data:" + std::to_string(data.size()));
    }

    // The events, leaving out the ENOTTY reports of a pseudo-terminal's poller.
    std::vector<std::string> events() const {
        std::lock_guard lock(mutex_);
        std::vector<std::string> kept;
        for (const auto& e : events_) {
            if (e != "error:" + std::to_string(ENOTTY)) kept.push_back(e);
        }
        return kept;
    }
    std::vector<PosixError> errors() const {
        std::lock_guard lock(mutex_);
        return errors_;
    }
    std::size_t errorCount() const { return errors().size(); }
    bool allOnMainThread() const { return allOnMainThread_; }
    void clear() {
        std::lock_guard lock(mutex_);
        events_.clear();
        errors_.clear();
    }

private:
    void record(const std::string& event) {
        if (!MainQueue::current().isMainThread()) allOnMainThread_ = false;
        std::lock_guard lock(mutex_);
        events_.push_back(event);
    }

    unsigned handled_;
    mutable std::mutex mutex_;
    std::vector<std::string> events_;
    std::vector<PosixError> errors_;
    std::atomic<bool> allOnMainThread_{true};
};

constexpr unsigned kAllCallbacks =
    ULXSerialPortDelegate::kWasOpened | ULXSerialPortDelegate::kWasClosed |
    ULXSerialPortDelegate::kWasRemovedFromSystem | ULXSerialPortDelegate::kDidEncounterError |
    ULXSerialPortDelegate::kDidReceiveData;

// A second descriptor on a pseudo-terminal slave, to read and set the line's
// attributes from outside the port.
inline termios attributesOf(const std::string& slavePath) {
    UniqueFd fd(::open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK));
    termios t{};
    ::tcgetattr(fd.get(), &t);
    return t;
}

inline void setAttributesOf(const std::string& slavePath, const termios& t) {
    UniqueFd fd(::open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK));
    ::tcsetattr(fd.get(), TCSANOW, &t);
}

// CPU time (user + system) used by the whole process so far.
inline std::chrono::microseconds processCpuTime() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto micros = [](const timeval& tv) {
        return std::chrono::seconds(tv.tv_sec) + std::chrono::microseconds(tv.tv_usec);
    };
    return micros(usage.ru_utime) + micros(usage.ru_stime);
}
