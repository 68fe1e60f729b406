// gimbalctl station against a folder of links to simulated gimbals, made and
// removed while it runs as udev makes and removes /dev/serial/by-id links.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <thread>

#include "protocol/Frame.h"
#include "tests/cli/GimbalctlRun.h"
#include "tests/support/HeldPort.h"
#include "tests/support/Sha256Sum.h"
#include "tests/support/WaitFor.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

class Station : public ::testing::Test {
protected:
    TempDir dir;
    const std::string ports = dir.path() + "/by-id";
    const std::string log = dir.path() + "/units.jsonl";

    // Anything the station made in TMPDIR would be found here.
    void SetUp() override { setenv("TMPDIR", dir.path().c_str(), 1); }
    // A station that a failed check left running is ended: it would wait for ports forever.
    void TearDown() override {
        unsetenv("TMPDIR");
        for (pid_t pid : stations) {
            if (waitpid(pid, nullptr, WNOHANG) != 0) continue;  // ended and collected
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    std::vector<pid_t> stations;

    Started station(const std::vector<std::string>& args) {
        Started started = start(dir, args);
        stations.push_back(started.pid);
        return started;
    }

    void plug(const GimbalSimulator& gimbal, const std::string& name) const {
        ASSERT_EQ(symlink(gimbal.slavePath().c_str(), (ports + "/" + name).c_str()), 0);
    }
    void unplug(const std::string& name) const { unlink((ports + "/" + name).c_str()); }

    std::vector<std::string> records() const {
        std::ifstream in(log);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("{\"journal\":", 0) != 0) lines.push_back(line);  // not the header
        }
        return lines;
    }
    bool waitForRecords(std::size_t count) const {
        return waitFor([&] { return records().size() >= count; }, 15000ms, 20ms);
    }
};

bool answeredBlocks(const GimbalSimulator& gimbal, std::size_t count) {
    return gimbal.board(3).blocks.size() >= count;
}

}  // namespace

TEST_F(Station, EveryGimbalIsUpgradedOnceEachTimeItIsPluggedIn) {
    const Bytes id1 = imageBytes(100, 1), id2 = imageBytes(100, 2), id3 = imageBytes(1100, 3);
    const std::string file = dir.write("fw.3plov", multiImageFile(id1, id2, id3, 3));
    dir.write("units.jsonl", {'{', '"', 'c', 'u', 't'});  // a line a power cut ended early
    GimbalSimulator gimbals[4];
    // A three-image request carries no version: the gimbals run the file's already.
    for (GimbalSimulator& gimbal : gimbals) gimbal.setVersion(5, 1, 10, 2);

    // The folder is made after the start, as udev makes it with the first adapter.
    Started run = station({"station", "--json", "--ports-from", ports, "--log", log, file});
    ASSERT_TRUE(waitFor([&] { return contains(slurp(run.out), "waiting for it"); }));
    mkdir(ports.c_str(), 0755);
    plug(gimbals[0], "usb-first");
    ASSERT_TRUE(waitForRecords(2));
    plug(gimbals[1], "usb-second");
    ASSERT_TRUE(waitForRecords(3));
    // Two at once, beside a link to a file and a name that is not UTF-8.
    ASSERT_EQ(symlink(file.c_str(), (ports + "/not-a-port").c_str()), 0);
    plug(gimbals[2], "usb-third");
    plug(gimbals[3], "usb-\xff");
    ASSERT_TRUE(waitForRecords(5));

    // Left plugged in, nothing more is sent; plugged in again, upgraded again.
    for (GimbalSimulator& gimbal : gimbals) gimbal.clearReceived();
    std::this_thread::sleep_for(500ms);
    for (GimbalSimulator& gimbal : gimbals) EXPECT_TRUE(gimbal.framesReceived().empty());
    unplug("usb-first");
    plug(gimbals[0], "usb-first");
    ASSERT_TRUE(waitForRecords(6));
    kill(run.pid, SIGTERM);
    const Result stopped = run.finish();
    EXPECT_EQ(stopped.status, 0) << stopped.err;

    for (const GimbalSimulator& gimbal : gimbals)
        expectImages(gimbal, {{1, id1}, {2, id2}, {3, id3}});
    const std::vector<std::string> lines = records();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "{\"cut");
    std::map<std::string, int> units;
    for (std::size_t k = 1; k < lines.size(); ++k) {
        const nlohmann::json unit = nlohmann::json::parse(lines[k]);
        EXPECT_EQ(unit["result"], "complete");
        EXPECT_EQ(unit["status_word"], "ok");
        EXPECT_EQ(unit["file"], "fw.3plov");
        EXPECT_EQ(unit["file_size"], 1300 + 32);
        EXPECT_EQ(unit["file_sha256"], sha256sum(file));
        ++units[unit["port"]];
    }
    EXPECT_EQ(units, (std::map<std::string, int>{{ports + "/usb-first", 2},
                                                 {ports + "/usb-second", 1},
                                                 {ports + "/usb-third", 1},
                                                 {ports + "/usb-\uFFFD", 1}}));
    int finished = 0, notices = 0;
    for (const nlohmann::json& event : stopped.objects()) {
        finished += event["event"] == "finished";
        notices += event["event"] == "notice" &&
                   contains(event["message"], "not-a-port is not a serial device");
    }
    EXPECT_EQ(finished, 5);
    EXPECT_EQ(notices, 1);
}

