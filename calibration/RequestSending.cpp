// A calibration or query request written on a port object.

#include "calibration/CalibrationRequest.h"
#include "serial/ULXSerialPort.h"

namespace calibration {

bool sendRequest(ULXSerialPort* port, Request request) {
    if (!port || !port->isOpen()) return false;
    const std::vector<uint8_t> frame = requestFrame(request);
    port->sendDataWithLen(frame.data(), static_cast<int>(frame.size()));
    return true;
}

}  // namespace calibration
