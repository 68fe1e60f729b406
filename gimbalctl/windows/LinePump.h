#pragma once
// Moves bytes between a COM port and the link session that decides what they
// mean: what arrives goes into the session, the session's writes leave when
// their time comes (a block answer 0.2 s after the one before left), and a
// line silent for 0.1 s gives up a partial frame. One thread, no spinning:
// each turn reads the line, waiting at most until the next write is due.

#include <chrono>

#include "gimbalctl/windows/SerialLine.h"
#include "session/LinkSession.h"

namespace gimbalctl::windows {

class LinePump {
public:
    using Clock = std::chrono::steady_clock;

    LinePump(SerialLine& line, session::LinkSession& session);

    // Runs until `until`, reading the line at least once even when `until`
    // has passed; false, sooner, when a stop is asked for or the line went
    // away (lineGone()).
    bool runUntil(Clock::time_point until);
    bool lineGone() const { return gone_; }

private:
    bool writeDue();

    SerialLine& line_;
    session::LinkSession& session_;
    protocol::Millis lastByte_;
    bool quietTold_ = true;  // nothing partial since the last byte
    bool gone_ = false;
};

}  // namespace gimbalctl::windows