TEST_F(Station, AnUnpluggedUnitFailsAndAStopLetsTheUnitInProgressFinishUnlessAskedTwice) {
    const Bytes image = imageBytes(5 * 1056, 5);
    const std::string file = dir.write("fw.plov", singleImageFile(image, 0, 0));
    mkdir(ports.c_str(), 0755);
    GimbalSimulator first, second;
    Started run = station({"station", "--ports-from", ports, "--log", log, file});

    plug(first, "a");
    ASSERT_TRUE(first.waitUntil([](const auto& g) { return answeredBlocks(g, 1); }, 5000ms));
    first.hangUp();
    unplug("a");
    ASSERT_TRUE(waitForRecords(1));
    plug(second, "b");
    ASSERT_TRUE(second.waitUntil([](const auto& g) { return answeredBlocks(g, 1); }, 5000ms));
    kill(run.pid, SIGTERM);
    const Result stopped = run.finish();
    EXPECT_EQ(stopped.status, 3) << "the first failure's";
    EXPECT_TRUE(contains(stopped.err, "stopping: no new units")) << stopped.err;
    expectImages(second, {{3, image}});
    // Each port's upgrade as gimbalctl upgrade shows it, then its unit's line.
    EXPECT_TRUE(contains(stopped.out, ports + "/b: Begin upgrade firmware...\n")) << stopped.out;
    EXPECT_TRUE(contains(stopped.out, ports + "/b: -----Firmware upgrade complete-----\n"))
        << stopped.out;
    EXPECT_TRUE(contains(stopped.out, ports + "/b: complete: verified: the gimbal reports firmware "
                                              "2.010, the file's version ("))
        << stopped.out;
    EXPECT_TRUE(contains(stopped.out, "units: 1 upgraded, 1 failed (" + ports + "/a)\n"))
        << stopped.out;
    ASSERT_EQ(records().size(), 2u);
    const nlohmann::json gone = nlohmann::json::parse(records()[0]);
    EXPECT_EQ(gone["result"], "line gone");
    EXPECT_EQ(gone["status_word"], "port failed");
    EXPECT_EQ(nlohmann::json::parse(records()[1])["result"], "complete");

    // Killed outright mid-unit: the records stay whole, and nothing is left running.
    Started killed = station({"station", "--ports-from", ports, "--log", log, file});
    ASSERT_TRUE(waitFor([&] { return contains(slurp(killed.out), "/b: progress 1/"); }));
    kill(killed.pid, SIGKILL);
    killed.finish();
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        EXPECT_FALSE(contains(entry.path().filename().string(), "gimbalctl")) << entry.path();
    }
    ASSERT_EQ(records().size(), 2u);
    for (const std::string& line : records()) EXPECT_TRUE(nlohmann::json::accept(line)) << line;
    std::this_thread::sleep_for(300ms);  // the upgrade's process lets go of the line
    second.clearReceived();
    std::this_thread::sleep_for(500ms);  // an upgrade left running would still answer
    EXPECT_TRUE(second.bytesReceived().empty());

    // A second Ctrl+C cuts the unit in progress short, as it cuts an upgrade short.
    unplug("b");
    GimbalSimulator third;
    plug(third, "c");
    Started twice = station({"station", "--ports-from", ports, "--log", log, file});
    ASSERT_TRUE(third.waitUntil([](const auto& g) { return answeredBlocks(g, 1); }, 5000ms));
    kill(twice.pid, SIGINT);
    ASSERT_TRUE(waitFor([&] { return contains(slurp(twice.err), "stopping"); }));
    kill(twice.pid, SIGINT);
    const Result cut = twice.finish();
    EXPECT_EQ(cut.status, 130);
    EXPECT_TRUE(contains(cut.err, "the gimbals on " + ports + "/c need the upgrade run again"))
        << cut.err;
    ASSERT_EQ(records().size(), 3u);
    EXPECT_EQ(nlohmann::json::parse(records()[2])["status_word"], "interrupted");
}

