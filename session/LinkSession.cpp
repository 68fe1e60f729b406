#include "session/LinkSession.h"

#include <algorithm>
#include <array>

#include "protocol/Frame.h"
#include "protocol/FrameScanner.h"
#include "protocol/Reply.h"
#include "upgrade/BlockAnswer.h"

namespace session {

LinkSession::LinkSession(Millis pauseAfterBlock) : pauseAfterBlock_(pauseAfterBlock) {}

upgrade::FileChoice LinkSession::fileChoice(Millis now) const {
    return upgrade::fileChoice(upgrading_, lastBlockOutsideUpgrade_, std::max(now_, now));
}

bool LinkSession::setFirmware(FirmwareVariables firmware, Millis now) {
    advance(now);
    if (!fileChoice(now_).allowed) return false;
    firmware_ = std::move(firmware);
    return true;
}

void LinkSession::opened(Millis now) {
    closed();
    open_ = true;
    advance(now);
    pausedUntil_ = now_;
}

void LinkSession::closed() {
    open_ = false;
    parser_.reset();
    writes_.clear();
    writesTaken_ = writesQueued_;
    reports_.clear();
    // Nothing here serves the gimbal any more: its next requests are a new sighting.
    lastBlockOutsideUpgrade_.reset();
    bootLoaderSeenOnLine_ = false;
    bootLoaderNoticeDue_ = false;
}

void LinkSession::closeLink() {
    closed();  // the upgrade's end ends its transfer
    upgrading_ = false;
    bootLoader_.endUpgrade();
}

void LinkSession::advance(Millis now) { now_ = std::max(now_, now); }

void LinkSession::received(const uint8_t* bytes, std::size_t count, Millis now) {
    advance(now);
    if (open_ && bytes != nullptr && count > 0) decodeFrames(bytes, count, false);
}

void LinkSession::lineQuiet(Millis now) {
    advance(now);
    if (open_) decodeFrames(nullptr, 0, true);
}

void LinkSession::decodeFrames(const uint8_t* bytes, std::size_t count, bool quiet) {
    FrameScanner scanner(bytes, count,
                         quiet ? FrameScanner::AtEnd::Abandon : FrameScanner::AtEnd::KeepPartial);
    std::array<uint8_t, frame::kReceiveBufferSize> f;
    while (scanner.next(parser_, f.data())) {
        if (frameObserver) frameObserver(f.data(), frame::lengthField(f.data()) + 2);
        handleFrame(f.data());
    }
}

void LinkSession::handleFrame(const uint8_t* f) {
    const protocol::DecodedFrame d = protocol::decodeFrame(f);
    if (d.kind == protocol::DecodedFrame::Kind::kReply) {
        std::copy(d.value, d.value + d.valueCount, values_);
        statusCode_ = d.code;
        return;
    }
    if (d.kind != protocol::DecodedFrame::Kind::kUpgrade) return;
    if (!upgrading_ && f[5] == frame::kBlock) {
        // A new sighting of a gimbal in its boot loader: its first request on
        // this line, or the first since it left the boot loader.
        if (!bootLoaderSeenOnLine_ || !bootLoader_.inBootLoader(now_)) bootLoaderNoticeDue_ = true;
        bootLoaderSeenOnLine_ = true;
    }
    if (f[5] != frame::kBlock) {
        bootLoader_.heard(now_);
    } else if (bootLoader_.blockRequest(f[4], f[6], firmware_.update_range,
                                        state_ == upgrade::kStateTransferring ||
                                            state_ == upgrade::kStateOwnBoardDone,
                                        now_)) {
        return;  // a boot loader's request after a restart: the upgrade begins again
    }

    upgrade::UpgradeFrameAnswer a =
        upgrade::answerUpgradeFrame(firmware_, state_, f, answersOnlyAcceptedUpgrade);
    const bool block = a.pauseAfterFrame && !a.frame.empty();
    if (block && !upgrading_ && upgrade::answersFromFile(firmware_)) {
        lastBlockOutsideUpgrade_ = now_;  // a loaded file answered: it is in use
    }
    if (!a.frame.empty()) queueWrite(std::move(a.frame), block);
    if (a.resetIdleCount) idleTicks_ = 0;
    if (a.newState) state_ = *a.newState;
    if (a.report) {
        // A block's report waits for its block to leave and the pause after
        // it (its time is set then); a request past the end waits for the
        // pause of the last block taken; a relay report only for the writes
        // before it.
        std::optional<Millis> due;
        if (!a.pauseAfterFrame) due = now_;
        reports_.push_back({*a.report, writesQueued_, due});
    }
}

void LinkSession::queueWrite(std::vector<uint8_t> bytes, bool block) {
    writes_.push_back({std::move(bytes), now_, block});
    ++writesQueued_;
}

std::vector<std::vector<uint8_t>> LinkSession::takeDueWrites(Millis now) {
    advance(now);
    std::vector<std::vector<uint8_t>> due;
    bool blockTakenNow = false;
    while (!writes_.empty()) {
        Write& w = writes_.front();
        if (w.block && (blockTakenNow || now_ < pausedUntil_)) break;
        due.push_back(std::move(w.bytes));
        const bool block = w.block;
        writes_.pop_front();
        ++writesTaken_;
        if (block) {
            blockTakenNow = true;
            pausedUntil_ = now_ + pauseAfterBlock_;
            blockTaken(writesTaken_);
        }
    }
    return due;
}

void LinkSession::blockTaken(uint64_t writeNumber) {
    for (PendingReport& r : reports_) {
        if (r.afterWrite > writeNumber) break;
        if (r.afterWrite == writeNumber && !r.due) r.due = pausedUntil_;
    }
}

std::optional<Millis> LinkSession::nextWriteTime() const {
    if (writes_.empty()) return std::nullopt;
    const Write& w = writes_.front();
    return w.block ? std::max(w.queued, pausedUntil_) : w.queued;
}

bool LinkSession::sendRequest(calibration::Request request, Millis now) {
    if (!open_) return false;
    advance(now);
    queueWrite(calibration::requestFrame(request), false);
    return true;
}

std::optional<calibration::StatusReport> LinkSession::pollStatus(int pageSelected) {
    const uint8_t code = statusCode_;
    std::optional<calibration::StatusReport> report =
        calibration::describeStatus(code, values_, pageSelected, open_);
    if (report && code <= calibration::kLastShownOnceCode) statusCode_ = calibration::kShownCode;
    return report;
}

void LinkSession::beginUpgrade() {
    state_ = upgrade::kStateRequesting;
    idleTicks_ = 0;
    upgrading_ = true;
    reports_.clear();
    lastReport_.reset();
    bootLoader_.beginTry();
}

bool LinkSession::gimbalInBootLoader(Millis now) const {
    return bootLoader_.inBootLoader(std::max(now_, now));
}

std::vector<upgrade::BlockReport> LinkSession::takeBlockReports() {
    std::vector<upgrade::BlockReport> ready;
    while (!reports_.empty() && reports_.front().afterWrite <= writesTaken_ &&
           reports_.front().due.value_or(pausedUntil_) <= now_) {
        const upgrade::BlockReport report = reports_.front().report;
        reports_.pop_front();
        ready.push_back(report);
        // Progress, and the timeout starts over; a block asked for again is none.
        if (report != lastReport_) idleTicks_ = 0;
        lastReport_ = report;
    }
    return ready;
}

void LinkSession::writeFrame(const uint8_t* bytes, std::size_t size) {
    if (!open_ || bytes == nullptr) return;
    queueWrite(std::vector<uint8_t>(bytes, bytes + size), false);
}

}  // namespace session
