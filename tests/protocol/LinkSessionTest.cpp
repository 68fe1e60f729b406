// The portable link session, driven as a face without threads drives it:
// bytes split anywhere, writes with their times, ticks that come late.

#include <gtest/gtest.h>

#include "protocol/Frame.h"
#include "protocol/LinkSession.h"
#include "tests/upgrade/FirmwareFiles.h"
#include "upgrade/FirmwareFile.h"
#include "upgrade/UpgradeSupervisor.h"

namespace {

using Bytes = std::vector<uint8_t>;
using protocol::LinkSession;

LinkSession sessionWith(const std::string& name, const Bytes& file) {
    FirmwareVariables v;
    EXPECT_TRUE(firmware::analyse(name, file, v).usable);
    LinkSession session;
    session.setFirmware(std::move(v));
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

// Block answers keep the pause between them; a request made meanwhile leaves
// after them, never before; a late tick releases everything due, in order.
TEST(LinkSession, WritesLeaveInOrderWithThePauseAfterEachBlock) {
    LinkSession s = sessionWith("fw.plov", singleImageFile(imageBytes(3000, 3), 0, 0));
    receive(s, frame::make(3, frame::kBlock, {0}) + frame::make(3, frame::kBlock, {1}), 0);
    s.sendRequest(calibration::Request::kReadVer, 10);

    const auto first = s.takeDueWrites(10);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0][6], 0);  // block 0 at once
    EXPECT_EQ(s.nextWriteTime(), 200);
    EXPECT_TRUE(s.takeDueWrites(199).empty());
    EXPECT_TRUE(s.takeBlockReports().empty());  // block 0's pause is not over

    const auto late = s.takeDueWrites(5000);
    ASSERT_EQ(late.size(), 2u);
    EXPECT_EQ(late[0][5], frame::kBlock);
    EXPECT_EQ(late[0][6], 1);
    EXPECT_EQ(late[1], calibration::requestFrame(calibration::Request::kReadVer));
    const std::vector<upgrade::BlockReport> reports = s.takeBlockReports();
    EXPECT_EQ(reports, (std::vector<upgrade::BlockReport>{{0, 1}, {0, 2}}));
}

// A whole relayed upgrade whose reports all come at once, ticked late: every
// board's message is shown and it ends complete, never in a timeout.
TEST(LinkSession, UpgradeWithReportsAllAtOnceCompletes) {
    LinkSession s = sessionWith("fw.plov", singleImageFile(imageBytes(2 * 1056, 3), 0, 0));
    std::vector<std::string> messages;
    upgrade::UpgradeSupervisor supervisor(
        {[&](const char* m) { messages.emplace_back(m); }, [](int) {}});
    ASSERT_TRUE(supervisor.Upgrade(&s, 6));
    supervisor.handleTick(&s);
    ASSERT_EQ(s.takeDueWrites(40).size(), 1u);  // the upgrade request

    Bytes gimbal = frame::make(0, frame::kUpgradeRequest, {0xFF});
    for (uint8_t k = 0; k <= 2; ++k) gimbal = gimbal + frame::make(3, frame::kBlock, {k});
    for (uint8_t id : {2, 1}) {
        for (uint8_t k = 0; k <= 2; ++k)
            gimbal = gimbal + frame::make(id, frame::kBlockReport, {k});
    }
    receive(s, Bytes(gimbal.begin(), gimbal.begin() + 20), 50);
    receive(s, Bytes(gimbal.begin() + 20, gimbal.end()), 60);
    s.takeDueWrites(100000);
    supervisor.handleTick(&s);
    EXPECT_EQ(supervisor.ending, upgrade::Ending::kComplete);
    EXPECT_EQ(messages, (std::vector<std::string>{
                            upgrade::kBeginMessage, "-----ID3 Upgrade complete-----\n",
                            "-----ID2 Upgrade complete-----\n", "-----ID1 Upgrade complete-----\n",
                            "-----Firmware upgrade complete-----\n"}));
}

}  // namespace
