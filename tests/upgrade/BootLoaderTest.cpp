// A gimbal that restarts in its boot loader mid-upgrade, through the portable
// link session and the supervision on a clock of the test's: the upgrade is
// asked for again from the start, at most three tries, and never runs on.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "protocol/Frame.h"
#include "session/LinkSession.h"
#include "tests/upgrade/FirmwareFiles.h"
#include "upgrade/BootLoader.h"
#include "upgrade/FirmwareFile.h"
#include "upgrade/UpgradeProgress.h"
#include "upgrade/UpgradeSupervisor.h"

namespace {

using Bytes = std::vector<uint8_t>;
using protocol::Millis;
using session::LinkSession;

// A one-image gimbal (three blocks for ID3, then its reports for ID2 and
// ID1) that loses its power after `cutAfter` blocks of each of its first
// `cuts` upgrades: silent 1 s, then its boot loader asks for block 0 of ID3
// every second until an upgrade request comes.
struct CutGimbal {
    int cutAfter = -1;
    int cuts = 0;
    std::multimap<Millis, Bytes> toSend;
    bool bootLoader = false;
    Millis silentUntil = 0;
    Millis nextAsk = 0;
    int answered = 0;
    bool running = false;

    void ask(Millis at, uint8_t id, uint8_t command, uint8_t k) {
        toSend.emplace(at, frame::make(id, command, {k}));
    }
    void heard(const Bytes& w, Millis now) {
        if (w[5] == frame::kUpgradeRequest && !running && now >= silentUntil) {
            running = true, answered = 0;
            ask(now + 10, 0, frame::kUpgradeRequest, 0xFF);
            ask(now + 20, 3, frame::kBlock, 0);
        } else if (w[5] == frame::kBlock && running) {
            const int block = w[6];
            if (cuts > 0 && ++answered == cutAfter) {
                --cuts, running = false, bootLoader = true;
                silentUntil = nextAsk = now + 1000;
            } else if (block < 3) {
                ask(now + 10, 3, frame::kBlock, static_cast<uint8_t>(block + 1));
            } else {  // the end of ID3's image: the reports for ID2, then ID1
                for (Millis k = 0; k <= 3; ++k) {
                    ask(now + 100 * (k + 1), 2, frame::kBlockReport, static_cast<uint8_t>(k));
                    ask(now + 500 + 100 * (k + 1), 1, frame::kBlockReport, static_cast<uint8_t>(k));
                }
                running = bootLoader = false;
            }
        }
    }
    // What the gimbal sends by `now`.
    Bytes sent(Millis now) {
        if (bootLoader && !running && now >= nextAsk) {
            ask(now, 3, frame::kBlock, 0);
            nextAsk = now + 1000;
        }
        Bytes bytes;
        while (!toSend.empty() && toSend.begin()->first <= now) {
            bytes.insert(bytes.end(), toSend.begin()->second.begin(), toSend.begin()->second.end());
            toSend.erase(toSend.begin());
        }
        return bytes;
    }
};

struct UpgradeRun {
    LinkSession s;
    CutGimbal gimbal;
    std::vector<std::string> log;  // messages, and "progress N" as it is shown
    upgrade::UpgradeSupervisor supervisor{
        {[this](const char* m) { log.emplace_back(m); },
         [this](int v) { log.push_back("progress " + std::to_string(v)); }}};
    Millis endedAt = -1;

