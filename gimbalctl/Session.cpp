#include "gimbalctl/Session.h"

#include "gimbalctl/Commands.h"
#include "platform/LoopMainQueue.h"
#include "serial/OpenFailure.h"
#include "serial/ULXSerialPort.h"
#include "unitupgrade/Stop.h"

namespace gimbalctl {
namespace {
std::shared_ptr<LoopMainQueue> loop;
}  // namespace

void installMainLoop() {
    loop = std::make_shared<LoopMainQueue>();
    MainQueue::install(loop);
}

LoopMainQueue& mainLoop() { return *loop; }

bool runLoopFor(std::chrono::milliseconds duration) {
    return !loop->runUntil([] { return stopRequested() != 0; }, duration);
}

OpenedPort openPort(const std::string& path) {
    OpenedPort opened;
    std::shared_ptr<ULXSerialPort> port = ULXSerialPort::serialPortWithPath(path);
    if (!port) {
        opened.error = describeOpenFailure(path, whyNoSerialDevice(path));
        return opened;
    }
    // A block request from an earlier run is never answered (see the field).
    port->answersOnlyAcceptedUpgrade = true;
    if (!port->open()) {
        opened.error = describeOpenFailure(path, port->lastOpenError());
        return opened;
    }
    opened.port = std::move(port);
    return opened;
}

}  // namespace gimbalctl
