// The portable link session, driven as a face without threads drives it:
// bytes split anywhere, writes with their times, ticks that come late.

#include <gtest/gtest.h>

#include "protocol/Frame.h"
#include "session/LinkSession.h"
#include "tests/upgrade/FirmwareFiles.h"
#include "upgrade/FirmwareFile.h"
#include "upgrade/UpgradeSupervisor.h"

namespace {

using Bytes = std::vector<uint8_t>;
using session::LinkSession;

LinkSession sessionWith(const std::string& name, const Bytes& file) {
    FirmwareVariables v;
    EXPECT_TRUE(firmware::analyse(name, file, v).usable);
    LinkSession session;
    session.setFirmware(std::move(v), 0);
    session.opened(0);
    return session;
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void receive(LinkSession& s, const Bytes& bytes, protocol::Millis now) {
    s.received(bytes.data(), bytes.size(), now);
}

// A reply cut at every place, with noise in front, is decoded exactly once.
TEST(LinkSession, ReplySplitAnywhereIsDecodedOnce) {
    const Bytes reply = frame::make(1, frame::kInitGyro, {3, 0, 0xFE, 0xFF, 1, 0});
    for (std::size_t cut = 0; cut <= reply.size(); ++cut) {
        LinkSession s;
        s.opened(0);
        int frames = 0;
        s.frameObserver = [&](const uint8_t*, std::size_t) { ++frames; };
        receive(s, {0xAA, 0x00, 0xAA}, 0);
        receive(s, Bytes(reply.begin(), reply.begin() + cut), 1);
        receive(s, Bytes(reply.begin() + cut, reply.end()), 2);
        s.lineQuiet(200);
        EXPECT_EQ(frames, 1) << "cut at " << cut;
        const auto shown = s.pollStatus(2);
        ASSERT_TRUE(shown) << "cut at " << cut;
        EXPECT_EQ(shown->text, "Init Gyro Succeed!");
        EXPECT_EQ(shown->value[1], -2);
        EXPECT_FALSE(s.pollStatus(2));  // shown once
    }
}

// Block answers keep the pause from when each one was taken for the line, and
// one take hands out one block at most: a late take, or a block request
// repeated, never puts two blocks on the line back to back. A request made
// meanwhile leaves after the blocks before it, never before.
TEST(LinkSession, EachBlockWaitsThePauseFromWhenTheOneBeforeWasTaken) {
    LinkSession s = sessionWith("fw.plov", singleImageFile(imageBytes(3000, 3), 0, 0));
    receive(s,
            frame::make(3, frame::kBlock, {0}) + frame::make(3, frame::kBlock, {1}) +
                frame::make(3, frame::kBlock, {1}),
            0);
    s.sendRequest(calibration::Request::kReadVer, 10);

    const auto first = s.takeDueWrites(900);  // the face comes late
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0][6], 0);
    EXPECT_EQ(s.nextWriteTime(), 1100);  // the pause counts from 900, not from 0
    EXPECT_TRUE(s.takeDueWrites(1099).empty());
    EXPECT_TRUE(s.takeBlockReports().empty());  // block 0's pause is not over

    const auto second = s.takeDueWrites(5000);
    ASSERT_EQ(second.size(), 1u);  // the repeated request's block waits its own pause
    EXPECT_EQ(second[0][6], 1);
    const auto third = s.takeDueWrites(5200);
    ASSERT_EQ(third.size(), 2u);
    EXPECT_EQ(third[0][6], 1);
    EXPECT_EQ(third[1], calibration::requestFrame(calibration::Request::kReadVer));
    // The third block's report waits for its own pause.
    EXPECT_EQ(s.takeBlockReports(), (std::vector<upgrade::BlockReport>{{0, 1}, {0, 2}}));
}

// The face's side of an upgrade: the supervisor ticked at the given times on
// the session's clock, due writes taken at every tick, and what the gimbal
// sends fed in as it arrives.
struct Drive {
    LinkSession& s;
    upgrade::UpgradeSupervisor supervisor;
    std::vector<std::string> messages;
    std::vector<protocol::Millis> requestTimes;
    std::vector<protocol::Millis> blockTimes;
    protocol::Millis endedAt = -1;

    explicit Drive(LinkSession& session)
        : s(session),
          supervisor({[this](const char* m) { messages.emplace_back(m); }, [](int) {}}) {}