    explicit UpgradeRun(int cutAfter = -1, int cuts = 0) {
        gimbal.cutAfter = cutAfter, gimbal.cuts = cuts;
        FirmwareVariables v;
        EXPECT_TRUE(
            firmware::analyse("fw.plov", singleImageFile(imageBytes(3000, 3), 0, 0), v).usable);
        s.setFirmware(std::move(v), 0);
        s.opened(0);
    }
    // The upgrade, ticked every 40 ms for at most a minute.
    void upgrade() {
        ASSERT_TRUE(supervisor.Upgrade(&s, 9, 0));
        for (Millis now = 40; now < 60000; now += 40) {
            const Bytes in = gimbal.sent(now);
            s.received(in.data(), in.size(), now);
            const bool running = supervisor.handleTick(&s, now);
            for (const Bytes& w : s.takeDueWrites(now)) gimbal.heard(w, now);
            if (!running) return void(endedAt = now);
        }
    }
    bool logged(const std::string& line) const {
        return std::find(log.begin(), log.end(), line) != log.end();
    }
};

// Block 0 asked for again after later blocks: a second try from the start,
// said before the bar goes back, and the upgrade completes.
TEST(BootLoader, RestartAfterLaterBlocksIsUpgradedAgainFromTheStart) {
    UpgradeRun run(3, 1);
    run.upgrade();
    EXPECT_EQ(run.supervisor.ending, upgrade::Ending::kComplete);
    const std::string again =
        "The gimbal restarted in its boot loader at ID3, block 3 of 3: upgrading it again from the "
        "start, try 2 of 3.\n";
    const auto line = std::find(run.log.begin(), run.log.end(), again);
    ASSERT_NE(line, run.log.end());
    EXPECT_EQ(*(line - 1), "progress 3");
    EXPECT_EQ(*(line + 1), "progress 0");  // back only after the line
    EXPECT_EQ(run.supervisor.tries, 2);
    EXPECT_EQ(run.log.back(), upgrade::kUpgradeCompleteMessage);
}

// Block 0 answered, then the gimbal silent and asking for it again: a
// restart too; asked twice in a row it is not.
TEST(BootLoader, BlockZeroAfterASilenceIsARestart) {
    UpgradeRun run(1, 1);
    run.upgrade();
    EXPECT_EQ(run.supervisor.ending, upgrade::Ending::kComplete);
    EXPECT_TRUE(run.logged(
        "The gimbal restarted in its boot loader at ID3, block 1 of 3: upgrading it again from the "
        "start, try 2 of 3.\n"));

    upgrade::BootLoaderWatch watch;
    watch.beginTry();
    EXPECT_FALSE(watch.blockRequest(3, 0, 3, true, 1000));
    EXPECT_FALSE(watch.blockRequest(3, 0, 3, true, 1300));  // asked twice
    EXPECT_TRUE(watch.blockRequest(3, 0, 3, true, 2100));
    EXPECT_TRUE(watch.takeRestart());
    EXPECT_FALSE(watch.takeRestart());
}

// Cut in every try: the third ends the upgrade as failed, with one line
// naming the boot loader, the board and the block, within three tries'
// timeouts, however often the boot loader asks for block 0.
TEST(BootLoader, TheThirdTryEndsIt) {
    UpgradeRun run(2, 100);
    run.upgrade();
    EXPECT_EQ(run.supervisor.ending, upgrade::Ending::kBootLoader);
    EXPECT_EQ(run.log.back(),
              "Upgrade failed: the gimbal restarted in its boot loader in each of 3 tries, the "
              "last time at ID3, block 2 of 3.\n");
    ASSERT_GT(run.endedAt, 0);
    EXPECT_LT(run.endedAt, 3 * upgrade::kTimeoutMs);
    EXPECT_TRUE(run.logged(
        "The gimbal restarted in its boot loader at ID3, block 2 of 3: upgrading it again from the "
        "start, try 3 of 3.\n"));

    // The lines with values, as the wording a face translates.
    const auto wording = upgrade::bootLoaderWording(run.log.back());
    ASSERT_TRUE(wording);
    EXPECT_STREQ(wording->text, upgrade::kBootLoaderFailedMessage);
    EXPECT_EQ(wording->values, (std::vector<std::string>{"3", "3", "2", "3"}));
    EXPECT_FALSE(upgrade::bootLoaderWording("Error\n"));
}

// Block requests while no upgrade runs: a gimbal in its boot loader, until it
// has been quiet 3 s or an upgrade starts.
TEST(BootLoader, GimbalFoundInItsBootLoader) {
    UpgradeRun run;
    EXPECT_FALSE(run.s.gimbalInBootLoader(0));
    const Bytes ask = frame::make(3, frame::kBlock, {0});
    run.s.received(ask.data(), ask.size(), 1000);
    EXPECT_TRUE(run.s.gimbalInBootLoader(1000));
    EXPECT_TRUE(run.s.gimbalInBootLoader(3999));
    EXPECT_FALSE(run.s.gimbalInBootLoader(4000));
    run.s.received(ask.data(), ask.size(), 5000);
    ASSERT_TRUE(run.supervisor.Upgrade(&run.s, 9, 5000));
    EXPECT_FALSE(run.s.gimbalInBootLoader(5000));
}

}  // namespace
