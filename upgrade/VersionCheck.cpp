// After a complete upgrade the window asks the gimbal its firmware version,
// as the station does: the port opened again, the version asked every 0.5 s
// while the gimbal restarts, for up to 15 s, and one line saying whether it
// now runs the file's version. The controls stay locked meanwhile and the
// status poll waits, so that it does not take the reply first.

#include <QTimer>

#include "app/Translation.h"
#include "app/UartToolCtrl.h"
#include "calibration/CalibrationRequest.h"
#include "calibration/StatusReport.h"
#include "serial/ULXSerialPort.h"
#include "upgrade/VersionAfterUpgrade.h"

namespace {
constexpr uint8_t kVersionCode = 9;  // the status code of a read-version reply
}

void UartToolCtrl::startVersionCheck() {
    setOut(coreText(upgrade::kReadingVersionAfter) + '\n');
    if (timer) timer->stop();
    m_ULXSerialPort->open();
    versionCheckStart = steadyMillis();
    versionAskedAt.reset();
    invalidate(versionTimer);
    versionTimer =
        startRepeatingTimer(calibration::kStatusPollMs, &UartToolCtrl::handleVersionTimer);
}

void UartToolCtrl::handleVersionTimer() {
    const protocol::Millis now = steadyMillis();
    const auto every = static_cast<protocol::Millis>(upgrade::kVersionAfterEvery.count());
    const auto wait = static_cast<protocol::Millis>(
        std::chrono::duration_cast<std::chrono::milliseconds>(upgrade::kVersionAfterWait).count());
    ULXSerialPort* port = m_ULXSerialPort.get();
    const auto report = calibration::pollStatus(port, TabSelectNum);
    if (report && report->code == kVersionCode) {
        const int16_t values[4] = {port->m_Recv_Data_0, port->m_Recv_Data_1, port->m_Recv_Data_2,
                                   port->m_Recv_Data_3};
        endVersionCheck(upgrade::reportedVersion(values));
    } else if (now - versionCheckStart >= wait) {
        endVersionCheck({});
    } else if (!versionAskedAt || now - *versionAskedAt >= every) {
        calibration::sendRequest(port, calibration::Request::kReadVer);
        versionAskedAt = now;
    }
}

void UartToolCtrl::endVersionCheck(const std::optional<firmware::Version>& reported) {
    invalidate(versionTimer);
    m_ULXSerialPort->close();
    if (timer) timer->start();
    setOut(QString::fromStdString(upgrade::versionAfterText(
               reported, *fileVersion,
               [](const char* english) { return coreText(english).toStdString(); })) +
           '\n');
    giveControlsBack();
}
