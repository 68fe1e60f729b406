#pragma once
// One request to the gimbal on one port, and the reply the status poll shows
// for it: AskGimbal.cpp asks over each system's line (GimbalLine.h);
// RequestCommands.cpp judges and prints the reply the same way on both.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "calibration/CalibrationRequest.h"
#include "calibration/StatusReport.h"

namespace gimbalctl {

struct GimbalReply {
    std::optional<calibration::StatusReport> report;  // none: see below
    int16_t data[4] = {};                             // the reply's values as received
    std::string portError;    // the port could not be opened: why (one line)
    bool lineGone = false;    // the line went away while waiting
    bool bootLoader = false;  // no answer, and the gimbal asked for blocks on its own
};

// Opens the port, sends the request and runs the status poll until it shows
// an answer to the request, the time is up, a stop is asked for or the line
// goes away; closes the port. With resendEvery the request goes out again at
// that interval until answered (a gimbal that is restarting).
GimbalReply askGimbal(const std::string& path, calibration::Request request,
                      std::chrono::milliseconds timeout,
                      std::chrono::milliseconds resendEvery = std::chrono::milliseconds(0));

// The reply codes that answer `request`, as the status poll's loop compares them.
bool answers(calibration::Request request, const calibration::StatusReport& report);

}  // namespace gimbalctl
