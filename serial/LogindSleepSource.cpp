#include "serial/LogindSleepSource.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <systemd/sd-bus.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "platform/MainQueue.h"

namespace {

constexpr const char* kLogindService = "org.freedesktop.login1";
constexpr const char* kLogindPath = "/org/freedesktop/login1";
constexpr const char* kLogindManager = "org.freedesktop.login1.Manager";

struct BusUnref {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
    void operator()(sd_bus_slot* slot) const { sd_bus_slot_unref(slot); }
};
using BusPtr = std::unique_ptr<sd_bus, BusUnref>;
using SlotPtr = std::unique_ptr<sd_bus_slot, BusUnref>;

BusPtr connect(const std::string& address) {
    sd_bus* raw = nullptr;
    if (address.empty()) {
        if (sd_bus_open_system(&raw) < 0) return nullptr;
        return BusPtr(raw);
    }
    if (sd_bus_new(&raw) < 0) return nullptr;
    BusPtr bus(raw);
    if (sd_bus_set_address(raw, address.c_str()) < 0 || sd_bus_set_bus_client(raw, 1) < 0 ||
        sd_bus_start(raw) < 0) {
        return nullptr;
    }
    return bus;
}

// Milliseconds until the bus's next deadline, for poll(); -1 for none.
int pollTimeout(sd_bus* bus) {
    uint64_t until = 0;
    if (sd_bus_get_timeout(bus, &until) < 0 || until == UINT64_MAX) return -1;
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t nowUsec = uint64_t(now.tv_sec) * 1000000u + uint64_t(now.tv_nsec) / 1000u;
    if (until <= nowUsec) return 0;
    return static_cast<int>((until - nowUsec + 999) / 1000);
}

}  // namespace

// State of one bus connection, used on the background thread only.
struct LogindSleepSource::BusSession {
    LogindSleepSource& owner;
    BusPtr bus;
    SlotPtr signalSlot;
    SlotPtr inhibitCall;
    UniqueFd delayLock;

    void requestDelayLock() {
        sd_bus_slot* slot = nullptr;
        if (sd_bus_call_method_async(bus.get(), &slot, kLogindService, kLogindPath, kLogindManager,
                                     "Inhibit", &BusSession::delayLockGranted, this, "ssss",
                                     "sleep", "gimbal-tool", "Closing open serial ports",
                                     "delay") >= 0) {
            inhibitCall.reset(slot);
        }
    }

    static int delayLockGranted(sd_bus_message* reply, void* userdata, sd_bus_error*) {
        auto* self = static_cast<BusSession*>(userdata);
        int fd = -1;
        // Refused (no logind, or not allowed): sleep is then simply not delayed.
        if (!sd_bus_message_is_method_error(reply, nullptr) &&
            sd_bus_message_read(reply, "h", &fd) >= 0) {
            self->delayLock.reset(::fcntl(fd, F_DUPFD_CLOEXEC, 3));
        }
        return 0;
    }

    static int subscribed(sd_bus_message* reply, void* userdata, sd_bus_error*) {
        auto* self = static_cast<BusSession*>(userdata);
        if (!sd_bus_message_is_method_error(reply, nullptr)) self->owner.following_ = true;
        return 0;
    }

    static int prepareForSleep(sd_bus_message* signal, void* userdata, sd_bus_error*) {
        auto* self = static_cast<BusSession*>(userdata);
        int goingToSleep = 0;
        if (sd_bus_message_read(signal, "b", &goingToSleep) < 0) return 0;
        if (goingToSleep) {
            // The lock travels with the task and is released once the handler
            // has run on the main thread.
            auto lock = std::make_shared<UniqueFd>(std::move(self->delayLock));
            MainQueue::current().post([handler = self->owner.willSleep_, lock] {
                if (handler) handler();
                lock->reset();
            });
        } else {
            MainQueue::current().post([handler = self->owner.didWake_] {
                if (handler) handler();
            });
            self->requestDelayLock();
        }
        return 0;
    }
};

LogindSleepSource::LogindSleepSource(std::string busAddress) : busAddress_(std::move(busAddress)) {}

LogindSleepSource::~LogindSleepSource() {
    if (thread_.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t written = ::write(stopEvent_.get(), &one, sizeof one);
        thread_.join();
    }
}

void LogindSleepSource::start(std::function<void()> willSleep, std::function<void()> didWake) {
    if (thread_.joinable()) return;
    stopEvent_.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!stopEvent_) return;
    willSleep_ = std::move(willSleep);
    didWake_ = std::move(didWake);
    thread_ = std::thread([this] { run(); });
}

void LogindSleepSource::run() {
    BusSession session{*this, connect(busAddress_), nullptr, nullptr, UniqueFd()};
    if (!session.bus) return;
    sd_bus_slot* slot = nullptr;
    if (sd_bus_match_signal_async(session.bus.get(), &slot, kLogindService, kLogindPath,
                                  kLogindManager, "PrepareForSleep", &BusSession::prepareForSleep,
                                  &BusSession::subscribed, &session) < 0) {
        return;
    }
    session.signalSlot.reset(slot);
    session.requestDelayLock();

    for (;;) {
        const int processed = sd_bus_process(session.bus.get(), nullptr);
        if (processed < 0) return;  // the bus went away: no more sleep handling
        if (processed > 0) continue;

        const int busEvents = sd_bus_get_events(session.bus.get());
        if (busEvents < 0) return;
        pollfd fds[2] = {{sd_bus_get_fd(session.bus.get()), static_cast<short>(busEvents), 0},
                         {stopEvent_.get(), POLLIN, 0}};
        if (::poll(fds, 2, pollTimeout(session.bus.get())) < 0 && errno != EINTR) return;
        if (fds[1].revents != 0) return;
    }
}
