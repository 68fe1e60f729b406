// Device lookup against the machine's real udev and sysfs (nothing is opened)
// and against pseudo-terminals.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "serial/DeviceLookup.h"
#include "serial/ULXSerialPort.h"
#include "tests/support/PtyPair.h"

namespace fs = std::filesystem;

namespace {
std::string sysfsType(const fs::path& ttyDir) {
    std::ifstream in(ttyDir / "type");
    std::string value;
    in >> value;
    return value;
}
}  // namespace

TEST(DeviceLookup, EnumerationListsTtysWithHardwareAndFindsThemByExactNode) {
    std::size_t expected = 0;  // ttys with a parent device and a UART behind them
    for (const auto& entry : fs::directory_iterator("/sys/class/tty")) {
        expected += fs::exists(entry.path() / "device") && sysfsType(entry.path()) != "0";
    }
    const auto devices = enumerateSerialDevices();
    EXPECT_EQ(devices.size(), expected);
    for (const auto& device : devices) {
        const auto& info = device.info();
        SCOPED_TRACE(info.calloutPath);
        EXPECT_EQ(info.calloutPath, "/dev/" + info.ttyName);
        EXPECT_EQ(info.dialinPath, info.calloutPath);
        EXPECT_EQ(ULXSerialPort::deviceFromBSDPath(info.calloutPath), device);
        std::string upper = info.calloutPath;
        for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_FALSE(ULXSerialPort::deviceFromBSDPath(upper));
    }
    EXPECT_FALSE(ULXSerialPort::deviceFromBSDPath(""));
    EXPECT_FALSE(ULXSerialPort::deviceFromBSDPath("/dev/null"));
    EXPECT_FALSE(ULXSerialPort::deviceFromBSDPath("/dev/ptmx"));
}

TEST(DeviceLookup, PseudoTerminalSlavesStandInDirectlyOrThroughASymlink) {
    PtyPair pty;
    const SerialDevice direct = ULXSerialPort::deviceFromBSDPath(pty.slavePath());
    ASSERT_TRUE(direct);
    EXPECT_EQ(ULXSerialPort::bsdCalloutPathFromDevice(direct), pty.slavePath());
    EXPECT_EQ(ULXSerialPort::modemNameFromDevice(direct), fs::path(pty.slavePath()).filename());

    const fs::path link = fs::temp_directory_path() / ("gimbal-" + std::to_string(::getpid()));
    fs::remove(link);
    fs::create_symlink(pty.slavePath(), link);
    const SerialDevice viaLink = ULXSerialPort::deviceFromBSDPath(link);
    fs::remove(link);
    EXPECT_EQ(viaLink, direct);
    EXPECT_EQ(ULXSerialPort::bsdCalloutPathFromDevice(viaLink), pty.slavePath());
}
