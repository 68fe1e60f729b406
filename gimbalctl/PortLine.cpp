// gimbalctl's line on Linux: the port object's reader thread answers the
// gimbal, the main loop runs the posts of its threads.

#include <algorithm>

#include "gimbalctl/Session.h"
#include "serial/ULXSerialPort.h"
#include "unitupgrade/GimbalLine.h"

namespace gimbalctl {
namespace {

class PortLine : public GimbalLine {
public:
    explicit PortLine(std::shared_ptr<ULXSerialPort> port) : port_(std::move(port)) {
        port_->m_MessageShow_Flag = 255;  // no greeting: only an answer counts
    }

    bool runUntil(Clock::time_point until) override {
        const auto wait =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
        if (!runLoopFor(std::max(wait, std::chrono::milliseconds(0)))) return false;
        return !lineGone();
    }
    // Only the device going away closes the port behind gimbalctl's back.
    bool lineGone() const override { return !port_->isOpen() && !closed_; }

    upgrade::UpgradeLink& upgradeLink() override { return *port_; }

    void sendRequest(calibration::Request request) override {
        calibration::sendRequest(port_.get(), request);
    }
    std::optional<calibration::StatusReport> pollStatus(int pageSelected) override {
        return calibration::pollStatus(port_.get(), pageSelected);
    }
    void replyValues(int16_t out[4]) const override {
        out[0] = port_->m_Recv_Data_0;
        out[1] = port_->m_Recv_Data_1;
        out[2] = port_->m_Recv_Data_2;
        out[3] = port_->m_Recv_Data_3;
    }
    bool gimbalInBootLoader() const override { return port_->gimbalInBootLoader(); }

    void close() override {
        closed_ = true;
        port_->close();  // puts the line's settings back
    }

private:
    std::shared_ptr<ULXSerialPort> port_;
    bool closed_ = false;
};

}  // namespace

OpenedLine openGimbalLine(const std::string& path) {
    OpenedPort opened = openPort(path);
    if (!opened.port) return {nullptr, opened.error};
    return {std::make_unique<PortLine>(std::move(opened.port)), {}};
}

}  // namespace gimbalctl
