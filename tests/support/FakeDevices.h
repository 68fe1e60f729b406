#pragma once
// A stand-in for the system's device events, for window tests: the port
// discovery lists the devices a test gives, and the test plugs and unplugs
// devices through the handlers the discovery hands over.

#include <memory>
#include <optional>
#include <vector>

#include "serial/ULXSerialPortManager.h"

struct FakeDevices final : DeviceEventSource {
    struct State {
        std::vector<SerialDevice> present;
        DevicesHandler published, terminated;
    };

    explicit FakeDevices(std::shared_ptr<State> s) : state(std::move(s)) {}
    std::optional<std::vector<SerialDevice>> followPublished(DevicesHandler handler) override {
        state->published = std::move(handler);
        return state->present;
    }
    bool followTerminated(DevicesHandler handler) override {
        state->terminated = std::move(handler);
        return true;
    }
    void followSleepAndWake(Handler, Handler) override {}

    std::shared_ptr<State> state;
};

// The next discovery manager sees the devices of `state`; with none given it
// sees no devices at all (the default of the window test binaries).
inline std::shared_ptr<FakeDevices::State> useFakeDevices(std::vector<SerialDevice> present = {}) {
    auto state = std::make_shared<FakeDevices::State>();
    state->present = std::move(present);
    ULXSerialPortManager::resetForTests();
    ULXSerialPortManager::useEventSourceFactory(
        [state] { return std::make_unique<FakeDevices>(state); });
    return state;
}

// A device record as udev gives it for a USB serial adapter at `node`.
inline SerialDevice usbAdapter(const std::string& node) {
    SerialDeviceInfo info;
    info.calloutPath = info.dialinPath = node;
    info.ttyName = node.substr(node.find_last_of('/') + 1);
    info.sysPath = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/" + info.ttyName;
    return SerialDevice(std::move(info));
}
