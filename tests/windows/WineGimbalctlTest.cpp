// gimbalctl.exe as a script on Windows sees it, run under wine against
// simulated gimbals: each COM port is a link in the wine prefix's dosdevices
// to a simulated gimbal's pseudo-terminal. Wine neither refuses a second open
// of a port (Windows' exclusive open) nor lists ports as Windows does, so a
// held port and the ports list are covered by the Linux tests only.

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

#include "platform/UniqueFd.h"
#include "tests/support/GimbalSimulator.h"
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
    // The prefix's wine server, started here with its output discarded: a
    // server started by gimbalctl.exe would write into that run's standard error.
    static void SetUpTestSuite() {
        const std::string server =
            std::filesystem::path(WINE64_PATH).replace_filename("wineserver").string();
        setenv("WINEPREFIX", WINE_PREFIX, 1);
        setenv("WINEDEBUG", "-all", 1);
        [[maybe_unused]] const int running =  // non-zero: one already runs
            std::system((server + " -p 10 > /dev/null 2>&1").c_str());
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

    pid_t start(std::vector<std::string> args) const {
        args.insert(args.begin(), {WINE64_PATH, GIMBALCTL_EXE_PATH});
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, (dir.path() + "/out").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
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
        20000ms, 20ms));
    kill(run, SIGINT);  // the first Ctrl+C: no unit in progress, so the station ends
    const Result stopped = finish(run);
    EXPECT_EQ(stopped.status, 0) << stopped.err;
    EXPECT_EQ(stopped.object()["event"], "firmware");
    EXPECT_EQ(stopped.object()["file_sha256"], sha256sum(dir.path() + "/fw.3plov"));
    EXPECT_TRUE(contains(stopped.out, "\"message\":\"stopping.\"")) << stopped.out;
    EXPECT_TRUE(std::filesystem::exists(log));
    EXPECT_EQ(std::filesystem::file_size(log), 0u);
}