TEST_F(Station, ARefusedFileOrALogThatCannotBeWrittenStopsIt) {
    mkdir(ports.c_str(), 0755);
    GimbalSimulator gimbal;
    plug(gimbal, "a");
    const Result tooBig =
        gimbalctl(dir, {"station", "--ports-from", ports,
                        dir.write("big.plov", singleImageFile(imageBytes(256 * 1056, 1), 0, 0))});
    EXPECT_EQ(tooBig.status, 1);
    EXPECT_TRUE(contains(tooBig.err, "more than 255 blocks")) << tooBig.err;
    const Result empty = gimbalctl(dir, {"station", "--ports-from", ports,
                                         dir.write("empty.plov", singleImageFile({}, 0, 0))});
    EXPECT_EQ(empty.status, 1);
    EXPECT_TRUE(contains(empty.err, "Please select a file first")) << empty.err;
    // Not the approved file; slot labels that name no slot, or one slot twice.
    const std::string approved(64, 'a');
    const std::string file = dir.write("fw.plov", singleImageFile(imageBytes(700, 2), 0, 0));
    const Result other =
        gimbalctl(dir, {"station", "--ports-from", ports, "--expect-sha256", approved, file});
    EXPECT_EQ(other.status, 1);
    EXPECT_TRUE(contains(other.err, "SHA-256 is " + sha256sum(file) + ", not the approved " +
                                        approved + "; nothing sent"))
        << other.err;
    const std::string slots = dir.path() + "/slots";
    for (const auto& [lines, error] :
         {std::pair<std::string, std::string>{"A1 usb-a\nusb-b\n", "slots:2: \"usb-b\" alone"},
          {"# bench 1\nA1 usb-a\n\nA2 usb-a\n",
           "slots:4: slot usb-a is already labelled A1 on line 2"}}) {
        dir.write("slots", Bytes(lines.begin(), lines.end()));
        const Result bad =
            gimbalctl(dir, {"station", "--ports-from", ports, "--slots", slots, file});
        EXPECT_EQ(bad.status, 2);
        EXPECT_TRUE(contains(bad.err, error)) << bad.err;
    }
    EXPECT_TRUE(gimbal.bytesReceived().empty());

    // The unit in progress finishes; its record cannot be written, so the station ends.
    const Bytes image = imageBytes(700, 2);
    const Result full =
        gimbalctl(dir, {"station", "--ports-from", ports, "--log", "/dev/full", file});
    EXPECT_EQ(full.status, 7);
    EXPECT_TRUE(contains(full.err, "/dev/full: No space left on device")) << full.err;
    expectImages(gimbal, {{3, image}});
}

namespace {

// A link made as udev makes it: under a temporary dot name, renamed into place
// (over the name's old link, when there is one).
void linkAsUdev(const std::string& folder, const std::string& name, const std::string& target) {
    const std::string temporary = folder + "/.#" + name + "0123456789abcdef";
    ASSERT_EQ(symlink(target.c_str(), temporary.c_str()), 0);
    std::this_thread::sleep_for(50ms);
    ASSERT_EQ(rename(temporary.c_str(), (folder + "/" + name).c_str()), 0);
}

// Stops the station and waits until it is stopped: what the test does until
// SIGCONT reaches it at once, however the test is scheduled meanwhile.
void hold(pid_t pid) {
    kill(pid, SIGSTOP);
    ASSERT_TRUE(waitFor([pid] {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        std::getline(stat, line);
        const std::size_t end = line.rfind(") ");
        return end != std::string::npos && line.compare(end + 2, 1, "T") == 0;
    }));
}

}  // namespace

