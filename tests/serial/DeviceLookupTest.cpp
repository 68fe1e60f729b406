// Device lookup against the machine's real udev and sysfs (nothing is opened)
// and against pseudo-terminals.

#include <gtest/gtest.h>
#include <libudev.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "serial/DeviceLookup.h"
#include "serial/UdevHandles.h"
#include "serial/ULXSerialPort.h"
#include "tests/support/PtyPair.h"

namespace {

std::string readSysfsType(const std::string& ttyName) {
    std::ifstream in("/sys/class/tty/" + ttyName + "/type");
    std::string value;
    in >> value;
    return value;
}

// A symlink in a fresh temporary directory, removed with the object.
struct TempLink {
    std::filesystem::path dir;
    std::filesystem::path link;
    explicit TempLink(const std::string& target) {
        char pattern[] = "/tmp/serial-lookup-XXXXXX";
        dir = ::mkdtemp(pattern);
        link = dir / "gimbal";
        std::filesystem::create_symlink(target, link);
    }
    ~TempLink() { std::filesystem::remove_all(dir); }
};

}  // namespace

TEST(DeviceLookup, EnumerationListsOnlyTtysWithHardwareBehindThem) {
    const auto devices = enumerateSerialDevices();
    for (const auto& device : devices) {
        const auto& info = device.info();
        SCOPED_TRACE(info.calloutPath);
        EXPECT_EQ(info.calloutPath, info.dialinPath);
        EXPECT_EQ(info.calloutPath, "/dev/" + info.ttyName);
        EXPECT_TRUE(std::filesystem::exists(info.sysPath + "/device"));
        EXPECT_NE(readSysfsType(info.ttyName), "0");
    }
    // Virtual terminals have no parent device and are never listed.
    for (const auto& device : devices) EXPECT_NE(device.info().ttyName, "tty0");

    // Every tty in sysfs with a parent and a non-zero (or absent) type is listed.
    std::size_t expected = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/class/tty")) {
        const std::string name = entry.path().filename();
        if (std::filesystem::exists(entry.path() / "device") && readSysfsType(name) != "0") {
            ++expected;
        }
    }
    EXPECT_EQ(devices.size(), expected);
}

TEST(DeviceLookup, FromUdevRejectsNonSerialDevices) {
    EXPECT_FALSE(serialDeviceFromUdev(nullptr));
    UdevPtr context(udev_new());
    ASSERT_TRUE(context);
    UdevDevicePtr tty0(udev_device_new_from_subsystem_sysname(context.get(), "tty", "tty0"));
    if (tty0) {
        EXPECT_FALSE(serialDeviceFromUdev(tty0.get()));
    }
    UdevDevicePtr mem(udev_device_new_from_subsystem_sysname(context.get(), "mem", "null"));
    if (mem) {
        EXPECT_FALSE(serialDeviceFromUdev(mem.get()));
    }
}

TEST(DeviceLookup, RealDevicesAreFoundByExactNodeOnly) {
    EXPECT_FALSE(ULXSerialPort::deviceFromBSDPath(""));
    EXPECT_FALSE(ULXSerialPort::deviceFromBSDPath("/dev/cu.SLAB_USBtoUART"));
    EXPECT_FALSE(ULXSerialPort::deviceFromBSDPath("/dev/null"));
    for (const auto& device : enumerateSerialDevices()) {
        const std::string node = device.info().calloutPath;
        SCOPED_TRACE(node);
        EXPECT_EQ(ULXSerialPort::deviceFromBSDPath(node), device);
        std::string upper = node;
        for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_FALSE(ULXSerialPort::deviceFromBSDPath(upper));
    }
}

TEST(DeviceLookup, PseudoTerminalSlavesStandInForDevices) {
    PtyPair pty;
    const SerialDevice direct = ULXSerialPort::deviceFromBSDPath(pty.slavePath());
    ASSERT_TRUE(direct);
    EXPECT_EQ(ULXSerialPort::bsdCalloutPathFromDevice(direct), pty.slavePath());
    EXPECT_EQ(ULXSerialPort::bsdDialinPathFromDevice(direct), pty.slavePath());
    EXPECT_EQ(ULXSerialPort::modemNameFromDevice(direct),
              pty.slavePath().substr(pty.slavePath().rfind('/') + 1));
    EXPECT_FALSE(ULXSerialPort::baseNameFromDevice(direct));

    TempLink link(pty.slavePath());
    const SerialDevice viaLink = ULXSerialPort::deviceFromBSDPath(link.link);
    ASSERT_TRUE(viaLink);
    EXPECT_EQ(viaLink, direct);
    EXPECT_EQ(ULXSerialPort::bsdCalloutPathFromDevice(viaLink), pty.slavePath());

    // The master side and other character devices are not serial devices.
    EXPECT_FALSE(ULXSerialPort::deviceFromBSDPath("/dev/ptmx"));
    EXPECT_FALSE(pseudoTerminalSlaveNode("/dev/pts/no-such-terminal"));
}

TEST(DeviceLookup, EmptyHandleHasNoNames) {
    const SerialDevice none;
    EXPECT_FALSE(ULXSerialPort::bsdCalloutPathFromDevice(none));
    EXPECT_FALSE(ULXSerialPort::modemNameFromDevice(none));
    EXPECT_FALSE(ULXSerialPort::suffixFromDevice(none));
}
