// One request on Windows: the link session decodes the reply, the window's
// status poll reads it every 0.1 s.

#include "gimbalctl/Request.h"
#include "gimbalctl/windows/LinePump.h"

namespace gimbalctl {

GimbalReply askGimbal(const std::string& path, calibration::Request request,
                      std::chrono::milliseconds timeout) {
    using windows::LinePump;
    constexpr std::chrono::milliseconds kPollInterval{100};  // the window's status poll
    GimbalReply answer;
    windows::SerialLine::Opened opened = windows::SerialLine::open(path);
    if (!opened.line) {
        answer.portError = opened.error;
        return answer;
    }
    protocol::LinkSession session;
    LinePump pump(*opened.line, session);
    session.opened(LinePump::now());
    session.sendRequest(request, LinePump::now());
    const auto deadline = LinePump::Clock::now() + timeout;
    while (LinePump::Clock::now() < deadline) {
        if (!pump.runUntil(LinePump::Clock::now() + kPollInterval)) break;
        std::optional<calibration::StatusReport> r =
            session.pollStatus(calibration::pageOf(request));
        if (r && answers(request, *r)) {
            answer.report = r;
            break;
        }
    }
    answer.lineGone = pump.lineGone();
    std::copy(session.replyValues(), session.replyValues() + 4, answer.data);
    opened.line->close();
    return answer;
}

}  // namespace gimbalctl
