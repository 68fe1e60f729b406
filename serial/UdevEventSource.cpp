#include "serial/UdevEventSource.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/MainQueue.h"
#include "serial/DeviceLookup.h"

namespace {

// A removed device's record is built from the event alone: the node and the
// kernel name are all that identify it.
SerialDevice removedDevice(udev_device* device, const std::string& node) {
    SerialDeviceInfo info;
    info.calloutPath = node;
    info.dialinPath = node;
    if (const char* sysname = udev_device_get_sysname(device)) info.ttyName = sysname;
    if (const char* sysPath = udev_device_get_syspath(device)) info.sysPath = sysPath;
    return SerialDevice(std::move(info));
}

}  // namespace

UdevEventSource::UdevEventSource() = default;

UdevEventSource::~UdevEventSource() {
    if (thread_.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t written = ::write(stopEvent_.get(), &one, sizeof one);
        thread_.join();
    }
}

const char* UdevEventSource::monitorSourceName() {
    return ::access("/run/udev", F_OK) == 0 ? "udev" : "kernel";
}

std::optional<std::vector<SerialDevice>> UdevEventSource::start(
    DeviceEventSource::DevicesHandler added) {
    if (thread_.joinable()) return std::nullopt;
    udev_.reset(udev_new());
    if (!udev_) return std::nullopt;
    monitor_.reset(udev_monitor_new_from_netlink(udev_.get(), monitorSourceName()));
    if (!monitor_) return std::nullopt;
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor_.get(), "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_.get()) < 0) {
        monitor_.reset();
        return std::nullopt;
    }
    stopEvent_.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!stopEvent_) {
        monitor_.reset();
        return std::nullopt;
    }
    {
        std::lock_guard lock(handlersMutex_);
        added_ = std::move(added);
    }

    // Listed only now that the monitor receives: a device plugged in meanwhile
    // is in the list, or in the monitor's queue, or both.
    std::vector<SerialDevice> present = enumerateSerialDevices();
    for (const auto& device : present) knownNodes_.insert(device.info().calloutPath);
    thread_ = std::thread([this] { run(); });
    return present;
}

bool UdevEventSource::followRemovals(DeviceEventSource::DevicesHandler removed) {
    if (!thread_.joinable()) return false;
    std::lock_guard lock(handlersMutex_);
    removed_ = std::move(removed);
    return true;
}

void UdevEventSource::run() {
    pollfd fds[2] = {{udev_monitor_get_fd(monitor_.get()), POLLIN, 0},
                     {stopEvent_.get(), POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents != 0) return;
        if (fds[0].revents & (POLLERR | POLLNVAL)) return;
        if (fds[0].revents & POLLIN) receiveEvents();
    }
}

// Drains the monitor, reporting consecutive additions (or removals) together.
void UdevEventSource::receiveEvents() {
    std::vector<SerialDevice> batch;
    bool batchIsRemoval = false;
    auto flush = [&] {
        if (batch.empty()) return;
        std::lock_guard lock(handlersMutex_);
        post(batchIsRemoval ? removed_ : added_, std::move(batch));
        batch.clear();
    };

    while (UdevDevicePtr device{udev_monitor_receive_device(monitor_.get())}) {
        const char* action = udev_device_get_action(device.get());
        const char* nodeText = udev_device_get_devnode(device.get());
        if (action == nullptr || nodeText == nullptr) continue;
        const std::string node = nodeText;

        if (std::strcmp(action, "add") == 0) {
            auto serial = serialDeviceFromUdev(device.get());
            if (!serial) continue;
            knownNodes_.insert(node);
            if (batchIsRemoval) flush();
            batchIsRemoval = false;
            batch.push_back(*serial);
        } else if (std::strcmp(action, "remove") == 0) {
            if (knownNodes_.erase(node) == 0 && !serialDeviceFromUdev(device.get())) continue;
            if (!batchIsRemoval) flush();
            batchIsRemoval = true;
            batch.push_back(removedDevice(device.get(), node));
        }
    }
    flush();
}

void UdevEventSource::post(const DeviceEventSource::DevicesHandler& handler,
                           std::vector<SerialDevice> devices) {
    if (!handler) return;
    MainQueue::current().post([handler, devices = std::move(devices)] { handler(devices); });
}
