#pragma once
// One open line to a gimbal, with no input or output of its own: the face's
// line moves bytes and keeps time, the session decides. Bytes received and
// the time go in; bytes to send come out when the face takes them, and the
// status poll and the upgrade supervision read the session as they read a
// port object.
//
// What holds, whatever the order and lateness of the face's takes, ticks and
// reads:
// - writes leave in the order they were made, a later one never before an
//   earlier one;
// - a block answer's pause starts when the face takes it for the line: the
//   next block answer is handed out no sooner than kPauseAfterBlock later,
//   and one take hands out at most one block answer, so no two blocks are
//   ever written back to back;
// - a block report reaches the supervision once its block has been taken and
//   its pause is over;
// - the firmware file cannot change while an upgrade runs, nor while a
//   gimbal asks for blocks outside one (upgrade/ImageInUse.h);
// - a gimbal asking for blocks while no upgrade runs is in its boot loader:
//   takeBootLoaderNotice says so once per sighting (upgrade/BootLoader.h).

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "calibration/CalibrationRequest.h"
#include "calibration/StatusReport.h"
#include "protocol/Millis.h"
#include "protocol/ParserState.h"
#include "upgrade/BootLoader.h"
#include "upgrade/FirmwareLayout.h"
#include "upgrade/ImageInUse.h"
#include "upgrade/UpgradeLink.h"

namespace session {

using protocol::Millis;

class LinkSession : public upgrade::UpgradeLink {
public:
    static constexpr Millis kPauseAfterBlock = 200;
    static constexpr Millis kQuietAfter = 100;  // a line this long silent gives up a partial frame

    explicit LinkSession(Millis pauseAfterBlock = kPauseAfterBlock);

    // The file blocks are served from (empty: none loaded). Refused, false
    // and nothing changed, unless fileChoice(now) allows it.
    bool setFirmware(FirmwareVariables firmware, Millis now);
    upgrade::FileChoice fileChoice(Millis now) const;
    // An upgrade has started on the open line and not yet ended.
    bool upgradeRunning() const { return upgrading_; }

    // The line: opened, bytes received, quiet for a read wait, closed. Closing
    // drops what was not yet written and every report not yet taken; an
    // upgrade runs on until its supervision ends it (closeLink).
    void opened(Millis now);
    void received(const uint8_t* bytes, std::size_t count, Millis now);
    void lineQuiet(Millis now);
    void closed();
    bool isOpen() const { return open_; }

    // Writes whose time has come by `now`, oldest first; at most one block
    // answer, whose pause starts now.
    std::vector<std::vector<uint8_t>> takeDueWrites(Millis now);
    // When the oldest write not yet taken may leave; none when all are taken.
    std::optional<Millis> nextWriteTime() const;
    // The time for reports and writes: every input above moves it on too.
    void advance(Millis now);

    // A calibration or query request; false, nothing queued, when the line is closed.
    bool sendRequest(calibration::Request request, Millis now);
    // The status poll: what the last reply shows, marked shown as on a port object.
    std::optional<calibration::StatusReport> pollStatus(int pageSelected);
    uint8_t statusCode() const { return statusCode_; }
    const int16_t* replyValues() const { return values_; }

    // The gimbal asked for blocks while no upgrade ran, lately: it is in its
    // boot loader, its last upgrade unfinished (upgrade/BootLoader.h).
    bool gimbalInBootLoader(Millis now) const;
    // True once per sighting of such a gimbal: its first request on this
    // line, or the first after it left the boot loader; the face shows
    // upgrade::kBootLoaderMessage (upgrade/BootLoaderLine.h).
    bool takeBootLoaderNotice() { return std::exchange(bootLoaderNoticeDue_, false); }

    // Block requests answered only once the gimbal accepted this link's upgrade
    // request (see upgrade::answerUpgradeFrame); gimbalctl sets it.
    bool answersOnlyAcceptedUpgrade = false;

    // Called with every verified frame, in order (for tests and fuzzing).
    std::function<void(const uint8_t* frame, std::size_t size)> frameObserver;

    // ---- upgrade::UpgradeLink ----
    bool linkIsOpen() const override { return open_; }
    const FirmwareVariables& linkFirmware() const override { return firmware_; }
    void beginUpgrade() override;
    int8_t upgradeState() const override { return state_; }
    void setUpgradeState(int8_t state) override { state_ = state; }
    int idleTicks() const override { return idleTicks_; }
    void countIdleTicks(int seen, int count) override {
        if (idleTicks_ == seen) idleTicks_ = count;
    }
    std::vector<upgrade::BlockReport> takeBlockReports() override;
    bool takeBootLoaderRestart() override { return bootLoader_.takeRestart(); }
    void writeFrame(const uint8_t* bytes, std::size_t size) override;
    void closeLink() override;

private:
    struct Write {
        std::vector<uint8_t> bytes;
        Millis queued = 0;
        bool block = false;  // a block answer: the pause follows it
    };
    struct PendingReport {
        upgrade::BlockReport report;
        uint64_t afterWrite;        // taken once this many writes have left
        std::optional<Millis> due;  // set when its block leaves: then plus the pause
    };

    void decodeFrames(const uint8_t* bytes, std::size_t count, bool quiet);
    void handleFrame(const uint8_t* frame);
    void queueWrite(std::vector<uint8_t> bytes, bool block);
    void blockTaken(uint64_t writeNumber);

    Millis pauseAfterBlock_;
    FirmwareVariables firmware_;
    ProtocolParserState parser_;
    bool open_ = false;
    Millis now_ = 0;

    std::deque<Write> writes_;
    uint64_t writesQueued_ = 0;
    uint64_t writesTaken_ = 0;
    Millis pausedUntil_ = 0;  // the next block answer leaves no earlier

    uint8_t statusCode_ = 0;
    int16_t values_[4] = {};

    int8_t state_ = 0;
    bool upgrading_ = false;  // from beginUpgrade to the supervision's closeLink
    std::optional<Millis> lastBlockOutsideUpgrade_;  // cleared when an upgrade or the line ends
    bool bootLoaderNoticeDue_ = false;
    bool bootLoaderSeenOnLine_ = false;
    int idleTicks_ = 0;
    std::deque<PendingReport> reports_;
    std::optional<upgrade::BlockReport> lastReport_;  // a repeat of it is no progress
    upgrade::BootLoaderWatch bootLoader_;
};

}  // namespace session
