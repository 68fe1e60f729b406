#include "station/UdevUnitSource.h"

#include <sys/stat.h>

#include "serial/DeviceLookup.h"
#include "serial/UdevEventSource.h"
#include "serial/UdevHandles.h"
#include "translations/Marked.h"

namespace gimbalctl {
namespace {

// udev's serial devices alone: the station has no use for sleep and wake.
class UdevDevices final : public DeviceEventSource {
public:
    std::optional<std::vector<SerialDevice>> followPublished(DevicesHandler published) override {
        return devices_.start(std::move(published));
    }
    bool followTerminated(DevicesHandler terminated) override {
        return devices_.followRemovals(std::move(terminated));
    }
    void followSleepAndWake(Handler, Handler) override {}

private:
    UdevEventSource devices_;
};

UnitIdentity identityOf(const SerialDevice& device) {
    const SerialDeviceInfo& info = device.info();
    UnitIdentity unit;
    unit.port = unit.node = info.calloutPath;
    // Without udevd there are no links: the kernel's name is the nearest thing to a place.
    unit.slot = info.slot.empty() ? info.ttyName : info.slot;
    unit.byId = info.byId;
    unit.usbSerial = info.usbSerial;
    struct stat node {};
    if (::stat(unit.node.c_str(), &node) == 0 && S_ISCHR(node.st_mode)) unit.device = node.st_rdev;
    return unit;
}

}  // namespace

UnitIdentity identityOfDevice(uint64_t device) {
    UdevPtr udev(udev_new());
    UdevDevicePtr found(udev ? udev_device_new_from_devnum(udev.get(), 'c', device) : nullptr);
    const std::optional<SerialDevice> serial = serialDeviceFromUdev(found.get());
    UnitIdentity unit = serial ? identityOf(*serial) : UnitIdentity{};
    unit.device = device;
    return unit;
}

std::unique_ptr<DeviceEventSource> UdevUnitSource::systemDevices() {
    return std::make_unique<UdevDevices>();
}

UdevUnitSource::UdevUnitSource(std::unique_ptr<DeviceEventSource> devices, Events events)
    : queue_(std::make_shared<WakingQueue>()),
      devices_(std::move(devices)),
      events_(std::move(events)) {
    MainQueue::install(queue_);
    const auto present = devices_->followPublished([this](const auto& devices) { added(devices); });
    if (!present ||
        !devices_->followTerminated([this](const auto& devices) { removed(devices); })) {
        events_.notice(N_("cannot follow serial devices through udev; no unit will be seen."));
        return;
    }
    added(*present);
}

void UdevUnitSource::added(const std::vector<SerialDevice>& devices) {
    for (const SerialDevice& device : devices) {
        const UnitIdentity unit = identityOf(device);
        if (!device.isUsbAdapter()) {
            if (leftAlone_.insert(unit.node).second) {
                events_.notice(translations::filledIn(
                    N_("%1 is not a USB serial adapter (no USB parent); left alone."),
                    {unit.node}));
            }
            continue;
        }
        // Listed at start and reported by the monitor too: the same unit.
        const auto known = present_.find(unit.node);
        if (known != present_.end() && known->second.slot == unit.slot &&
            known->second.device == unit.device) {
            continue;
        }
        if (known != present_.end()) events_.gone(unit.node);
        present_[unit.node] = unit;
        events_.appeared(unit);
    }
}

void UdevUnitSource::removed(const std::vector<SerialDevice>& devices) {
    for (const SerialDevice& device : devices) {
        const std::string& node = device.info().calloutPath;
        leftAlone_.erase(node);
        if (present_.erase(node)) events_.gone(node);
    }
}

}  // namespace gimbalctl
