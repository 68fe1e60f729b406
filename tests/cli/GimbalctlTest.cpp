// gimbalctl as a script sees it: output and exit status of each command,
// against simulated gimbals on pseudo-terminals.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "platform/UniqueFd.h"
#include "protocol/Frame.h"
#include "serial/ULXSerialPort.h"
#include "tests/cli/GimbalctlRun.h"
#include "tests/support/GimbalSimulator.h"
#include "tests/support/Sha256Sum.h"
#include "tests/upgrade/FirmwareFiles.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

class Gimbalctl : public ::testing::Test {
protected:
    TempDir dir;
};

}  // namespace

TEST_F(Gimbalctl, PortsInspectAndBadInput) {
    const Result ports = gimbalctl(dir, {"ports", "--json"});
    EXPECT_EQ(ports.status, 0) << ports.err;
    for (const auto& port : ports.objects()) EXPECT_TRUE(port.contains("port"));

    const std::string multi = dir.write(
        "fw.3plov", multiImageFile(imageBytes(2000, 1), imageBytes(100, 2), {}, 3, {1, 5, 2, 10}));
    const Result inspect = gimbalctl(dir, {"inspect", multi});
    EXPECT_EQ(inspect.status, 0) << inspect.err;
    EXPECT_TRUE(contains(inspect.out, "update_range 0x13")) << inspect.out;
    EXPECT_TRUE(contains(inspect.out, "hardware version:  1.005")) << inspect.out;
    EXPECT_TRUE(contains(inspect.out, "image for ID1:     2000 bytes, 2 blocks")) << inspect.out;
    EXPECT_TRUE(contains(inspect.out, "image for ID3:     0 bytes, 0 blocks")) << inspect.out;

    // Lengths in the trailer that do not fit the image area: refused, with the reason.
    const std::string lying =
        dir.write("bad.1plov", multiImageFileWithLengths(imageBytes(100, 1), 100, 50, 0, 1));
    const Result refused = gimbalctl(dir, {"inspect", "--json", lying});
    EXPECT_EQ(refused.status, 1);
    ASSERT_EQ(refused.objects().size(), 1u) << refused.out;
    EXPECT_EQ(refused.objects()[0]["usable"], false);
    EXPECT_TRUE(contains(refused.objects()[0]["refusal"], "exceed the image area"));

    // Names are any bytes: JSON replaces what is not UTF-8 instead of aborting.
    const std::string latin1 =
        dir.write("fw-\xe9.3plov", multiImageFile(imageBytes(100, 1), {}, {}, 3));
    const Result named = gimbalctl(dir, {"--json", "inspect", latin1});
    EXPECT_EQ(named.status, 0) << named.err;
    ASSERT_EQ(named.objects().size(), 1u) << named.out;
    EXPECT_TRUE(contains(named.objects()[0]["file"], "fw-\uFFFD.3plov"));

    // A station's help lists its own statuses (its stops end with its units' status).
    const Result help = gimbalctl(dir, {"station", "--help"});
    EXPECT_TRUE(
        contains(help.out, "Exit status:\n  0    every unit done, also when the first Ctrl+C"))
        << help.out;

    // Output that cannot be written fails the run.
    const Result full = gimbalctl(dir, {"inspect", multi}, "/dev/full");
    EXPECT_EQ(full.status, 7);
    EXPECT_EQ(full.err, "gimbalctl: write error: No space left on device\n");

    struct Bad {
        std::vector<std::string> args;
        std::string says;
    };
    for (const Bad& bad : {Bad{{"inspect", dir.path() + "/none.plov"}, "No such file"},
                           Bad{{"frobnicate"}, "not expected: frobnicate"},
                           Bad{{"version", "--port", "/dev/pts/9", "--speed", "9"}, "--speed"},
                           Bad{{"version", "--port", "/dev/pts/9", "--timeout", "nan"}, "nan"},
                           Bad{{"calibrate", "wobble", "--port", "/dev/pts/9"}, "wobble"}}) {
        const Result run = gimbalctl(dir, bad.args);
        EXPECT_EQ(run.status, 2) << bad.args[0];
        EXPECT_TRUE(contains(run.err, bad.says)) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        // With --json the failure is an object on standard output.
        std::vector<std::string> args = bad.args;
        args.push_back("--json");
        const Result json = gimbalctl(dir, args);
        EXPECT_EQ(json.status, 2) << bad.says;
        ASSERT_EQ(json.objects().size(), 1u) << json.out << json.err;
        EXPECT_EQ(json.objects()[0]["ok"], false);
        EXPECT_TRUE(contains(json.objects()[0]["error"], bad.says)) << json.out;
    }
}

