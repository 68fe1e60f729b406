#pragma once
// The calibration and query requests: one frame each, written and not awaited.
// The reply comes back as a status code on the port (see StatusReport.h).

#include <cstdint>
#include <vector>

#include "translations/Marked.h"

class ULXSerialPort;

namespace calibration {

inline constexpr const char* kPortNotOpenMessage = N_("The Serial Port Is Not Open!");

enum class Request {
    kInitGyro,
    kCalibrAcc,
    kReadAcc,
    kResetAcc,
    kSaveAll,
    kReadVer,
    kJoystickUp,
    kJoystickDown,
    kJoystickLeft,
    kJoystickRight,
    kJoystickMiddle,
    kJoystickSave,
};

// The request's whole frame.
std::vector<uint8_t> requestFrame(Request request);

// Writes the request's frame in one write; false, and nothing written, when
// the port is absent or closed.
bool sendRequest(ULXSerialPort* port, Request request);

// The status codes that answer the request: its success code first, then its
// failure code if it has one. A joystick save is answered like a save of all
// parameters.
std::vector<uint8_t> replyCodes(Request request);

// The page whose texts the status poll uses for the answer (TabSelectNum):
// 3 for the joystick requests, 2 for the others.
int pageOf(Request request);

}  // namespace calibration
