// One request on Linux: the port object's reader thread fills the reply in,
// the main loop runs the window's status poll over it.

#include <chrono>

#include "gimbalctl/Request.h"
#include "gimbalctl/Session.h"
#include "serial/ULXSerialPort.h"

namespace gimbalctl {
namespace {

constexpr std::chrono::milliseconds kPollInterval{100};  // the window's status poll

std::optional<calibration::StatusReport> awaitReply(ULXSerialPort& port,
                                                    calibration::Request request,
                                                    std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!runLoopFor(kPollInterval) || !port.isOpen()) return std::nullopt;
        std::optional<calibration::StatusReport> r =
            calibration::pollStatus(&port, calibration::pageOf(request));
        if (r && answers(request, *r)) return r;
    }
    return std::nullopt;
}

}  // namespace

GimbalReply askGimbal(const std::string& path, calibration::Request request,
                      std::chrono::milliseconds timeout) {
    GimbalReply answer;
    OpenedPort opened = openPort(path);
    if (!opened.port) {
        answer.portError = opened.error;
        return answer;
    }
    ULXSerialPort& port = *opened.port;
    port.m_MessageShow_Flag = 255;  // no greeting: only the answer counts
    calibration::sendRequest(&port, request);
    answer.report = awaitReply(port, request, timeout);
    // Only the device going away closes the port behind gimbalctl's back.
    answer.lineGone = !port.isOpen();
    answer.data[0] = port.m_Recv_Data_0;
    answer.data[1] = port.m_Recv_Data_1;
    answer.data[2] = port.m_Recv_Data_2;
    answer.data[3] = port.m_Recv_Data_3;
    port.close();
    return answer;
}

}  // namespace gimbalctl