TEST_F(Gimbalctl, RequestsShowTheWindowsTextsAndVerdicts) {
    GimbalSimulator gimbal;
    gimbal.setGyro(3, -11, 10);
    gimbal.setAccelerometer(994, 0, 0);
    gimbal.setVersion(5, 1, 10, 2);
    const std::string port = gimbal.slavePath();

    const Result version = gimbalctl(dir, {"version", "--port", port});
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_EQ(version.out, "Hardware Ver.:1.005   Firmware Ver.:2.010\n");

    // Values the window shows in red fail the calibration, named.
    const Result gyro = gimbalctl(dir, {"calibrate", "gyro", "--port", port});
    EXPECT_EQ(gyro.status, 4) << gyro.err;
    EXPECT_EQ(gyro.out,
              "Init Gyro Succeed!\ngyro x: 3  ok\ngyro y: -11  out of range\ngyro z: 10  ok\n");
    EXPECT_EQ(gyro.err, "gimbalctl: calibrate gyro: out of range: gyro y\n");

    const Result acc = gimbalctl(dir, {"--json", "calibrate", "acc", "--port", port});
    ASSERT_EQ(acc.status, 4) << acc.err;
    const nlohmann::json reply = acc.objects().at(0);
    EXPECT_EQ(reply["text"], "Acc Calibration Succeed!");
    EXPECT_EQ(reply["ok"], false);
    EXPECT_EQ(reply["error"], "out of range: acc x");
    EXPECT_EQ(reply["values"][1]["verdict"], "ok");

    gimbal.setAccelerometer(0, 0, 0);  // nothing measured: every axis fails
    const Result zero = gimbalctl(dir, {"calibrate", "acc", "--port", port});
    EXPECT_EQ(zero.status, 4);
    EXPECT_TRUE(contains(zero.err, "out of range: acc x, acc y, acc z")) << zero.err;
    const Result read = gimbalctl(dir, {"calibrate", "read-acc", "--port", port});
    EXPECT_EQ(read.status, 0) << read.err;  // a read judges nothing
    gimbal.setAccelerometer(-1000, 3, -4);
    EXPECT_EQ(gimbalctl(dir, {"calibrate", "acc", "--port", port}).status, 0);

    const Result save = gimbalctl(dir, {"calibrate", "joy-save", "--port", port});
    EXPECT_EQ(save.out, "Save joystick value successfully\n");

    // A port held by another program, one that does not exist, a silent gimbal.
    auto holder = ULXSerialPort::serialPortWithPath(port);
    ASSERT_TRUE(holder && holder->open());
    const Result held = gimbalctl(dir, {"version", "--port", port});
    EXPECT_EQ(held.status, 3);
    holder->close();
    EXPECT_TRUE(contains(held.err, port)) << held.err;
    const Result missing = gimbalctl(dir, {"version", "--port", "/dev/ttyNOSUCH0"});
    EXPECT_EQ(missing.status, 3);
    EXPECT_TRUE(contains(missing.err, "/dev/ttyNOSUCH0")) << missing.err;

    GimbalSimulator::Faults silent;
    silent.silent = true;
    gimbal.setFaults(silent);
    const Result none = gimbalctl(dir, {"calibrate", "joy-up", "--port", port, "--timeout", "0.3"});
    EXPECT_EQ(none.status, 5);
    EXPECT_TRUE(contains(none.err, "no reply from the gimbal on " + port + " within 0.3 s"))
        << none.err;
}

