// gimbalctl.exe as a script on Windows sees it, run under wine against
// simulated gimbals: each COM port is a link in the wine prefix's dosdevices
// to a simulated gimbal's pseudo-terminal. Wine does not refuse a second open
// of a port (Windows' exclusive open), so a held port is covered by the Linux
// tests only. It lists the ports of the devices registered in the prefix, so
// the ports list is tested with a device registered there.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "platform/UniqueFd.h"
#include "tests/support/EnglishWords.h"
#include "tests/support/GimbalSimulator.h"
#include "tests/support/StalledMount.h"
#include "tests/support/Sha256Sum.h"
#include "tests/support/WaitFor.h"
#include "tests/upgrade/FirmwareFiles.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
    nlohmann::json object() const { return nlohmann::json::parse(out.substr(0, out.find('\n'))); }
};

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class WineGimbalctl : public ::testing::Test {
protected:
    static std::string wineServer(const std::string& options) {
        return std::filesystem::path(WINE64_PATH).replace_filename("wineserver").string() + " " +
               options + " > /dev/null 2>&1";
    }

    // The prefix's wine server, started here with its output discarded: a
    // server started by gimbalctl.exe would write into that run's standard
    // error. A UTF-8 locale: wine reads the command line and file names in it.
    static void SetUpTestSuite() {
        setenv("WINEPREFIX", WINE_PREFIX, 1);
        // The wine server's folder stays in TMPDIR after it ends: the prefix's
        // own, as tests/windows/wine-prefix.sh gives every run of the prefix.
        std::filesystem::create_directories(WINE_PREFIX "/tmp");
        setenv("TMPDIR", WINE_PREFIX "/tmp", 1);
        setenv("WINEDEBUG", "-all", 1);
        setenv("WINEDLLOVERRIDES", "winemenubuilder.exe=d", 1);  // no desktop menu entries
        setenv("LC_ALL", "C.UTF-8", 1);
        [[maybe_unused]] const int running =  // non-zero: one already runs
            std::system(wineServer("-p 10").c_str());
    }

    // Every wine process of the prefix ends with the test.
    static void TearDownTestSuite() {
        [[maybe_unused]] const int ended = std::system(wineServer("-k").c_str());
    }

    TempDir dir;
    std::vector<std::string> links;

    ~WineGimbalctl() override {
        for (const std::string& link : links) std::filesystem::remove(link);
    }

    // COM<number> of the prefix, linked to the simulated gimbal's line. Never
    // COM1 to COM4: wine maps those to the machine's own serial ports.
    std::string comPort(const GimbalSimulator& gimbal, int number) {
        const std::string link =
            std::string(WINE_PREFIX) + "/dosdevices/com" + std::to_string(number);
        std::filesystem::remove(link);
        std::filesystem::create_symlink(gimbal.slavePath(), link);
        links.push_back(link);
        return "COM" + std::to_string(number);
    }

    // A file of the temporary directory as Windows names it (Z: is /).
    std::string windowsPath(const std::string& name, const Bytes& content) const {
        return "Z:" + dir.write(name, content);
    }

    // A program, with wine64 in front of `args` when `windowsProgram`; its
    // standard output goes to `output`, or to the file finish() reads.
    pid_t start(std::vector<std::string> args, bool windowsProgram = true,
                const std::string& output = {}) const {
        if (windowsProgram) args.insert(args.begin(), {WINE64_PATH, GIMBALCTL_EXE_PATH});
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        const std::string out = output.empty() ? dir.path() + "/out" : output;
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 2, (dir.path() + "/err").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = -1;
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }

    Result finish(pid_t pid) const {
        Result run;
        int wstatus = 0;
        if (pid > 0 && waitpid(pid, &wstatus, 0) == pid && WIFEXITED(wstatus)) {
            run.status = WEXITSTATUS(wstatus);
        }
        auto slurp = [](const std::string& path) {
            std::ifstream in(path);
            return std::string(std::istreambuf_iterator<char>(in), {});
        };
        run.out = slurp(dir.path() + "/out");
        run.err = slurp(dir.path() + "/err");
        return run;
    }

    Result gimbalctl(std::vector<std::string> args) const { return finish(start(std::move(args))); }
    Result linuxGimbalctl(std::vector<std::string> args) const {
        args.insert(args.begin(), GIMBALCTL_LINUX_PATH);
        return finish(start(std::move(args), false));
    }
    Result wine(std::vector<std::string> args) const {
        args.insert(args.begin(), WINE64_PATH);
        return finish(start(std::move(args), false));
    }

    // A registry value as `reg query` shows it; empty when there is none.
    std::string registryValue(const std::string& key, const std::string& name) const {
        const std::string out = wine({"reg", "query", key, "/v", name}).out;
        const std::size_t type = out.find("    REG_");
        if (type == std::string::npos) return {};
        const std::size_t value = out.find("    ", type + 4) + 4;
        return out.substr(value, out.find_first_of("\r\n", value) - value);
    }
};

