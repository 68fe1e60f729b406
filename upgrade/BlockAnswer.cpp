#include "upgrade/BlockAnswer.h"

#include <cstring>

#include "protocol/Frame.h"

namespace upgrade {
namespace {

constexpr int kBlockHeader = 5;  // id, command, block number, 16-bit data length
constexpr int kDataOffset = 9;   // first data byte of a block frame

// One block of an image: where it starts in FileBuffer and how many bytes it has.
struct BlockPlan {
    SendResult result = kPastTheEnd;
    int64_t offset = 0;
    int64_t size = 0;
};

// Block `block` of an image that starts at `imageStart`, has `full` full blocks
// and, when `last` is 1, a shorter last block ending at imageStart + imageLength.
BlockPlan planBlock(int block, int64_t imageStart, int64_t imageLength, int64_t full,
                    int64_t last) {
    const int64_t count = full + last;
    if (block < 0 || block > count) return {};
    if (block == count) return {kEndOfImageWritten, 0, 0};
    const int64_t size = (last == 1 && block >= full)
                             ? imageLength - full * FirmwareVariables::Blocksize
                             : FirmwareVariables::Blocksize;
    return {kBlockWritten, imageStart + int64_t{block} * FirmwareVariables::Blocksize, size};
}

}  // namespace

SendResult buildBlockFrame(const FirmwareVariables& v, int block, int gimbalId, bool singleImage,
                           std::vector<uint8_t>& frame) {
    BlockPlan plan;
    if (singleImage) {
        plan = planBlock(block, 0, v.iFileLength, v.Blocknum, v.LastBlock);
    } else {
        // The three images lie back to back: ID1, then ID2, then ID3.
        int64_t start = 0;
        for (int k = 1; k < gimbalId; ++k) start += v.iFileLength_id[k];
        plan = planBlock(block, start, v.iFileLength_id[gimbalId], v.Blocknum_id[gimbalId],
                         v.LastBlock_id[gimbalId]);
    }
    if (plan.result == kBlockWritten) {
        // A plan that would read outside FileBuffer builds nothing.
        const auto available = static_cast<int64_t>(v.FileBuffer.size());
        if (plan.offset < 0 || plan.size <= 0 || plan.size > FirmwareVariables::Blocksize ||
            plan.offset > available - plan.size) {
            return kPastTheEnd;
        }
    }
    if (plan.result == kPastTheEnd) return kPastTheEnd;

    const auto size = static_cast<std::size_t>(plan.size);
    frame.assign(kDataOffset + size + 2, 0);
    frame[4] = static_cast<uint8_t>(gimbalId);
    frame[5] = frame::kBlock;
    frame[6] = static_cast<uint8_t>(block);
    frame[7] = static_cast<uint8_t>(size & 0xFF);
    frame[8] = static_cast<uint8_t>(size >> 8);
    if (size > 0) std::memcpy(frame.data() + kDataOffset, v.FileBuffer.data() + plan.offset, size);
    frame::completeFrame(frame.data(), kBlockHeader + size);
    return plan.result;
}

UpgradeFrameAnswer answerUpgradeFrame(const FirmwareVariables& v, int8_t state, const uint8_t* f,
                                      bool onlyAcceptedUpgrade) {
    const uint8_t id = f[4];
    const uint8_t command = f[5];
    const uint8_t k = f[6];
    const int8_t ur = v.update_range;
    UpgradeFrameAnswer a;
    // Answers block k for board `gimbalId`; only the single image moves on to
    // the gimbal's reports for the other boards once its end is written.
    auto answer = [&](int gimbalId, bool single) {
        const SendResult r = buildBlockFrame(v, k, gimbalId, single, a.frame);
        a.pauseAfterFrame = true;  // a request past the end is paused after as well
        if (single && r == kEndOfImageWritten) a.newState = kStateOwnBoardDone;
        return r;
    };

    switch (command) {
        case frame::kUpgradeRequest:
            if (k == 0xFF) {
                a.resetIdleCount = true;
                a.newState = kStateTransferring;
            } else if (k == 1 || k == 2) {
                a.newState = kStateFailed;
            }
            break;
        case frame::kBlock:
            if (onlyAcceptedUpgrade && state != kStateTransferring && state != kStateOwnBoardDone) {
                break;
            }
            if (id == 3) {
                if (answer(3, ur == 3) != kPastTheEnd) a.report = BlockReport{0, k + 1};
            } else if (id == 2) {
                answer(2, ur == 2);
                a.report = BlockReport{1, k + 1};
            } else if (id == 1 && ur != 3) {
                answer(1, false);
                a.report = BlockReport{2, k + 1};
            }
            break;
        case frame::kBlockReport:
            if (state != kStateOwnBoardDone) break;
            if (id == 2) a.report = BlockReport{1, k + 1};
            if (id == 1) a.report = BlockReport{2, k + 1};
            break;
        case frame::kFinalReport:
            if (k == 1) a.newState = kStateFailed;
            break;
        default:
            break;
    }
    return a;
}

}  // namespace upgrade
