// The Windows line's own decisions, built as a Windows program and run under
// wine: the device path of a port name, the open failures in Windows' words,
// and the USB id read from a hardware id.

#include <gtest/gtest.h>

#include "gimbalctl/windows/Ports.h"
#include "gimbalctl/windows/SerialLine.h"

using namespace gimbalctl::windows;

TEST(WindowsLine, PortNamesOpenFailuresAndUsbIds) {
    // COM10 and above open only through the device namespace.
    EXPECT_EQ(devicePath("COM10"), "\\\\.\\COM10");
    EXPECT_EQ(devicePath("com5"), "\\\\.\\com5");
    EXPECT_EQ(devicePath("\\\\.\\COM5"), "\\\\.\\COM5");

    EXPECT_EQ(openFailureText("COM5", ERROR_ACCESS_DENIED),
              "COM5 is in use by another program (Windows does not say which): close the "
              "program that has it open (a terminal, another service tool, a modem or sync "
              "service) and try again.");
    const std::string absent = openFailureText("COM9", ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(absent.rfind("COM9 is not present (unplugged, or mistyped). ", 0), 0u) << absent;
    EXPECT_TRUE(absent.find("Ports present: ") != std::string::npos ||
                absent.find("No serial ports are present.") != std::string::npos)
        << absent;
    // Anything else in the system's words, on one line.
    const std::string other = openFailureText("COM5", ERROR_GEN_FAILURE);
    EXPECT_EQ(other.rfind("COM5: ", 0), 0u);
    EXPECT_GT(other.size(), 8u);
    EXPECT_EQ(other.find('\n'), std::string::npos) << other;
    EXPECT_EQ(other.find("error 31"), std::string::npos) << other;

    EXPECT_EQ(usbIdOf("USB\\VID_0403&PID_6001&REV_0600"), "0403:6001");
    EXPECT_EQ(usbIdOf("FTDIBUS\\VID_10C4+PID_EA60+0001A\\0000"), "10c4:ea60");
    EXPECT_EQ(usbIdOf("ACPI\\PNP0501"), "");
}
