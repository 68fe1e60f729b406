#include "protocol/LinkSession.h"

#include <algorithm>
#include <array>

#include "protocol/Frame.h"
#include "protocol/FrameScanner.h"
#include "protocol/Reply.h"
#include "upgrade/BlockAnswer.h"

namespace protocol {

LinkSession::LinkSession(Millis pauseAfterBlock) : pauseAfterBlock_(pauseAfterBlock) {}

void LinkSession::setFirmware(FirmwareVariables firmware) { firmware_ = std::move(firmware); }

void LinkSession::opened(Millis now) {
    closed();
    open_ = true;
    now_ = now;
    pausedUntil_ = now;
}

void LinkSession::closed() {
    open_ = false;
    parser_.reset();
    writes_.clear();
    writesTaken_ = writesQueued_;
    reports_.clear();
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
    const DecodedFrame d = decodeFrame(f);
    if (d.kind == DecodedFrame::Kind::kReply) {
        std::copy(d.value, d.value + d.valueCount, values_);
        statusCode_ = d.code;
        return;
    }
    if (d.kind != DecodedFrame::Kind::kUpgrade) return;

    upgrade::UpgradeFrameAnswer a =
        upgrade::answerUpgradeFrame(firmware_, state_, f, answersOnlyAcceptedUpgrade);
    Millis leaves = now_;
    if (a.pauseAfterFrame) {
        leaves = std::max(now_, pausedUntil_);
        pausedUntil_ = leaves + pauseAfterBlock_;
    }
    if (!a.frame.empty()) queueWrite(std::move(a.frame), leaves);
    if (a.resetIdleCount) idleTicks_ = 0;
    if (a.newState) state_ = *a.newState;
    if (a.report) {
        const Millis due = a.pauseAfterFrame ? pausedUntil_ : now_;
        reports_.push_back({*a.report, writesQueued_, due});
    }
}

void LinkSession::queueWrite(std::vector<uint8_t> bytes, Millis notBefore) {
    // Writes leave in order: none is due before the one queued ahead of it.
    if (!writes_.empty()) notBefore = std::max(notBefore, writes_.back().notBefore);
    writes_.push_back({std::move(bytes), notBefore});
    ++writesQueued_;
}

std::vector<std::vector<uint8_t>> LinkSession::takeDueWrites(Millis now) {
    advance(now);
    std::vector<std::vector<uint8_t>> due;
    while (!writes_.empty() && writes_.front().notBefore <= now_) {
        due.push_back(std::move(writes_.front().bytes));
        writes_.pop_front();
        ++writesTaken_;
    }
    return due;
}

std::optional<Millis> LinkSession::nextWriteTime() const {
    if (writes_.empty()) return std::nullopt;
    return writes_.front().notBefore;
}

bool LinkSession::sendRequest(calibration::Request request, Millis now) {
    if (!open_) return false;
    advance(now);
    queueWrite(calibration::requestFrame(request), now_);
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
    reports_.clear();
}

std::vector<upgrade::BlockReport> LinkSession::takeBlockReports() {
    std::vector<upgrade::BlockReport> ready;
    while (!reports_.empty() && reports_.front().afterWrite <= writesTaken_ &&
           reports_.front().due <= now_) {
        ready.push_back(reports_.front().report);
        reports_.pop_front();
        idleTicks_ = 0;  // progress: the timeout starts over
    }
    return ready;
}

void LinkSession::writeFrame(const uint8_t* bytes, std::size_t size) {
    if (!open_ || bytes == nullptr) return;
    queueWrite(std::vector<uint8_t>(bytes, bytes + size), now_);
}

}  // namespace protocol
