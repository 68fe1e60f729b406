#pragma once
// The units of a Linux station by default: the USB serial devices themselves,
// as udev adds and removes them (tty devices with a USB parent, as the
// window's port discovery finds them), each known by its slot, the physical
// USB port it is plugged into. Two identical adapters, which share one
// /dev/serial/by-id name, are two units on two slots.

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "serial/DeviceEventSource.h"
#include "station/UnitSource.h"
#include "station/WakingQueue.h"

namespace gimbalctl {

// What udev knows of the serial device with this device number; only
// `device` is set when udev knows none.
UnitIdentity identityOfDevice(uint64_t device);

class UdevUnitSource final : public UnitSource {
public:
    // Watches `devices`: udev's (systemDevices()), or a test's stand-in.
    UdevUnitSource(std::unique_ptr<DeviceEventSource> devices, Events events);
    static std::unique_ptr<DeviceEventSource> systemDevices();

    int descriptor() const override { return queue_->descriptor(); }
    void update() override { queue_->runPosted(); }

private:
    void added(const std::vector<SerialDevice>& devices);
    void removed(const std::vector<SerialDevice>& devices);

    std::shared_ptr<WakingQueue> queue_;  // where udev's thread hands its news over
    std::unique_ptr<DeviceEventSource> devices_;
    Events events_;
    std::map<std::string, UnitIdentity> present_;  // by device node
    std::set<std::string> leftAlone_;              // nodes named once as not on USB
};

}  // namespace gimbalctl