TEST_F(Gimbalctl, UpgradesOfEveryKindArriveByteIdentical) {
    // Each block costs 0.2 s and each report of a single image 0.4 s: images of
    // one or two blocks, the three-image file (no reports) with the larger ones.
    const Bytes id1 = imageBytes(1500, 1), id2 = imageBytes(100, 2), id3 = imageBytes(1100, 3);
    const Bytes small = imageBytes(700, 4);
    struct Kind {
        std::string name;
        Bytes file;
        std::map<int, Bytes> images;
        std::vector<std::string> boardsDone;
    };
    const Kind kinds[] = {
        {"fw.plov", singleImageFile(small, 0, 0), {{3, small}}, {"ID3", "ID2", "ID1"}},
        {"fw2.plov", singleImageFile(small, 0xFF, 0x12), {{2, small}}, {"ID2", "ID1"}},
        {"fw.3plov",
         multiImageFile(id1, id2, id3, 3),
         {{1, id1}, {2, id2}, {3, id3}},
         {"ID3", "ID2", "ID1"}},
    };
    for (const Kind& kind : kinds) {
        GimbalSimulator gimbal;
        const Result run = gimbalctl(
            dir, {"upgrade", "--port", gimbal.slavePath(), dir.write(kind.name, kind.file)});
        EXPECT_EQ(run.status, 0) << kind.name << run.out << run.err;
        expectImages(gimbal, kind.images);
        // Plain lines when the output is not a terminal, the window's texts in order.
        std::string expected = "Begin upgrade firmware...\n";
        for (const std::string& board : kind.boardsDone)
            expected += "-----" + board + " Upgrade complete-----\n";
        expected += "-----Firmware upgrade complete-----\n";
        std::string messages;
        std::istringstream lines(run.out);
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("-----", 0) == 0 || line.rfind("Begin", 0) == 0) messages += line + "\n";
        }
        EXPECT_EQ(messages, expected) << kind.name;
        EXPECT_TRUE(contains(run.out, "progress 1/")) << run.out;
    }
}

TEST_F(Gimbalctl, RefusedFileAndRefusingGimbalHaveTheirOwnStatus) {
    GimbalSimulator gimbal;
    const std::string port = gimbal.slavePath();
    const Result badFile =
        gimbalctl(dir, {"upgrade", "--port", port,
                        dir.write("big.plov", singleImageFile(imageBytes(256 * 1056, 1), 0, 0))});
    EXPECT_EQ(badFile.status, 1);
    EXPECT_TRUE(contains(badFile.err, "more than 255 blocks")) << badFile.err;
    // Usable, yet with an empty image area: refused by the upgrade as by the window.
    const Result empty = gimbalctl(
        dir, {"upgrade", "--port", port, dir.write("empty.plov", singleImageFile({}, 0, 0))});
    EXPECT_EQ(empty.status, 1);
    EXPECT_TRUE(contains(empty.out, "Please select a file first\n")) << empty.out;
    // Only the approved file (its digest in any case) is sent; checked after, with --verify.
    const std::string file = dir.write("fw.plov", singleImageFile(imageBytes(100, 1), 0, 0));
    std::string approved = sha256sum(file);
    const Result other =
        gimbalctl(dir, {"upgrade", "--port", port, "--expect-sha256", std::string(64, 'F'), file});
    EXPECT_EQ(other.status, 1);
    EXPECT_TRUE(contains(other.err, "its SHA-256 is " + approved + ", not the approved " +
                                        std::string(64, 'f') + "; nothing sent"))
        << other.err;
    EXPECT_TRUE(gimbal.bytesReceived().empty());
    for (char& c : approved) c = static_cast<char>(std::toupper(c));
    const Result verified = gimbalctl(
        dir, {"--json", "upgrade", "--verify", "--port", port, "--expect-sha256", approved, file});
    EXPECT_EQ(verified.status, 0) << verified.out;
    ASSERT_EQ(verified.objects().size(), 1u) << verified.out;
    EXPECT_EQ(verified.objects()[0]["version_before"], "0.000");
    EXPECT_EQ(verified.objects()[0]["version_after"], "2.010");
    EXPECT_EQ(verified.objects()[0]["verified"], true);

    GimbalSimulator::Faults refuse;
    refuse.upgradeAnswer = GimbalSimulator::UpgradeAnswer::kRefuse1;
    gimbal.setFaults(refuse);
    const Result refused = gimbalctl(dir, {"--json", "upgrade", "--port", port, file});
    EXPECT_EQ(refused.status, 4);
    ASSERT_EQ(refused.objects().size(), 1u) << refused.out;
    EXPECT_EQ(refused.objects()[0]["result"], "gimbal error");
    EXPECT_EQ(refused.objects()[0]["messages"],
              nlohmann::json({"Begin upgrade firmware...", "Error"}));
}

