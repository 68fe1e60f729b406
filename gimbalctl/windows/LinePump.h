#pragma once
// Moves bytes between a COM port and the link session that decides what they
// mean: what arrives goes into the session, the session's writes leave when
// their time comes (a block answer 0.2 s after the one before), and a line
// silent for 0.1 s gives up a partial frame. One thread, no spinning: each
// turn waits on the line's read for at most the time to the next write.

#include <chrono>

#include "gimbalctl/windows/SerialLine.h"
#include "protocol/LinkSession.h"

namespace gimbalctl::windows {

class LinePump {
public:
    using Clock = std::chrono::steady_clock;

    LinePump(SerialLine& line, protocol::LinkSession& session);

    // The session's clock: milliseconds of the steady clock.
    static protocol::Millis now();

    // Runs until `until`; false, sooner, when a stop is asked for or the line
    // went away (lineGone()).
    bool runUntil(Clock::time_point until);
    bool lineGone() const { return gone_; }

private:
    bool writeDue();

    SerialLine& line_;
    protocol::LinkSession& session_;
    protocol::Millis lastByte_;
    bool quietTold_ = true;  // nothing partial since the last byte
    bool gone_ = false;
};

}  // namespace gimbalctl::windows