TEST_F(Station, AFolderMadeAsUdevMakesItGivesOneUnitPerNameAndDevice) {
    const Bytes image = imageBytes(700, 4);
    const std::string file = dir.write("fw.plov", singleImageFile(image, 0, 0));
    mkdir(ports.c_str(), 0755);
    GimbalSimulator gimbals[4];
    Started run = station({"station", "--json", "--ports-from", ports, "--log", log, file});

    linkAsUdev(ports, "usb-a", gimbals[0].slavePath());
    ASSERT_TRUE(waitForRecords(1));
    // The same name re-pointed at another gimbal is a new unit.
    linkAsUdev(ports, "usb-a", gimbals[1].slavePath());
    ASSERT_TRUE(waitForRecords(2));
    // Plugged in and pulled out at once: one line, no unit.
    hold(run.pid);
    ASSERT_EQ(symlink(gimbals[2].slavePath().c_str(), (ports + "/usb-blink").c_str()), 0);
    unplug("usb-blink");
    kill(run.pid, SIGCONT);

    // Re-pointed once inotify's queue has overflowed: found by the rescan.
    std::ifstream limit("/proc/sys/fs/inotify/max_queued_events");
    int queued = 0;
    limit >> queued;
    if (queued > 0 && queued <= 1 << 17) {
        hold(run.pid);
        const std::string churn = ports + "/.#churn";
        for (int k = 0; k <= queued / 2; ++k) {
            close(creat(churn.c_str(), 0644));
            unlink(churn.c_str());
        }
        linkAsUdev(ports, "usb-a", gimbals[2].slavePath());
        kill(run.pid, SIGCONT);
        ASSERT_TRUE(waitForRecords(3));
        // The folder moved away and made again while the events were lost: the new one is watched.
        hold(run.pid);
        for (int k = 0; k <= queued / 2; ++k) {
            close(creat(churn.c_str(), 0644));
            unlink(churn.c_str());
        }
        ASSERT_EQ(rename(ports.c_str(), (ports + ".old").c_str()), 0);
        ASSERT_EQ(mkdir(ports.c_str(), 0755), 0);
        kill(run.pid, SIGCONT);
        std::this_thread::sleep_for(500ms);  // the overflow read
        linkAsUdev(ports, "usb-a", gimbals[3].slavePath());
        ASSERT_TRUE(waitForRecords(4));
    }
    kill(run.pid, SIGTERM);
    const Result stopped = run.finish();
    EXPECT_EQ(stopped.status, 0) << stopped.out;

    for (const std::string& line : records()) {
        const nlohmann::json unit = nlohmann::json::parse(line);
        EXPECT_EQ(unit["result"], "complete") << line;
        EXPECT_EQ(unit["port"], ports + "/usb-a");
        EXPECT_EQ(unit["slot"], "usb-a");
    }
    ASSERT_LE(records().size(), 4u) << "one unit per gimbal";
    EXPECT_EQ(nlohmann::json::parse(records()[1])["node"], gimbals[1].slavePath());
    for (std::size_t k = 0; k < records().size(); ++k) expectImages(gimbals[k], {{3, image}});
    int blinks = 0;
    for (const nlohmann::json& event : stopped.objects()) {
        EXPECT_FALSE(contains(event.value("port", ""), "/.#")) << event;
        blinks += event["event"] == "notice" && contains(event["message"], "/usb-blink") &&
                  contains(event["message"], "before its upgrade began; not a unit.");
    }
    EXPECT_EQ(blinks, 1) << stopped.out;
}