// One upgrade right after another on the same gimbal: the second file is the one sent.
TEST_F(Gimbalctl, AFileUpgradedRightAfterAnotherIsTheOneSent) {
    GimbalSimulator gimbal;
    const Bytes a = imageBytes(700, 5), b = imageBytes(700, 6);
    for (const Bytes* image : {&a, &b}) {
        const std::string file = dir.write("fw.plov", singleImageFile(*image, 0, 0));
        const Result run = gimbalctl(dir, {"upgrade", "--port", gimbal.slavePath(), file});
        EXPECT_EQ(run.status, 0) << run.out << run.err;
        expectImages(gimbal, {{3, *image}});
    }
}

// Versions are two unsigned bytes, as the gimbal reports them: a file
// carrying 2.200 is verified by a gimbal reporting 2.200, and one already on
// it is left alone.
TEST_F(Gimbalctl, AFileCarrying2_200IsVerifiedAndSkippedWhenCurrent) {
    GimbalSimulator gimbal;
    gimbal.setVersion(5, 1, 5, 2);
    const std::string file =
        dir.write("fw.plov", singleImageFile(imageBytes(700, 7), 0, 0, Version{1, 5, 2, 200}));
    const Result verified =
        gimbalctl(dir, {"upgrade", "--verify", "--port", gimbal.slavePath(), file});
    EXPECT_EQ(verified.status, 0) << verified.out << verified.err;
    EXPECT_TRUE(contains(verified.out, "firmware: " + file + ", hardware 1.005, firmware 2.200\n"))
        << verified.out;
    EXPECT_TRUE(
        contains(verified.out, "verified: the gimbal reports firmware 2.200, the file's version"))
        << verified.out;
    gimbal.clearReceived();
    const Result skipped =
        gimbalctl(dir, {"--json", "upgrade", "--skip-current", "--port", gimbal.slavePath(), file});
    EXPECT_EQ(skipped.status, 0) << skipped.out;
    ASSERT_EQ(skipped.objects().size(), 1u) << skipped.out;
    EXPECT_EQ(skipped.objects()[0]["result"], "skipped");
    EXPECT_EQ(skipped.objects()[0]["version_before"], "2.200");
    for (const Bytes& f : gimbal.framesReceived()) EXPECT_EQ(f[5], frame::kReadVersion);
}

// The one slow test: the window's 200 ticks of 0.04 s without an answer.
TEST_F(Gimbalctl, NoAnswerTimesOutAfterTheWindowsTwentyTwoRequests) {
    GimbalSimulator gimbal;
    GimbalSimulator::Faults noAnswer;
    noAnswer.upgradeAnswer = GimbalSimulator::UpgradeAnswer::kNoAnswer;
    gimbal.setFaults(noAnswer);
    const auto start = std::chrono::steady_clock::now();
    const Result run =
        gimbalctl(dir, {"upgrade", "--port", gimbal.slavePath(),
                        dir.write("fw.plov", singleImageFile(imageBytes(100, 1), 0, 0))});
    EXPECT_GE(std::chrono::steady_clock::now() - start, 7900ms);
    EXPECT_EQ(run.status, 5);
    EXPECT_TRUE(contains(run.out, "Connection timeout,please try again!\n")) << run.out;
    EXPECT_TRUE(gimbal.waitUntil([](const auto& g) { return g.upgradeRequestTimes().size() >= 22; },
                                 1000ms));
    EXPECT_EQ(gimbal.upgradeRequestTimes().size(), 22u);
}

