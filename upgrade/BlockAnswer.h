#pragma once
// What the link does with the gimbal's upgrade frames: the upgrade answer
// (0xE0), a block request (0xE3) answered with its block frame or the
// end-of-image frame, the relay reports of the other boards (0xE5) and the
// final report (0xE7). Decisions only: the caller writes the frame, keeps the
// pause after a block and records the report.

#include <cstdint>
#include <optional>
#include <vector>

#include "upgrade/FirmwareLayout.h"

namespace upgrade {

// Results of the block senders.
enum SendResult : int8_t { kBlockWritten = 0, kEndOfImageWritten = 1, kPastTheEnd = 2 };

// Upgrade states of the link: 0 idle, 1 requesting, 2 transferring, 3 own
// board done, 9 refused or failed, 10 complete.
inline constexpr int8_t kStateIdle = 0;
inline constexpr int8_t kStateRequesting = 1;
inline constexpr int8_t kStateTransferring = 2;
inline constexpr int8_t kStateOwnBoardDone = 3;
inline constexpr int8_t kStateFailed = 9;
inline constexpr int8_t kStateComplete = 10;

// A board's progress as the gimbal reported it: `board` 0 for ID3, 1 for ID2,
// 2 for ID1; `block` the blocks of that board dealt with (the end-of-image
// frame counts as one).
struct BlockReport {
    int board = 0;
    int block = 0;
    friend bool operator==(const BlockReport&, const BlockReport&) = default;
};

// Builds block `block` of the image for board `gimbalId` (1..3) into `frame`:
// the single image when `singleImage`, else that board's image of three. The
// block past the last is the end-of-image frame (no data); past that, or a
// block that would read outside the file, nothing is built.
SendResult buildBlockFrame(const FirmwareVariables& v, int block, int gimbalId, bool singleImage,
                           std::vector<uint8_t>& frame);

struct UpgradeFrameAnswer {
    std::vector<uint8_t> frame;         // to write at once, or empty
    bool pauseAfterFrame = false;       // a block answer: the next block waits the pause
    std::optional<int8_t> newState;     // the link's upgrade state changes
    bool resetIdleCount = false;        // the gimbal answered: the timeout starts over
    std::optional<BlockReport> report;  // recorded once the pause is over
};

// The answer to one verified upgrade frame `f` (command 0xE0, 0xE3, 0xE5 or
// 0xE7) with the link in upgrade state `state`. With onlyAcceptedUpgrade a
// block request is answered only while the gimbal has accepted an upgrade
// asked for on this link (states 2 and 3): a request left on the line by an
// earlier, interrupted run never gets a block of this file.
UpgradeFrameAnswer answerUpgradeFrame(const FirmwareVariables& v, int8_t state, const uint8_t* f,
                                      bool onlyAcceptedUpgrade = false);

}  // namespace upgrade