TEST_F(Station, APortHeldWhenItAppearsIsWaitedFor) {
    const Bytes image = imageBytes(700, 5);
    const std::string file = dir.write("fw.plov", singleImageFile(image, 0, 0));
    mkdir(ports.c_str(), 0755);
    GimbalSimulator gimbal;
    auto holder = std::make_unique<HeldPort>("ModemManager", gimbal.slavePath());
    Started run = station({"station", "--ports-from", ports, "--log", log, file});
    plug(gimbal, "usb-probed");
    // Named with every other holder (here the test, which keeps the line open).
    const std::string waiting = ports + "/usb-probed: waiting up to 10 s for ";
    const std::string holderName = "ModemManager (pid " + std::to_string(holder->pid()) + ")";
    ASSERT_TRUE(waitFor([&] {
        const std::string out = slurp(run.out);
        return contains(out, waiting) && contains(out, holderName);
    })) << slurp(run.out);
    std::this_thread::sleep_for(2s);
    holder.reset();
    ASSERT_TRUE(waitForRecords(1));
    kill(run.pid, SIGTERM);
    const Result stopped = run.finish();
    EXPECT_EQ(stopped.status, 0) << stopped.out << stopped.err;
    expectImages(gimbal, {{3, image}});
}

TEST_F(Station, EachUnitIsVerifiedByTheVersionItReportsAfterwardsAndNamedByItsSlot) {
    // A unit that takes the new firmware, one that keeps its old one, one
    // already current, and one that never answers after its upgrade.
    const std::string file = dir.write("fw.plov", singleImageFile(imageBytes(700, 2), 0, 0));
    mkdir(ports.c_str(), 0755);
    GimbalSimulator takes, keeps, current, mute;
    for (GimbalSimulator* gimbal : {&takes, &keeps, &mute}) gimbal->setVersion(5, 1, 5, 2);
    current.setVersion(5, 1, 10, 2);
    keeps.setRestart({200ms, std::nullopt, true});
    mute.setRestart({std::chrono::hours(1), std::nullopt, false});
    const std::string slots = dir.write("slots", Bytes{'A', '1', ' ', 'p', '1', '\n',  //
                                                       'A', '2', ' ', 'p', '2', '\n',  //
                                                       'A', '3', ' ', 'p', '3', '\n'});
    plug(takes, "p1");
    plug(keeps, "p2");
    plug(current, "p3");
    plug(mute, "usb-mute");
    const auto start = std::chrono::steady_clock::now();
    Started run = station(
        {"station", "--ports-from", ports, "--log", log, "--slots", slots, "--skip-current", file});
    ASSERT_TRUE(waitFor([&] { return records().size() >= 4; }, 30000ms, 20ms));
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    kill(run.pid, SIGTERM);
    const Result stopped = run.finish();
    EXPECT_EQ(stopped.status, 4);

    std::map<std::string, nlohmann::json> units;
    for (const std::string& line : records()) {
        const nlohmann::json unit = nlohmann::json::parse(line);
        units[unit["slot_label"]] = unit;
    }
    const auto expectUnit = [&](const std::string& label, const std::string& result, int status,
                                const std::string& before, const std::string& after) {
        const nlohmann::json& unit = units[label];
        EXPECT_EQ(unit["result"], result) << unit;
        EXPECT_EQ(unit["status"], status) << unit;
        EXPECT_EQ(unit["version_before"], before) << unit;
        EXPECT_EQ(unit["version_after"], after) << unit;
        EXPECT_EQ(unit["verified"], status == 0) << unit;
    };
    expectUnit("A1", "complete", 0, "2.005", "2.010");
    expectUnit("A2", "not verified", 4, "2.005", "2.005");
    EXPECT_EQ(units["A2"]["detail"],
              "the gimbal reports firmware 2.005 after the upgrade; the file carries 2.010");
    expectUnit("A3", "skipped", 0, "2.010", "2.010");
    expectUnit("", "not verified", 4, "2.005", "");
    EXPECT_EQ(units[""]["port"], ports + "/usb-mute");
    EXPECT_TRUE(contains(units[""]["detail"], "no firmware version within 15 s")) << units[""];
    EXPECT_GE(took, 15.0);

    // The display and the tally name the units by their labels.
    EXPECT_TRUE(contains(stopped.out, "A1: Begin upgrade firmware...\n")) << stopped.out;
    EXPECT_TRUE(contains(stopped.out, " A3: skipped: the gimbal already runs firmware 2.010"))
        << stopped.out;
    EXPECT_TRUE(contains(
        stopped.out,
        "units: 1 upgraded, 1 skipped (already current), 2 failed (A2, " + ports + "/usb-mute)\n"))
        << stopped.out;

    // A verification asks for the version and nothing else; a current unit gets nothing else.
    const auto frameCount = [](const GimbalSimulator& gimbal, uint8_t command) {
        std::size_t count = 0;
        for (const Bytes& f : gimbal.framesReceived()) count += f[5] == command;
        return count;
    };
    EXPECT_EQ(frameCount(current, frame::kReadVersion), current.framesReceived().size());
    const std::size_t asked = frameCount(mute, frame::kReadVersion);
    EXPECT_EQ(asked + frameCount(mute, frame::kUpgradeRequest) + frameCount(mute, frame::kBlock),
              mute.framesReceived().size());
    EXPECT_GE(asked, 3u) << "asked again while the gimbal is silent";
    EXPECT_LE(asked, 1u + 31u) << "once before, then at most every 0.5 s for 15 s";
    expectImages(takes, {{3, imageBytes(700, 2)}});
}

