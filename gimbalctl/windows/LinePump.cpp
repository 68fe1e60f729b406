#include "gimbalctl/windows/LinePump.h"

#include <algorithm>

#include "platform/SteadyMillis.h"
#include "unitupgrade/Stop.h"

namespace gimbalctl::windows {
namespace {
// The longest wait of one turn: how soon a stop is noticed.
constexpr protocol::Millis kLongestWait = 20;
}  // namespace

LinePump::LinePump(SerialLine& line, session::LinkSession& session)
    : line_(line), session_(session), lastByte_(steadyMillis()) {}

bool LinePump::writeDue() {
    for (const std::vector<uint8_t>& bytes : session_.takeDueWrites(steadyMillis())) {
        if (!line_.write(bytes)) return false;
    }
    return true;
}

bool LinePump::runUntil(Clock::time_point until) {
    const protocol::Millis end =
        steadyMillis() +
        std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
    uint8_t buffer[512];
    while (!gone_ && stopRequested() == 0) {
        if (!writeDue()) {
            gone_ = true;
            break;
        }
        // Every turn reads, however late it is: what the gimbal sent while
        // this thread was held up is taken in before any tick is run.
        const protocol::Millis at = steadyMillis();
        protocol::Millis wait = std::clamp<protocol::Millis>(end - at, 0, kLongestWait);
        if (const std::optional<protocol::Millis> next = session_.nextWriteTime()) {
            wait = std::min(wait, std::max<protocol::Millis>(*next - at, 0));
        }
        const int n = line_.read(buffer, sizeof buffer, static_cast<int>(wait));
        if (n < 0) {
            gone_ = true;
            break;
        }
        const protocol::Millis after = steadyMillis();
        if (n > 0) {
            lastByte_ = after;
            quietTold_ = false;
            session_.received(buffer, static_cast<std::size_t>(n), after);
        } else if (!quietTold_ && after - lastByte_ >= session::LinkSession::kQuietAfter) {
            session_.lineQuiet(after);
            quietTold_ = true;
        }
        // Done when the time is up and nothing more waits to be read; what
        // just arrived is answered before the caller's tick.
        if (after >= end && n < static_cast<int>(sizeof buffer)) {
            if (writeDue()) return true;
            gone_ = true;
        }
    }
    return false;
}

}  // namespace gimbalctl::windows
