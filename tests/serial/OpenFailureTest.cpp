// The words that explain a failed open, for the causes that can be produced
// here: a port held by another program, a missing path, a file that is no
// serial device, and a permission error (injected, on a device handed to a
// group by root; gimbalctl's tests meet a real refusal as any user).

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "serial/OpenFailure.h"
#include "serial/ULXSerialPort.h"
#include "tests/support/HeldPort.h"
#include "tests/support/StalledMount.h"

namespace {

// A file whose attributes take 20 s once it has been opened, as on a dead
// network mount.
const char* const kStalledAttributes = R"(
class Stalled(Operations):
    opened = False
    def getattr(self, path, fh=None):
        if path == "/": return dict(st_mode=stat.S_IFDIR | 0o755, st_nlink=2)
        if path != "/file": raise FuseOSError(errno.ENOENT)
        if self.opened: time.sleep(20)
        return dict(st_mode=stat.S_IFREG | 0o644, st_nlink=1)
    def open(self, path, flags):
        self.opened = True
        return 0
)";

// The holder is found by the text of its descriptor links alone: a file it
// has open on a stalled mount does not hold the answer up, and a port named
// through a link (as udev's by-id names are) is matched by its device node.
TEST(OpenFailure, NamesTheHolderWithoutWaitingForItsOtherFiles) {
    StalledMount stalled(kStalledAttributes);
    // Inherited by the holding process, which keeps it open.
    const int file = stalled.mounted() ? ::open(stalled.file().c_str(), O_RDONLY) : -1;
    HeldPort holder("serial-monitor");
    if (file >= 0) ::close(file);
    const std::string link = stalled.dir() + "/by-id-link";
    ASSERT_EQ(::symlink(holder.path().c_str(), link.c_str()), 0);

    const auto start = std::chrono::steady_clock::now();
    const std::string text = describeOpenFailure(link, EWOULDBLOCK);
    const auto took = std::chrono::steady_clock::now() - start;
    ::unlink(link.c_str());
    EXPECT_EQ(text, link + " is in use by another program: serial-monitor (pid " +
                        std::to_string(holder.pid()) + ").");
    EXPECT_LT(took, std::chrono::seconds(3));  // 20 s when the file's attributes are asked for
    if (file < 0)
        GTEST_SKIP() << "no FUSE mount here (needs /dev/fuse open to this user, fuse3, fusepy)";
}

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
    if (!dialout) GTEST_SKIP() << "no dialout group here";
    if (::geteuid() != 0) GTEST_SKIP() << "needs root: only root hands a device to group dialout";
    PtyPair pty;
    ASSERT_EQ(::chown(pty.slavePath().c_str(), 0, dialout->gr_gid), 0);
    const std::string text = describeOpenFailure(pty.slavePath(), EACCES);
    EXPECT_EQ(text, pty.slavePath() +
                        ": permission denied. The device belongs to group dialout and user root "
                        "is not in it; add the user with `sudo usermod -aG dialout $USER`, then "
                        "log out and in.");
}

// A device only root may use is answered with a udev rule: joining its group
// would hand out root's group, or would not help.
TEST(OpenFailure, PermissionDeniedOnARootOnlyDeviceAnswersWithAUdevRule) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root: only root gives a device to root";
    PtyPair pty;
    ASSERT_EQ(::chown(pty.slavePath().c_str(), 0, 0), 0);
    ASSERT_EQ(::chmod(pty.slavePath().c_str(), 0600), 0);
    const std::string text = describeOpenFailure(pty.slavePath(), EACCES);
    const std::string name = pty.slavePath().substr(pty.slavePath().rfind('/') + 1);
    EXPECT_NE(text.find("(group root, mode 0600)"), std::string::npos) << text;
    EXPECT_NE(text.find("'KERNEL==\"" + name + "\", GROUP=\"dialout\", MODE=\"0660\"' | sudo tee "
                        "/etc/udev/rules.d/70-gimbal-adapter.rules"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("usermod -aG root"), std::string::npos) << text;
}

}  // namespace