// The settings a Windows line carries (speed, framing, flow control) and
// wine's SetCommState puts back; wine sets bits beyond them (CLOCAL, IGNBRK,
// VMIN) that no Windows call reads or restores.
struct LineState {
    speed_t speed;
    tcflag_t framing;
    tcflag_t flow;
    bool operator==(const LineState&) const = default;
};

LineState lineState(const std::string& path, bool setUnusual = false) {
    const UniqueFd fd(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    termios settings{};
    tcgetattr(fd.get(), &settings);
    if (setUnusual) {  // 9600 baud, two stop bits, XON/XOFF: nothing gimbalctl uses
        cfsetspeed(&settings, B9600);
        settings.c_cflag |= CSTOPB;
        settings.c_iflag |= IXON | IXOFF;
        tcsetattr(fd.get(), TCSANOW, &settings);
    }
    return {cfgetispeed(&settings), settings.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS),
            settings.c_iflag & (IXON | IXOFF)};
}

void expectImage(const GimbalSimulator& gimbal, int board, const Bytes& image) {
    const GimbalSimulator::BoardImage received = gimbal.board(board);
    EXPECT_TRUE(received.endOfImage) << "ID" << board;
    EXPECT_EQ(received.assembled(), image) << "ID" << board;
}

}  // namespace

// The catalogues are compiled in and the language is the user's Windows
// language (wine takes it from LC_ALL): help, the parser's failures and a
// file that cannot be read in German and Chinese, JSON in English.
TEST_F(WineGimbalctl, SpeaksTheUsersWindowsLanguage) {
    const std::string missing = "Z:" + dir.path() + "/missing.3plov";
    const std::vector<std::vector<std::string>> failures = {
        {"version"}, {"version", "--port", "COM3", "--timeout", "99999"}, {"inspect", missing}};
    const std::string json = gimbalctl({"--json", "inspect", missing}).out;
    ASSERT_TRUE(contains(json, "\"ok\":false")) << json;
    const std::pair<const char*, const char*> languages[] = {{"de_DE.UTF-8", "Aufruf:"},
                                                             {"zh_CN.UTF-8", "用法："}};
    for (const auto& [locale, usage] : languages) {
        setenv("LC_ALL", locale, 1);
        const Result help = gimbalctl({"--help"});
        EXPECT_TRUE(contains(help.out, usage)) << locale << help.out;
        EXPECT_EQ(englishWordIn(help.out.substr(0, help.out.find("--json"))), "") << help.out;
        for (const auto& args : failures) {
            const Result run = gimbalctl(args);
            EXPECT_EQ(run.status, 2) << locale << run.err;
            EXPECT_EQ(englishWordIn(run.err), "") << locale << run.err;
        }
        EXPECT_EQ(gimbalctl({"--json", "inspect", missing}).out, json) << locale;
    }
    setenv("LC_ALL", "C.UTF-8", 1);
}