// A unit waiting for its port is its name and its device: when the name is
// re-pointed at another gimbal meanwhile (adapters swapped during a probe),
// the waiting unit is withdrawn in one line and the other gimbal is a unit of
// its own, upgraded once and recorded by the device that was opened.
TEST_F(Station, ANameRepointedWhileItsPortIsHeldIsANewUnitUpgradedOnce) {
    const Bytes image = imageBytes(700, 8);
    const std::string file = dir.write("fw.plov", singleImageFile(image, 0, 0));
    mkdir(ports.c_str(), 0755);
    GimbalSimulator first, second;
    HeldPort holder("ModemManager", first.slavePath());
    Started run = station({"station", "--ports-from", ports, "--log", log, file});
    plug(first, "usb-swapped");
    ASSERT_TRUE(waitFor([&] { return contains(slurp(run.out), "waiting up to 10 s for "); }))
        << slurp(run.out);
    linkAsUdev(ports, "usb-swapped", second.slavePath());
    ASSERT_TRUE(waitForRecords(1)) << slurp(run.out) << slurp(run.err);
    std::this_thread::sleep_for(2s);  // no second upgrade follows
    kill(run.pid, SIGTERM);
    const Result stopped = run.finish();
    EXPECT_EQ(stopped.status, 0) << stopped.out << stopped.err;
    ASSERT_EQ(records().size(), 1u);
    const nlohmann::json unit = nlohmann::json::parse(records()[0]);
    EXPECT_EQ(unit["result"], "complete") << unit;
    EXPECT_EQ(unit["node"], second.slavePath()) << unit;
    const std::string withdrawn =
        ports +
        "/usb-swapped was re-pointed at another device before its upgrade began; not a unit.";
    EXPECT_TRUE(contains(stopped.err, withdrawn)) << stopped.err;
    EXPECT_EQ(stopped.err.find(withdrawn), stopped.err.rfind(withdrawn)) << stopped.err;
    EXPECT_TRUE(first.framesReceived().empty());
    expectImages(second, {{3, image}});
}

// The station's first line names the file with its size, digest and versions
// as the units will report them; a unit already current shows no progress.
TEST_F(Station, TheFirstLineNamesTheFileAndASkippedUnitShowsNoProgress) {
    const Bytes content = singleImageFile(imageBytes(700, 9), 0, 0, Version{1, 5, 2, 200});
    const std::string file = dir.write("fw.plov", content);
    mkdir(ports.c_str(), 0755);
    GimbalSimulator current;
    current.setVersion(5, 1, 200, 2);
    plug(current, "usb-current");
    Started run = station({"station", "--ports-from", ports, "--log", log, "--skip-current", file});
    ASSERT_TRUE(waitForRecords(1));
    kill(run.pid, SIGTERM);
    const Result stopped = run.finish();
    EXPECT_EQ(stopped.status, 0) << stopped.out << stopped.err;
    EXPECT_EQ(stopped.out.substr(0, stopped.out.find('\n') + 1),
              "firmware: fw.plov, " + std::to_string(content.size()) + " bytes, SHA-256 " +
                  sha256sum(file) + ", hardware 1.005, firmware 2.200\n")
        << stopped.out;
    EXPECT_FALSE(contains(stopped.out, "progress")) << stopped.out;
    EXPECT_TRUE(contains(stopped.out, "skipped: the gimbal already runs firmware 2.200"))
        << stopped.out;
}
