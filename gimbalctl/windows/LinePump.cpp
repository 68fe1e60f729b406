#include "gimbalctl/windows/LinePump.h"

#include <algorithm>

#include "gimbalctl/Stop.h"

namespace gimbalctl::windows {
namespace {
// The longest wait of one turn: how soon a stop is noticed.
constexpr protocol::Millis kLongestWait = 20;
}  // namespace

LinePump::LinePump(SerialLine& line, protocol::LinkSession& session)
    : line_(line), session_(session), lastByte_(now()) {}

protocol::Millis LinePump::now() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
        .count();
}

bool LinePump::writeDue() {
    for (const std::vector<uint8_t>& bytes : session_.takeDueWrites(now())) {
        if (!line_.write(bytes)) return false;
    }
    return true;
}

bool LinePump::runUntil(Clock::time_point until) {
    const protocol::Millis end =
        now() + std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
    uint8_t buffer[512];
    while (!gone_ && stopRequested() == 0) {
        if (!writeDue()) {
            gone_ = true;
            break;
        }
        const protocol::Millis at = now();
        if (at >= end) return true;
        protocol::Millis wait = std::min(end - at, kLongestWait);
        if (const std::optional<protocol::Millis> next = session_.nextWriteTime()) {
            wait = std::min(wait, std::max<protocol::Millis>(*next - at, 1));
        }
        const int n = line_.read(buffer, sizeof buffer, static_cast<int>(wait));
        if (n < 0) {
            gone_ = true;
            break;
        }
        if (n > 0) {
            lastByte_ = now();
            quietTold_ = false;
            session_.received(buffer, static_cast<std::size_t>(n), lastByte_);
        } else if (!quietTold_ && now() - lastByte_ >= protocol::LinkSession::kQuietAfter) {
            session_.lineQuiet(now());
            quietTold_ = true;
        }
    }
    return false;
}

}  // namespace gimbalctl::windows