TEST_F(WineGimbalctl, RequestsGiveTheLinuxTextsJsonAndExitStatuses) {
    GimbalSimulator gimbal;
    gimbal.setGyro(3, -11, 10);
    gimbal.setAccelerometer(-1000, 3, -4);
    gimbal.setVersion(5, 1, 10, 2);
    const std::string port = comPort(gimbal, 5);
    const LineState before = lineState(gimbal.slavePath(), true);

    const Result version = gimbalctl({"version", "--port", port});
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_EQ(version.out, "Hardware Ver.:1.005   Firmware Ver.:2.010\n");
    EXPECT_TRUE(before == lineState(gimbal.slavePath()));  // put back as found

    const Result gyro = gimbalctl({"calibrate", "gyro", "--port", port});
    EXPECT_EQ(gyro.status, 4) << gyro.err;
    EXPECT_EQ(gyro.out,
              "Init Gyro Succeed!\ngyro x: 3  ok\ngyro y: -11  out of range\ngyro z: 10  ok\n");
    EXPECT_EQ(gyro.err, "gimbalctl: calibrate gyro: out of range: gyro y\n");

    // The device path form and a port numbered 10 or above.
    const std::string high = comPort(gimbal, 12);
    const Result acc = gimbalctl({"--json", "calibrate", "acc", "--port", "\\\\.\\" + high});
    EXPECT_EQ(acc.status, 0) << acc.err;
    EXPECT_EQ(acc.object()["text"], "Acc Calibration Succeed!");
    EXPECT_EQ(acc.object()["ok"], true);

    const Result missing = gimbalctl({"version", "--port", "COM9"});
    EXPECT_EQ(missing.status, 3);
    EXPECT_TRUE(contains(missing.err, "gimbalctl: COM9 is not present (unplugged, or mistyped). "))
        << missing.err;

    GimbalSimulator::Faults silent;
    silent.silent = true;
    gimbal.setFaults(silent);
    const Result none = gimbalctl({"calibrate", "joy-up", "--port", port, "--timeout", "0.3"});
    EXPECT_EQ(none.status, 5);
    EXPECT_EQ(none.err, "gimbalctl: no reply from the gimbal on COM5 within 0.3 s\n");
    EXPECT_EQ(gimbalctl({"frobnicate"}).status, 2);
    // The maker's releases cannot be verified here: refused in one line, nothing sent.
    const Result release = gimbalctl(
        {"upgrade", "--port", port, "--release", "latest", "--from", "http://127.0.0.1:9/"});
    EXPECT_EQ(release.status, 2);
    EXPECT_EQ(release.err,
              "gimbalctl: releases cannot be verified by gimbalctl.exe: use the web page's "
              "firmware list, or gimbalctl on Linux\n");

    // No port needed: the ports list's shape and a file's inspection.
    const Result ports = gimbalctl({"ports", "--json"});
    EXPECT_EQ(ports.status, 0) << ports.err;
    if (!ports.out.empty()) {
        EXPECT_TRUE(ports.object().contains("usb_id")) << ports.out;
    }
    const Result inspect = gimbalctl(
        {"inspect", windowsPath("fw.3plov", multiImageFile(imageBytes(2000, 1), {}, {}, 3))});
    EXPECT_EQ(inspect.status, 0) << inspect.err;
    EXPECT_TRUE(contains(inspect.out, "image for ID1:     2000 bytes, 2 blocks\n")) << inspect.out;
}

TEST_F(WineGimbalctl, UpgradesArriveByteIdenticalOnOneAndOnSeveralPorts) {
    const Bytes small = imageBytes(700, 4);
    GimbalSimulator gimbal;
    const Result one = gimbalctl({"upgrade", "--port", comPort(gimbal, 6),
                                  windowsPath("fw.plov", singleImageFile(small, 0, 0))});
    EXPECT_EQ(one.status, 0) << one.out << one.err;
    expectImage(gimbal, 3, small);
    EXPECT_TRUE(contains(one.out,
                         "-----ID1 Upgrade complete-----\n"
                         "-----Firmware upgrade complete-----\n"))
        << one.out;

    // Two at once, each reported on its own: one refuses, the other completes.
    GimbalSimulator first, second;
    GimbalSimulator::Faults refuse;
    refuse.upgradeAnswer = GimbalSimulator::UpgradeAnswer::kRefuse1;
    first.setFaults(refuse);
    const Bytes image = imageBytes(1500, 7);
    const Result both =
        gimbalctl({"--json", "upgrade", "--port", comPort(first, 7), "--port", comPort(second, 11),
                   windowsPath("fw2.plov", singleImageFile(image, 0, 0))});
    EXPECT_EQ(both.status, 4) << both.out << both.err;
    EXPECT_TRUE(contains(both.out, R"("port":"COM7","result":"gimbal error","status":4)"))
        << both.out;
    EXPECT_TRUE(contains(both.out, R"("port":"COM11","result":"complete","status":0)")) << both.out;
    expectImage(second, 3, image);
}

