// The station's udev unit source, driven by stand-in device events.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "station/UdevUnitSource.h"
#include "tests/support/FakeDevices.h"
#include "tests/support/PtyPair.h"

using gimbalctl::UdevUnitSource;
using gimbalctl::UnitIdentity;

namespace {

// An adapter without a USB serial number of its own, as two of one make are.
SerialDevice identicalAdapter(const std::string& node, const std::string& slot) {
    SerialDeviceInfo info = usbAdapter(node).info();
    info.slot = slot;
    info.byId = "/dev/serial/by-id/usb-10c4_CP2102_0001-if00-port0";
    info.usbSerial = "0001";
    return SerialDevice(std::move(info));
}

}  // namespace

TEST(UdevUnitSource, TwoIdenticalAdaptersOnTwoSlotsAreTwoUnitsAndOthersGetOneLineEach) {
    const PtyPair first, second;
    const std::string slot1 = "pci-0000:00:14.0-usb-0:1:1.0-port0";
    const std::string slot2 = "pci-0000:00:14.0-usb-0:2:1.0-port0";
    auto devices = std::make_shared<FakeDevices::State>();
    devices->present = {identicalAdapter(first.slavePath(), slot1),
                        SerialDevice::forNode("/dev/ttyS4")};  // no USB parent
    std::vector<UnitIdentity> appeared;
    std::vector<std::string> gone, notices;
    UdevUnitSource source(std::make_unique<FakeDevices>(devices),
                          {[&](const UnitIdentity& unit) { appeared.push_back(unit); },
                           [&](const std::string& port) { gone.push_back(port); },
                           [&](const std::string& text) { notices.push_back(text); }});

    // Plugged in beside the first; then the monitor repeats what the start listed.
    devices->published({identicalAdapter(second.slavePath(), slot2)});
    devices->published(
        {identicalAdapter(first.slavePath(), slot1), SerialDevice::forNode("/dev/ttyS4")});
    ASSERT_EQ(appeared.size(), 2u);
    struct stat node {};
    ASSERT_EQ(stat(second.slavePath().c_str(), &node), 0);
    EXPECT_EQ(appeared[1].slot, slot2);
    EXPECT_EQ(appeared[1].port, second.slavePath());
    EXPECT_EQ(appeared[1].node, second.slavePath());
    EXPECT_EQ(appeared[1].device, node.st_rdev);
    EXPECT_EQ(appeared[0].slot, slot1);
    EXPECT_EQ(appeared[0].byId, appeared[1].byId);
    EXPECT_EQ(appeared[0].usbSerial, "0001");
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], "/dev/ttyS4 is not a USB serial adapter (no USB parent); left alone.");

    // A removal names the node alone.
    devices->terminated({SerialDevice::forNode(first.slavePath())});
    EXPECT_EQ(gone, std::vector<std::string>{first.slavePath()});
}
