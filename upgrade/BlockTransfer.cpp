// The port-object side of a firmware upgrade, on the serial reader's thread:
// the gimbal's upgrade answer, block requests, block reports and final report
// update the upgrade state, and every block request is answered at once with
// its block frame (or the end-of-image frame) built from the loaded file.

#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "protocol/Frame.h"
#include "serial/ULXSerialPort.h"
#include "upgrade/FirmwareVariables.h"

FirmwareVariables& firmwareVariables() {
    static FirmwareVariables variables;
    return variables;
}

std::mutex& firmwareVariablesMutex() {
    static std::mutex mutex;
    return mutex;
}

void installFirmwareVariables(FirmwareVariables variables) {
    std::lock_guard lock(firmwareVariablesMutex());
    firmwareVariables() = std::move(variables);
}

namespace {
std::atomic<std::chrono::milliseconds::rep> pauseAfterBlockMs{kDefaultPauseAfterBlock.count()};
}  // namespace

void setPauseAfterBlock(std::chrono::milliseconds pause) { pauseAfterBlockMs = pause.count(); }

std::chrono::milliseconds pauseAfterBlock() {
    return std::chrono::milliseconds(pauseAfterBlockMs.load());
}

namespace {

constexpr int kBlockHeader = 5;  // id, command, block number, 16-bit data length
constexpr int kDataOffset = 9;   // first data byte of a block frame

enum SendResult : int8_t { kBlockWritten = 0, kEndOfImageWritten = 1, kPastTheEnd = 2 };

using FrameBuffer = std::array<uint8_t, FirmwareVariables::Blocksize + frame::kOverhead + 3>;

// One block of an image: where it starts in FileBuffer and how many bytes it has.
struct BlockPlan {
    int8_t result = kPastTheEnd;
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

// Copies the planned bytes into the frame buffer. A plan that would read
// outside FileBuffer writes nothing and answers "past the end".
int8_t copyBlock(const BlockPlan& plan, const FirmwareVariables& v, FrameBuffer& buffer) {
    if (plan.result != kBlockWritten) return plan.result;
    const auto available = static_cast<int64_t>(v.FileBuffer.size());
    if (plan.offset < 0 || plan.size <= 0 || plan.size > FirmwareVariables::Blocksize ||
        plan.offset > available - plan.size) {
        return kPastTheEnd;
    }
    std::memcpy(buffer.data() + kDataOffset, v.FileBuffer.data() + plan.offset,
                static_cast<std::size_t>(plan.size));
    return kBlockWritten;
}

// Fills in the block header; returns the content count for ComSendData.
int blockHeader(FrameBuffer& buffer, int gimbalId, int block, int64_t size) {
    buffer[4] = static_cast<uint8_t>(gimbalId);
    buffer[5] = frame::kBlock;
    buffer[6] = static_cast<uint8_t>(block);
    buffer[7] = static_cast<uint8_t>(size & 0xFF);
    buffer[8] = static_cast<uint8_t>(size >> 8);
    return kBlockHeader + static_cast<int>(size);
}

// The single image, served to the board `gimbalId`.
int8_t sendSingleImage(ULXSerialPort& port, int block, int gimbalId) {
    FrameBuffer buffer;
    BlockPlan plan;
    int8_t result;
    {
        std::lock_guard lock(firmwareVariablesMutex());
        const FirmwareVariables& v = firmwareVariables();
        plan = planBlock(block, 0, v.iFileLength, v.Blocknum, v.LastBlock);
        result = copyBlock(plan, v, buffer);
    }
    if (result == kPastTheEnd) return result;
    port.ComSendData(buffer.data(), blockHeader(buffer, gimbalId, block, plan.size));
    // Only the single image moves on to the gimbal's reports for the other boards.
    if (result == kEndOfImageWritten) port.iapstate = 3;
    return result;
}

}  // namespace

void ULXSerialPort::Upgrade() {
    iapstate = 1;
    timer_count = 0;
    IDNum = 0;
    fnum.store(0, std::memory_order_release);
}

int8_t ULXSerialPort::SendFirwareData(int block) { return sendSingleImage(*this, block, 3); }
int8_t ULXSerialPort::SendFirwareData0x02(int block) { return sendSingleImage(*this, block, 2); }
int8_t ULXSerialPort::SendFirwareData0x01(int block) { return sendSingleImage(*this, block, 1); }

int8_t ULXSerialPort::SendFirwareData2(int block, int gimbalId) {
    if (gimbalId < 1 || gimbalId > 3) return kBlockWritten;  // nothing written
    FrameBuffer buffer;
    BlockPlan plan;
    int8_t result;
    {
        std::lock_guard lock(firmwareVariablesMutex());
        const FirmwareVariables& v = firmwareVariables();
        // The three images lie back to back: ID1, then ID2, then ID3.
        int64_t start = 0;
        for (int k = 1; k < gimbalId; ++k) start += v.iFileLength_id[k];
        plan = planBlock(block, start, v.iFileLength_id[gimbalId], v.Blocknum_id[gimbalId],
                         v.LastBlock_id[gimbalId]);
        result = copyBlock(plan, v, buffer);
    }
    if (result == kPastTheEnd) return result;
    ComSendData(buffer.data(), blockHeader(buffer, gimbalId, block, plan.size));
    return result;
}

void ULXSerialPort::handleUpgradeFrame(const uint8_t* f) {
    const uint8_t id = f[4];
    const uint8_t command = f[5];
    const uint8_t k = f[6];

    // The supervision reads fnum (acquire) before IDNum, so it never sees a
    // new block number with the board of an older one.
    auto record = [&](int board) {
        timer_count = 0;
        IDNum = board;
        fnum.store(k + 1, std::memory_order_release);
    };
    // After the pause the session may be over: nothing is recorded for it then.
    auto pause = [this] {
        std::this_thread::sleep_for(pauseAfterBlock());
        return !readerSessionEnded();
    };
    auto updateRange = [] {
        std::lock_guard lock(firmwareVariablesMutex());
        return firmwareVariables().update_range;
    };

    switch (command) {
        case frame::kUpgradeRequest:
            if (k == 0xFF) {
                timer_count = 0;
                iapstate = 2;
            } else if (k == 1 || k == 2) {
                iapstate = 9;
            }
            break;
        case frame::kBlock: {
            if (answersOnlyAcceptedUpgrade && iapstate != 2 && iapstate != 3) break;
            const int8_t ur = updateRange();
            if (id == 3) {
                const int8_t r = (ur == 3) ? SendFirwareData(k) : SendFirwareData2(k, 3);
                if (pause() && (r == kBlockWritten || r == kEndOfImageWritten)) record(0);
            } else if (id == 2) {
                if (ur == 2) {
                    SendFirwareData0x02(k);
                } else {
                    SendFirwareData2(k, 2);
                }
                if (pause()) record(1);
            } else if (id == 1 && ur != 3) {
                SendFirwareData2(k, 1);
                if (pause()) record(2);
            }
            break;
        }
        case frame::kBlockReport:
            if (iapstate != 3) break;
            if (id == 2) record(1);
            if (id == 1) record(2);
            break;
        case frame::kFinalReport:
            if (k == 1) iapstate = 9;
            break;
        default:
            break;
    }
}