// The Windows line answers through the link session: a gimbal found in its
// boot loader is said so and upgraded, one cut mid-transfer upgraded again.
TEST_F(WineGimbalctl, AGimbalInItsBootLoaderIsUpgradedAndACutUpgradeRunAgain) {
    const Bytes image = imageBytes(2500, 9);
    const std::string file = windowsPath("fw.plov", singleImageFile(image, 0, 0));
    GimbalSimulator found;
    GimbalSimulator::Faults faults;
    faults.bootLoader = true;
    found.setFaults(faults);
    const Result rescued = gimbalctl({"upgrade", "--port", comPort(found, 16), file});
    EXPECT_EQ(rescued.status, 0) << rescued.out << rescued.err;
    EXPECT_TRUE(contains(rescued.out,
                         "the gimbal is in its boot loader (its last upgrade did not "
                         "finish); upgrading it\n"))
        << rescued.out;
    expectImage(found, 3, image);

    GimbalSimulator cut;
    faults = {};
    faults.cutAfterBlocks = 2;
    faults.cutSilence = 300ms;
    cut.setFaults(faults);
    const Result again = gimbalctl({"--json", "upgrade", "--port", comPort(cut, 17), file});
    EXPECT_EQ(again.status, 0) << again.out << again.err;
    EXPECT_TRUE(contains(again.out, R"("boot_loader":true)")) << again.out;
    EXPECT_TRUE(contains(again.out, R"("tries":2)")) << again.out;
    expectImage(cut, 3, image);
}

TEST_F(WineGimbalctl, ALineThatGoesAwayMidUpgradeIsReportedAndTheOtherPortCompletes) {
    GimbalSimulator first, second;
    const Bytes image = imageBytes(3000, 8);
    const pid_t run = start({"upgrade", "--port", comPort(first, 8), "--port", comPort(second, 10),
                             windowsPath("fw.plov", singleImageFile(image, 0, 0))});
    ASSERT_TRUE(
        first.waitUntil([](const auto& g) { return g.board(3).blocks.size() >= 2; }, 20000ms));
    first.hangUp();
    const Result upgrade = finish(run);
    EXPECT_EQ(upgrade.status, 3) << upgrade.out << upgrade.err;
    EXPECT_TRUE(contains(upgrade.out, "COM8: line gone: COM8: the line went away")) << upgrade.out;
    EXPECT_TRUE(contains(upgrade.out, "COM10: complete")) << upgrade.out;
    expectImage(second, 3, image);
}

TEST_F(WineGimbalctl, CtrlCMidUpgradePutsTheLineBack) {
    GimbalSimulator gimbal;
    const std::string port = comPort(gimbal, 13);
    const LineState before = lineState(gimbal.slavePath(), true);
    // Wine passes SIGINT on to the program as Ctrl+C.
    const pid_t run = start({"upgrade", "--port", port,
                             windowsPath("fw.plov", singleImageFile(imageBytes(5000, 5), 0, 0))});
    ASSERT_TRUE(
        gimbal.waitUntil([](const auto& g) { return g.board(3).blocks.size() >= 1; }, 20000ms));
    kill(run, SIGINT);
    const Result stopped = finish(run);
    EXPECT_EQ(stopped.status, 130) << stopped.err;
    EXPECT_EQ(stopped.err,
              "gimbalctl: interrupted by SIGINT: COM13: the gimbal needs the upgrade run again\n");
    EXPECT_TRUE(before == lineState(gimbal.slavePath()));
}

// Standard output on a file whose next write, once the test says so, takes
// 9 s (as a console held by a selection does).
const char* const kStallingWrites = R"(
import os
class Stalled(Operations):
    data = b""
    stalled = False
    def getattr(self, path, fh=None):
        if path == "/": return dict(st_mode=stat.S_IFDIR | 0o755, st_nlink=2)
        if path != "/file": raise FuseOSError(errno.ENOENT)
        return dict(st_mode=stat.S_IFREG | 0o666, st_nlink=1, st_size=len(self.data))
    def open(self, path, flags): return 0
    def truncate(self, path, length, fh=None): self.data = self.data[:length]
    def read(self, path, size, offset, fh): return self.data[offset:offset + size]
    def write(self, path, data, offset, fh):
        if not self.stalled and os.path.exists(sys.argv[2]):
            self.stalled = True
            time.sleep(9)
        self.data = self.data[:offset] + data
        return len(data)
)";