TEST_F(Gimbalctl, TwoGimbalsInParallelEachReportedOnItsOwn) {
    GimbalSimulator first, second;
    const Bytes image = imageBytes(700, 7);
    // A name that is not UTF-8 travels through the children's JSON lines.
    const std::string file = dir.write("fw-\xe9.plov", singleImageFile(image, 0, 0));

    const Result plain = gimbalctl(
        dir, {"upgrade", "--port", first.slavePath(), "--port", second.slavePath(), file});
    EXPECT_EQ(plain.status, 0) << plain.out << plain.err;
    expectImages(first, {{3, image}});
    expectImages(second, {{3, image}});
    for (const GimbalSimulator* g : {&first, &second}) {
        EXPECT_TRUE(contains(plain.out, g->slavePath() + ": progress 1/3\n")) << plain.out;
        EXPECT_TRUE(contains(plain.out, g->slavePath() + ": complete")) << plain.out;
    }

    // One port missing: the others still complete; the result names each port.
    const Result mixed = gimbalctl(dir, {"--json", "upgrade", "--port", first.slavePath(), "--port",
                                         "/dev/ttyNOSUCH0", "--port", second.slavePath(), file});
    EXPECT_EQ(mixed.status, 3);
    const std::vector<nlohmann::json> results = mixed.objects();
    ASSERT_EQ(results.size(), 3u) << mixed.out;
    EXPECT_EQ(results[0]["result"], "complete");
    EXPECT_EQ(results[1]["result"], "port failed");
    EXPECT_EQ(results[1]["port"], "/dev/ttyNOSUCH0");
    EXPECT_EQ(results[2]["result"], "complete");
    expectImages(second, {{3, image}});
}

namespace {

// The line's settings as a program sees them from its own descriptor.
termios lineSettings(int fd) {
    termios settings{};
    tcgetattr(fd, &settings);
    return settings;
}

bool sameSettings(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && cfgetispeed(&a) == cfgetispeed(&b);
}

// True when another program can take the port now: gimbalctl let go of it.
bool portFree(const std::string& path) {
    auto port = ULXSerialPort::serialPortWithPath(path);
    const bool opened = port && port->open();
    if (opened) port->close();
    return opened;
}

bool answeredBlocks(const GimbalSimulator& gimbal, std::size_t count) {
    return gimbal.board(3).blocks.size() >= count;
}

}  // namespace

