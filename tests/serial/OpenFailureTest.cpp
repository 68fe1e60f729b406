// The words that explain a failed open, for the causes that can be produced
// here: a port held by another program, a missing path, a file that is no
// serial device, and a permission error (injected: the tests run as root).

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "serial/OpenFailure.h"
#include "serial/ULXSerialPort.h"
#include "tests/support/HeldPort.h"

namespace {

TEST(OpenFailure, NamesTheProgramHoldingThePortAndHowToStopAKnownGrabber) {
    HeldPort holder("ModemManager");
    auto port = ULXSerialPort::serialPortWithPath(holder.path());
    ASSERT_NE(port, nullptr);
    EXPECT_FALSE(port->open());
    const std::string text = describeOpenFailure(holder.path(), port->lastOpenError());
    // Only the other process: this one holds the slave open as well.
    EXPECT_EQ(text, holder.path() + " is in use by another program: ModemManager (pid " +
                        std::to_string(holder.pid()) +
                        "). ModemManager probes USB serial adapters as modems; stop it with "
                        "`sudo systemctl stop ModemManager` (or `sudo systemctl disable --now "
                        "ModemManager` for good).");
}

TEST(OpenFailure, MissingPathsAndOtherFilesListThePortsPresent) {
    EXPECT_EQ(whyNoSerialDevice("/dev/ttyUSB9-no-such"), ENOENT);
    EXPECT_EQ(whyNoSerialDevice("/etc/hostname"), ENOTTY);
    EXPECT_EQ(describeOpenFailure("/dev/ttyUSB9", ENOENT, {"/dev/ttyUSB0", "/dev/ttyACM0"}),
              "/dev/ttyUSB9 is not present (unplugged, or mistyped). Ports present: "
              "/dev/ttyUSB0, /dev/ttyACM0.");
    EXPECT_EQ(describeOpenFailure("/etc/hostname", ENOTTY, {}),
              "/etc/hostname is not a serial device. No serial ports are present.");
    EXPECT_EQ(describeOpenFailure("/dev/ttyUSB0", EIO, {}), "/dev/ttyUSB0: Input/output error");
}

TEST(OpenFailure, PermissionDeniedNamesTheGroupAndTheFix) {
    const group* dialout = ::getgrnam("dialout");
    if (!dialout || ::geteuid() != 0) GTEST_SKIP() << "needs root and a dialout group";
    PtyPair pty;
    ASSERT_EQ(::chown(pty.slavePath().c_str(), 0, dialout->gr_gid), 0);
    const std::string text = describeOpenFailure(pty.slavePath(), EACCES);
    EXPECT_EQ(text, pty.slavePath() +
                        ": permission denied. The device belongs to group dialout and user root "
                        "is not in it; add the user with `sudo usermod -aG dialout $USER`, then "
                        "log out and in.");
}

}  // namespace