// Output that stalls for 9 s mid-upgrade: the gimbal is still served the
// whole time, and the upgrade completes instead of timing out.
TEST_F(WineGimbalctl, OutputStalledForNineSecondsDoesNotHoldUpTheLine) {
    const std::string trigger = dir.path() + "/stall";
    StalledMount output(kStallingWrites, trigger);
    if (!output.mounted())
        GTEST_SKIP() << "no FUSE mount here (needs /dev/fuse open to this user, fuse3, fusepy)";
    const Bytes image = imageBytes(20 * 1056, 5);
    GimbalSimulator gimbal;
    const pid_t pid = start({"upgrade", "--port", comPort(gimbal, 15),
                             windowsPath("stall.plov", singleImageFile(image, 0, 0))},
                            true, output.file());
    ASSERT_GT(pid, 0);

    ASSERT_TRUE(gimbal.waitUntil([](const auto& g) { return g.board(3).blocks.size() >= 2; },
                                 30000ms));
    std::ofstream{trigger};  // the next line waits 9 s
    EXPECT_TRUE(gimbal.waitUntil([](const auto& g) { return g.board(3).endOfImage; }, 7000ms))
        << "the line was held up with the output";
    int wstatus = 0;
    ASSERT_EQ(waitpid(pid, &wstatus, 0), pid);
    std::ifstream in(output.file());
    const std::string out(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(WEXITSTATUS(wstatus), 0) << out;
    EXPECT_TRUE(contains(out, "-----Firmware upgrade complete-----\n")) << out;
    expectImage(gimbal, 3, image);
}

// Names outside the ANSI code page: the command line, the file opened and
// the JSON hold the same UTF-8 bytes as on Linux.
TEST_F(WineGimbalctl, FileNamesInAnyLanguageGiveTheLinuxOutput) {
    const Bytes image = imageBytes(1200, 9);
    for (const std::string name : {"固件.plov", "Grüße.plov", "Прошивка.plov"}) {
        const std::string path = dir.write(name, singleImageFile(image, 0, 0));
        const Result text = gimbalctl({"inspect", "Z:" + path});
        EXPECT_EQ(text.status, 0) << name << text.err;
        EXPECT_EQ(text.out, "Z:" + linuxGimbalctl({"inspect", path}).out) << name;

        const Result json = gimbalctl({"--json", "inspect", "Z:" + path});
        std::string expected = linuxGimbalctl({"--json", "inspect", path}).out;
        expected.replace(expected.find(path), path.size(), "Z:" + path);
        EXPECT_EQ(json.out, expected) << name;
        EXPECT_TRUE(contains(json.out, "\"file\":\"Z:" + path + "\"")) << json.out;

        GimbalSimulator gimbal;
        const Result upgrade =
            gimbalctl({"--json", "upgrade", "--port", comPort(gimbal, 14), "Z:" + path});
        EXPECT_EQ(upgrade.status, 0) << name << upgrade.out << upgrade.err;
        EXPECT_TRUE(contains(upgrade.out, R"("file":"Z:)" + path + R"(","messages")"))
            << upgrade.out;
        expectImage(gimbal, 3, image);
    }

    const Result missing = gimbalctl({"inspect", "Z:" + dir.path() + "/缺失.plov"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err,
              "gimbalctl: Z:" + dir.path() + "/缺失.plov: No such file or directory\n");
}

// A port whose friendly name is not ASCII, as a German Windows names an
// adapter: the device is added to the prefix's registry for the test.
TEST_F(WineGimbalctl, APortsFriendlyNameIsListedExactly) {
    const std::string device = R"(HKLM\System\CurrentControlSet\Enum\USB\VID_0403&PID_6001)";
    const std::string instance = device + R"(\GIMBALTEST)";
    const std::string friendly = "USB-Serielles Gerät (COM21)";
    for (const std::vector<std::string>& value :
         {std::vector<std::string>{instance, "/v", "ClassGUID", "/d",
                                   "{4d36e978-e325-11ce-bfc1-08002be10318}"},
          {instance, "/v", "FriendlyName", "/d", friendly},
          {instance, "/v", "HardwareID", "/t", "REG_MULTI_SZ", "/d", R"(USB\VID_0403&PID_6001)"},
          {instance + R"(\Device Parameters)", "/v", "PortName", "/d", "COM21"}}) {
        std::vector<std::string> args = {"reg", "add"};
        args.insert(args.end(), value.begin(), value.end());
        args.push_back("/f");
        ASSERT_EQ(wine(args).status, 0) << value[2];
    }
    const Result json = gimbalctl({"ports", "--json"});
    const Result text = gimbalctl({"ports"});
    wine({"reg", "delete", device, "/f"});

    EXPECT_TRUE(contains(json.out, R"({"by_id":"","port":"COM21","product":")" + friendly +
                                       R"(","usb_id":"0403:6001"})" + "\n"))
        << json.out;
    EXPECT_TRUE(contains(text.out, "COM21  0403:6001  " + friendly + "\n")) << text.out;
}

#ifdef GIMBALCTL_INSTALLER_PATH
// The installer for one user, run silently as a deployment script would: the
// program in the user's own programs folder and on the user's Path (kept as
// it was around it), registered for removal, and removed by its uninstaller.
TEST_F(WineGimbalctl, TheInstallerPutsGimbalctlOnTheUsersPathAndItsUninstallerRemovesIt) {
    const std::string environment = R"(HKCU\Environment)";
    const std::string userPath = R"(C:\tools;%USERPROFILE%\bin)";
    const std::string uninstallKey =
        R"(HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\gimbalctl)";
    ASSERT_EQ(
        wine({"reg", "add", environment, "/v", "Path", "/t", "REG_EXPAND_SZ", "/d", userPath, "/f"})
            .status,
        0);

    EXPECT_EQ(wine({GIMBALCTL_INSTALLER_PATH, "/S"}).status, 0);
    const std::string folder = registryValue(uninstallKey, "InstallLocation");
    EXPECT_TRUE(folder.ends_with(R"(\AppData\Local\Programs\gimbalctl)")) << folder;
    EXPECT_EQ(registryValue(environment, "Path"), userPath + ";" + folder);
    const std::string version = linuxGimbalctl({"--version"}).out;
    EXPECT_EQ(wine({folder + R"(\gimbalctl.exe)", "--version"}).out, version);
    EXPECT_EQ(wine({"cmd", "/c", "gimbalctl --version"}).out, version);  // found on the Path

    EXPECT_EQ(registryValue(uninstallKey, "QuietUninstallString"),
              "\"" + folder + R"(\uninstall.exe" /S)");
    EXPECT_EQ(wine({folder + R"(\uninstall.exe)", "/S"}).status, 0);
    // The uninstaller runs on from a copy of itself, so that it can delete itself.
    std::string unixFolder = wine({"winepath", "-u", folder}).out;
    unixFolder.erase(unixFolder.find_last_not_of('\n') + 1);
    for (int k = 0; k < 200 && std::filesystem::exists(unixFolder); ++k) {
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_FALSE(std::filesystem::exists(unixFolder)) << unixFolder;
    EXPECT_EQ(registryValue(environment, "Path"), userPath);
    EXPECT_EQ(registryValue(uninstallKey, "DisplayName"), "");
    wine({"reg", "delete", environment, "/v", "Path", "/f"});
}
#endif

TEST_F(WineGimbalctl, StationChecksItsFileAndRecordsItsDigest) {
    // Wine lists no COM port of a USB adapter, and maps COM1 to the machine's
    // own serial port, so no unit starts here: the watching and the units are
    // covered by the Linux tests.
    const Result refused = gimbalctl(
        {"station", windowsPath("big.plov", singleImageFile(imageBytes(256 * 1056, 1), 0, 0))});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(contains(refused.err, "more than 255 blocks")) << refused.err;

    const std::string file = windowsPath("fw.3plov", multiImageFile(imageBytes(100, 1), {}, {}, 3));
    EXPECT_EQ(gimbalctl({"station", "--ports-from", "Z:\\tmp", file}).status, 2);
    const std::string log = dir.path() + "/units.jsonl";
    const pid_t run = start({"station", "--json", "--log", "Z:" + log, file});
    ASSERT_TRUE(waitFor(
        [&] {
            std::ifstream out(dir.path() + "/out");
            return std::string(std::istreambuf_iterator<char>(out), {}).find('\n') !=
                   std::string::npos;
        },
        60000ms, 20ms));  // wine's own start takes long on a busy machine
    kill(run, SIGINT);  // the first Ctrl+C: no unit in progress, so the station ends
    const Result stopped = finish(run);
    EXPECT_EQ(stopped.status, 0) << stopped.err;
    EXPECT_EQ(stopped.object()["event"], "firmware");
    EXPECT_EQ(stopped.object()["file_sha256"], sha256sum(dir.path() + "/fw.3plov"));
    EXPECT_TRUE(contains(stopped.out, "\"message\":\"stopping.\"")) << stopped.out;
    // No unit: the journal holds its header alone.
    std::ifstream journal(log);
    std::string header, more;
    ASSERT_TRUE(std::getline(journal, header));
    EXPECT_EQ(header.rfind("{\"journal\":", 0), 0u) << header;
    EXPECT_FALSE(std::getline(journal, more)) << more;
}
