#pragma once
// One open line to a gimbal as gimbalctl's commands drive it, on each
// system's own means: the port object with its reader thread on Linux
// (PortLine.cpp), a COM port pumped into the link session on Windows
// (windows/ComLine.cpp). The commands' loops (UpgradeLoop.cpp, AskGimbal.cpp)
// are written once over it.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "calibration/CalibrationRequest.h"
#include "calibration/StatusReport.h"
#include "upgrade/UpgradeLink.h"

namespace gimbalctl {

class GimbalLine {
public:
    using Clock = std::chrono::steady_clock;
    virtual ~GimbalLine() = default;

    // Moves bytes until `until`, looking at the line at least once even when
    // `until` has passed; false, sooner, when a stop is asked for or the line
    // went away (lineGone()).
    virtual bool runUntil(Clock::time_point until) = 0;
    virtual bool lineGone() const = 0;

    // The line as the upgrade supervision sees it.
    virtual upgrade::UpgradeLink& upgradeLink() = 0;

    // A request written at once, and the status poll over its reply.
    virtual void sendRequest(calibration::Request request) = 0;
    virtual std::optional<calibration::StatusReport> pollStatus(int pageSelected) = 0;
    // The last reply's four values as received.
    virtual void replyValues(int16_t out[4]) const = 0;
    // The gimbal asked for blocks on its own lately: it is in its boot loader
    // (upgrade/BootLoader.h).
    virtual bool gimbalInBootLoader() const = 0;

    // Puts the line's settings back and closes it; again is harmless.
    virtual void close() = 0;
};

struct OpenedLine {
    std::unique_ptr<GimbalLine> line;  // open, or none
    std::string error;                 // why not, in the system's words, when none
};

// Opens the port `path` for gimbalctl: no greeting shown, and a block request
// answered only once the gimbal has accepted this run's upgrade request.
OpenedLine openGimbalLine(const std::string& path);

}  // namespace gimbalctl