    // Ticks at `now`; false once the upgrade is over.
    bool tick(protocol::Millis now) {
        const bool running = supervisor.handleTick(&s, now);
        for (const Bytes& w : s.takeDueWrites(now)) {
            if (w[5] == frame::kUpgradeRequest) requestTimes.push_back(now);
            if (w[5] == frame::kBlock) blockTimes.push_back(now);
        }
        if (!supervisor.rTimerFlag && endedAt < 0) endedAt = now;
        return running;
    }
};

// A silent gimbal: the timeout lands 8 s of clock time after the start and the
// 22 requests keep their times, however the face's ticks come. With a tick
// every 40 ms each tick is one step of the schedule, exactly as before; with
// ticks a second apart or irregular, each late tick does its work once.
TEST(LinkSession, SupervisionKeepsItsTimesOnTheClockWhateverTheTicks) {
    std::vector<protocol::Millis> schedule;  // the 40 ms tick schedule's request times
    for (int count = 0; count < 200; ++count) {
        if (count < 20 ? count % 5 == 0 : count % 10 == 0) schedule.push_back(40 * (count + 1));
    }
    ASSERT_EQ(schedule.size(), 22u);

    for (const protocol::Millis spacing : {40, 1000, 0}) {  // 0: irregular
        LinkSession s = sessionWith("fw.plov", singleImageFile(imageBytes(3000, 1), 0, 0));
        Drive d(s);
        ASSERT_TRUE(d.supervisor.Upgrade(&s, 6, 0));
        unsigned seed = 7;
        auto next = [&] {
            return spacing ? spacing : 1 + (seed = seed * 1103515245 + 12345) % 700;
        };
        protocol::Millis now = 0;
        while (now < 20000 && d.tick(now += next())) {
        }
        SCOPED_TRACE(spacing);
        EXPECT_EQ(d.messages.back(), upgrade::kTimeoutMessage);
        const protocol::Millis longest = spacing ? spacing : 700;
        EXPECT_GE(d.endedAt, 8040);
        EXPECT_LT(d.endedAt, 8040 + longest);
        if (spacing == 40) {
            EXPECT_EQ(d.requestTimes, schedule);
            EXPECT_EQ(d.endedAt, 8040);
        }
        // Never a request before its time, and never two for one tick.
        for (std::size_t k = 0; k < d.requestTimes.size(); ++k) {
            EXPECT_GE(d.requestTimes[k], schedule[k]);
            if (k > 0) {
                EXPECT_GT(d.requestTimes[k], d.requestTimes[k - 1]);
            }
        }
    }
}

// A whole relayed upgrade whose reports all come at once, with ticks a second
// apart: every board's message is shown and it ends complete, never in a
// timeout, each block a pause after the one before.
TEST(LinkSession, UpgradeWithLateTicksCompletesWithThePauseKept) {
    LinkSession s = sessionWith("fw.plov", singleImageFile(imageBytes(2 * 1056, 3), 0, 0));
    Drive d(s);
    ASSERT_TRUE(d.supervisor.Upgrade(&s, 6, 0));
    d.tick(40);
    ASSERT_EQ(d.requestTimes.size(), 1u);

    Bytes gimbal = frame::make(0, frame::kUpgradeRequest, {0xFF});
    for (uint8_t k = 0; k <= 2; ++k) gimbal = gimbal + frame::make(3, frame::kBlock, {k});
    for (uint8_t id : {2, 1}) {
        for (uint8_t k = 0; k <= 2; ++k)
            gimbal = gimbal + frame::make(id, frame::kBlockReport, {k});
    }
    receive(s, Bytes(gimbal.begin(), gimbal.begin() + 20), 50);
    receive(s, Bytes(gimbal.begin() + 20, gimbal.end()), 60);
    for (protocol::Millis now = 1040; d.tick(now) && now < 20000; now += 1000) {
    }
    EXPECT_EQ(d.supervisor.ending, upgrade::Ending::kComplete);
    EXPECT_EQ(d.blockTimes, (std::vector<protocol::Millis>{1040, 2040, 3040}));
    EXPECT_EQ(d.messages,
              (std::vector<std::string>{upgrade::kBeginMessage, "-----ID3 Upgrade complete-----\n",
                                        "-----ID2 Upgrade complete-----\n",
                                        "-----ID1 Upgrade complete-----\n",
                                        "-----Firmware upgrade complete-----\n"}));
}