TEST_F(Gimbalctl, AStopMidUpgradePutsTheLineBackAndNoChildOutlivesIt) {
    const std::string file = dir.write("fw.plov", singleImageFile(imageBytes(5000, 5), 0, 0));
    // SIGPIPE stands for a reader of standard output that went away.
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        GimbalSimulator gimbal;
        const std::string port = gimbal.slavePath();
        const UniqueFd watch(open(port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
        const termios before = lineSettings(watch.get());
        Started run = start(dir, {"upgrade", "--port", port, file}, signal == SIGPIPE);
        ASSERT_TRUE(gimbal.waitUntil([](const auto& g) { return answeredBlocks(g, 1); }, 5000ms));
        EXPECT_FALSE(sameSettings(before, lineSettings(watch.get())));  // raw while it runs
        if (signal == SIGPIPE) {
            run.outputPipe.reset();
        } else {
            kill(run.pid, signal);
        }
        const Result stopped = run.finish();
        EXPECT_EQ(stopped.status, 128 + signal) << stopped.err;
        EXPECT_EQ(std::count(stopped.err.begin(), stopped.err.end(), '\n'), 1) << stopped.err;
        EXPECT_TRUE(contains(stopped.err, port + ": the gimbal needs the upgrade run again"))
            << stopped.err;
        EXPECT_TRUE(sameSettings(before, lineSettings(watch.get()))) << signal;
        EXPECT_TRUE(portFree(port));
    }

    // Two ports: the parent ends after its children, which have let go of the lines.
    GimbalSimulator first, second;
    Started run =
        start(dir, {"upgrade", "--port", first.slavePath(), "--port", second.slavePath(), file});
    for (GimbalSimulator* g : {&first, &second}) {
        ASSERT_TRUE(g->waitUntil([](const auto& s) { return answeredBlocks(s, 1); }, 5000ms));
    }
    kill(run.pid, SIGTERM);
    const Result stopped = run.finish();
    EXPECT_EQ(stopped.status, 128 + SIGTERM);
    EXPECT_TRUE(contains(stopped.err, "need the upgrade run again")) << stopped.err;
    for (GimbalSimulator* g : {&first, &second}) {
        EXPECT_TRUE(portFree(g->slavePath()));
        EXPECT_TRUE(contains(stopped.out, g->slavePath() + ": interrupted")) << stopped.out;
        g->clearReceived();
    }
    std::this_thread::sleep_for(500ms);  // a child left running would still ask
    EXPECT_TRUE(first.framesReceived().empty() && second.framesReceived().empty());
}

TEST_F(Gimbalctl, BytesAndBlockRequestsFromBeforeTheUpgradeAreNeverAnswered) {
    // What the line received before the open is discarded: a reply waiting there is not read.
    GimbalSimulator gimbal;
    gimbal.send(frame::make(1, frame::kReadVersion, {9, 9, 9, 9}));
    auto port = ULXSerialPort::serialPortWithPath(gimbal.slavePath());
    ASSERT_TRUE(port && port->open());
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(port->m_MessageShow_Flag, 0);
    port->close();

    // A gimbal left mid-upgrade asks for block 1 before and after the open; only
    // the requests after its acceptance of this run's upgrade get blocks.
    GimbalSimulator::Faults stale;
    stale.staleAskBlock = 1;
    gimbal.setFaults(stale);
    const Bytes image = imageBytes(1500, 6);
    const Result run = gimbalctl(dir, {"upgrade", "--port", gimbal.slavePath(),
                                       dir.write("fw.plov", singleImageFile(image, 0, 0))});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    // Before the upgrade request, only the version is asked for.
    const auto frames = gimbal.framesReceived();
    const auto request = std::find_if(frames.begin(), frames.end(),
                                      [](const Bytes& f) { return f[5] != frame::kReadVersion; });
    ASSERT_NE(request, frames.end());
    EXPECT_EQ((*request)[5], frame::kUpgradeRequest);
    expectImages(gimbal, {{3, image}});
    EXPECT_EQ(run.out.find("ID3 Upgrade complete"), run.out.rfind("ID3 Upgrade complete"));
}

// A gimbal in its boot loader: found so (no version, so never current), said
// in one line and upgraded; restarted into it mid-transfer, upgraded again
// from the start; cut in every try, failed after the third, naming it.
TEST_F(Gimbalctl, GimbalInItsBootLoaderIsNamedAndUpgradedAtMostThreeTimes) {
    const Bytes image = imageBytes(3000, 4);
    const std::string file = dir.write("fw.plov", singleImageFile(image, 0, 0));  // 2.010
    GimbalSimulator found;
    found.setVersion(5, 1, 10, 2);
    GimbalSimulator::Faults faults;
    faults.bootLoader = true;
    found.setFaults(faults);
    const Result probe = gimbalctl(dir, {"probe", "-p", found.slavePath(), "--timeout", "1.5"});
    EXPECT_EQ(probe.status, 4);
    EXPECT_EQ(probe.out, found.slavePath() +
                             ": the gimbal is in its boot loader (its last upgrade "
                             "did not finish) and answers no version\n");
    const Result rescued =
        gimbalctl(dir, {"upgrade", "--skip-current", "--verify", "-p", found.slavePath(), file});
    EXPECT_EQ(rescued.status, 0) << rescued.out << rescued.err;
    EXPECT_TRUE(contains(rescued.out,
                         "the gimbal is in its boot loader (its last upgrade did not "
                         "finish); upgrading it\n"))
        << rescued.out;
    expectImages(found, {{3, image}});
    const Result answers = gimbalctl(dir, {"probe", "-p", found.slavePath()});
    EXPECT_EQ(answers.out,
              found.slavePath() + ": a gimbal answers: firmware 2.010, hardware 1.005\n");

    GimbalSimulator cut;
    faults = {};
    faults.cutAfterBlocks = 2;
    faults.cutSilence = 300ms;
    cut.setFaults(faults);
    const Result again = gimbalctl(dir, {"upgrade", "--json", "-p", cut.slavePath(), file});
    EXPECT_EQ(again.status, 0) << again.out << again.err;
    ASSERT_EQ(again.objects().size(), 1u) << again.out;
    EXPECT_EQ(again.objects()[0]["tries"], 2);
    EXPECT_EQ(again.objects()[0]["boot_loader"], true);
    expectImages(cut, {{3, image}});

    GimbalSimulator bricked;
    faults.cutTimes = 100;
    bricked.setFaults(faults);
    const auto start = std::chrono::steady_clock::now();
    const Result failed = gimbalctl(dir, {"upgrade", "-p", bricked.slavePath(), file});
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3 * 8s);  // within its tries' timeouts
    EXPECT_EQ(failed.status, 4);
    EXPECT_TRUE(contains(failed.out, "try 3 of 3.\n"));
    EXPECT_TRUE(contains(failed.out,
                         "progress 2/9\nUpgrade failed: the gimbal restarted in its "
                         "boot loader in each of 3 tries, the last time at ID3, block 2 "
                         "of 3.\n"))
        << failed.out;
}

