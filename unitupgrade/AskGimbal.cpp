// One request on any system: written at once (and again at each resend
// interval when asked), then the window's status poll every 0.1 s over the
// system's line (GimbalLine.h) until it shows an answer.

#include <algorithm>

#include "calibration/StatusReport.h"
#include "unitupgrade/GimbalLine.h"
#include "unitupgrade/Request.h"

namespace gimbalctl {

GimbalReply askGimbal(const std::string& path, calibration::Request request,
                      std::chrono::milliseconds timeout, std::chrono::milliseconds resendEvery) {
    GimbalReply answer;
    OpenedLine opened = openGimbalLine(path);
    if (!opened.line) {
        answer.portError = opened.error;
        return answer;
    }
    GimbalLine& line = *opened.line;
    line.sendRequest(request);
    const auto poll = std::chrono::milliseconds(calibration::kStatusPollMs);
    const auto deadline = GimbalLine::Clock::now() + timeout;
    auto nextSend = GimbalLine::Clock::now() + resendEvery;
    while (GimbalLine::Clock::now() < deadline) {
        if (!line.runUntil(std::min(GimbalLine::Clock::now() + poll, deadline))) break;
        std::optional<calibration::StatusReport> r = line.pollStatus(calibration::pageOf(request));
        if (r && answers(request, *r)) {
            answer.report = r;
            break;
        }
        if (const auto now = GimbalLine::Clock::now(); resendEvery.count() > 0 && now >= nextSend) {
            line.sendRequest(request);
            nextSend = std::max(nextSend + resendEvery, now);  // no burst after a stall
        }
    }
    answer.lineGone = line.lineGone();
    answer.bootLoader = !answer.report && line.gimbalInBootLoader();
    line.replyValues(answer.data);
    line.close();
    return answer;
}

}  // namespace gimbalctl
