// gimbalctl's line on Windows: a COM port pumped into the link session, which
// answers the gimbal; all on the calling thread.

#include <algorithm>

#include "gimbalctl/windows/LinePump.h"
#include "platform/SteadyMillis.h"
#include "unitupgrade/GimbalLine.h"
#include "upgrade/FirmwareVariables.h"

namespace gimbalctl {
namespace {

class ComLine : public GimbalLine {
public:
    explicit ComLine(std::unique_ptr<windows::SerialLine> line)
        : line_(std::move(line)), pump_(*line_, session_) {
        session_.setFirmware(firmwareVariables(), steadyMillis());
        session_.answersOnlyAcceptedUpgrade = true;  // never a block for an earlier run's request
        session_.opened(steadyMillis());
    }

    bool runUntil(Clock::time_point until) override { return pump_.runUntil(until); }
    bool lineGone() const override { return pump_.lineGone(); }

    upgrade::UpgradeLink& upgradeLink() override { return session_; }

    void sendRequest(calibration::Request request) override {
        session_.sendRequest(request, steadyMillis());
    }
    std::optional<calibration::StatusReport> pollStatus(int pageSelected) override {
        return session_.pollStatus(pageSelected);
    }
    void replyValues(int16_t out[4]) const override {
        std::copy(session_.replyValues(), session_.replyValues() + 4, out);
    }
    bool gimbalInBootLoader() const override { return session_.gimbalInBootLoader(steadyMillis()); }

    void close() override { line_->close(); }  // puts the line's settings back

private:
    std::unique_ptr<windows::SerialLine> line_;
    session::LinkSession session_;
    windows::LinePump pump_;
};

}  // namespace

OpenedLine openGimbalLine(const std::string& path) {
    windows::SerialLine::Opened opened = windows::SerialLine::open(path);
    if (!opened.line) return {nullptr, opened.error};
    return {std::make_unique<ComLine>(std::move(opened.line)), {}};
}

}  // namespace gimbalctl