TEST_F(Gimbalctl, ALineThatGoesAwayIsReportedAtOnceNamingItsPort) {
    // A parallel upgrade: the port that hung up is named, the other one completes.
    GimbalSimulator first, second;
    const Bytes image = imageBytes(5000, 8);
    const std::string file = dir.write("fw.plov", singleImageFile(image, 0, 0));
    Started run =
        start(dir, {"upgrade", "--port", first.slavePath(), "--port", second.slavePath(), file});
    ASSERT_TRUE(first.waitUntil([](const auto& g) { return answeredBlocks(g, 3); }, 5000ms));
    first.hangUp();
    ASSERT_TRUE(second.waitUntil([](const auto& g) { return g.conversationDone(); }, 10000ms));
    const Result upgrade = run.finish();
    EXPECT_EQ(upgrade.status, 3);
    EXPECT_TRUE(contains(upgrade.out, first.slavePath() + ": line gone: " + first.slavePath() +
                                          ": the line went away"))
        << upgrade.out;
    EXPECT_TRUE(contains(upgrade.out, second.slavePath() + ": complete")) << upgrade.out;
    expectImages(second, {{3, image}});

    // A request waiting for its reply: told well before its timeout (the fault took 8 s).
    GimbalSimulator silent;
    GimbalSimulator::Faults noReply;
    noReply.silent = true;
    silent.setFaults(noReply);
    Started version = start(dir, {"version", "--port", silent.slavePath(), "--timeout", "20"});
    ASSERT_TRUE(silent.waitUntil([](const auto& g) { return !g.bytesReceived().empty(); }, 5000ms));
    silent.hangUp();
    const auto start = std::chrono::steady_clock::now();
    const Result request = version.finish();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    EXPECT_EQ(request.status, 3);
    EXPECT_TRUE(contains(request.err, silent.slavePath() + ": the line went away")) << request.err;
}

// Open refused by the device's mode, as a user outside its group meets it:
// status 3, the port named, and nothing sent. Root is never refused, so as
// root gimbalctl runs as nobody.
TEST_F(Gimbalctl, APortWhoseModeRefusesTheUserIsNamedAsPermissionDenied) {
    GimbalSimulator gimbal;
    ASSERT_EQ(::chmod(gimbal.slavePath().c_str(), 0), 0);
    std::vector<std::string> runner;
    if (::geteuid() == 0) {
        runner = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
    }
    const Result run =
        start(dir, {"version", "--port", gimbal.slavePath()}, false, {}, runner).finish();
    EXPECT_EQ(run.status, 3) << run.err;
    EXPECT_TRUE(contains(run.err, gimbal.slavePath() + ": permission denied. ")) << run.err;
    EXPECT_TRUE(gimbal.bytesReceived().empty());
}