// One image per transfer: a file given while an upgrade runs is refused and
// the blocks keep coming from the file the upgrade started with; the end of
// the upgrade ends its transfer, so a file given right after it is the one
// the next upgrade sends. Outside an upgrade, a gimbal asking for a block
// keeps the file in use for 8 s on the face's clock.
TEST(LinkSession, FileKeptWhileServedAndTakenRightAfterTheUpgradeEnds) {
    const Bytes imageA = imageBytes(2 * 1056, 1);
    const Bytes imageB = imageBytes(2 * 1056, 2);
    LinkSession s = sessionWith("a.plov", singleImageFile(imageA, 0, 0));
    FirmwareVariables b;
    ASSERT_TRUE(firmware::analyse("b.plov", singleImageFile(imageB, 0, 0), b).usable);
    const Bytes accepted = frame::make(0, frame::kUpgradeRequest, {0xFF});
    Bytes gimbal = accepted;
    for (uint8_t k = 0; k <= 2; ++k) gimbal = gimbal + frame::make(3, frame::kBlock, {k});
    for (uint8_t id : {2, 1}) {
        for (uint8_t k = 0; k <= 2; ++k)
            gimbal = gimbal + frame::make(id, frame::kBlockReport, {k});
    }

    Drive d(s);
    ASSERT_TRUE(d.supervisor.Upgrade(&s, 6, 0));
    receive(s, gimbal, 50);
    EXPECT_TRUE(s.fileChoice(50).untilUpgradeEnds);
    EXPECT_FALSE(s.setFirmware(b, 50));
    protocol::Millis now = 100;
    while (d.tick(now) && now < 20000) now += 100;
    ASSERT_EQ(d.supervisor.ending, upgrade::Ending::kComplete);
    EXPECT_TRUE(s.setFirmware(b, now + 500));

    s.opened(now + 600);
    Drive again(s);
    ASSERT_TRUE(again.supervisor.Upgrade(&s, 6, now + 600));
    receive(s, accepted + frame::make(3, frame::kBlock, {1}), now + 700);
    const auto w = s.takeDueWrites(now + 700);
    ASSERT_EQ(w.size(), 1u);
    EXPECT_TRUE(std::equal(imageB.begin() + 1056, imageB.begin() + 1066, w[0].begin() + 9));
    s.closeLink();

    // No upgrade: a block request answered at 31000 keeps b until 39000.
    s.opened(31000);
    receive(s, frame::make(3, frame::kBlock, {0}), 31000);
    ASSERT_EQ(s.takeDueWrites(31000).size(), 1u);
    EXPECT_EQ(s.fileChoice(33000).waitMs, 6000);
    EXPECT_FALSE(s.setFirmware(FirmwareVariables{}, 38999));
    EXPECT_TRUE(s.setFirmware(FirmwareVariables{}, 39000));
}

// A gimbal in its boot loader asks for block 0 once a second before any file
// is chosen: no file is in use then, so a file is taken at once; once one
// answers, the one-image rule keeps it, but only while the line is open. The
// face is told once per sighting: again after 8 s of silence, or a new line.
TEST(LinkSession, BootLoaderRequestsKeepNoFileAndAreNamedOncePerSighting) {
    LinkSession s;
    s.opened(0);
    const Bytes block0 = frame::make(3, frame::kBlock, {0});
    for (protocol::Millis t : {0, 1000, 2000}) receive(s, block0, t);
    EXPECT_TRUE(s.takeBootLoaderNotice());
    EXPECT_FALSE(s.takeBootLoaderNotice());
    EXPECT_TRUE(s.fileChoice(2000).allowed);
    FirmwareVariables v;
    ASSERT_TRUE(firmware::analyse("rescue.plov", singleImageFile(imageBytes(2000, 3), 0, 0), v)
                    .usable);
    EXPECT_TRUE(s.setFirmware(v, 2100));

    receive(s, block0, 3000);  // answered from rescue.plov: now it is in use
    EXPECT_FALSE(s.fileChoice(3100).allowed);
    for (protocol::Millis t = 4000; t <= 10000; t += 1000) receive(s, block0, t);
    EXPECT_FALSE(s.takeBootLoaderNotice());
    receive(s, block0, 18000);  // silent 8 s: it left the boot loader and came back
    EXPECT_TRUE(s.takeBootLoaderNotice());

    s.closed();
    EXPECT_TRUE(s.fileChoice(18100).allowed);
    s.opened(18200);
    receive(s, block0, 18300);
    EXPECT_TRUE(s.takeBootLoaderNotice());
}

}  // namespace
