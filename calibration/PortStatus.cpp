// The status poll's look at a port object: the code and values the reader
// stored, described by describeStatus, and the code marked shown.

#include "calibration/StatusReport.h"
#include "serial/ULXSerialPort.h"

namespace calibration {

std::optional<StatusReport> pollStatus(ULXSerialPort* port, int pageSelected) {
    if (!port) return std::nullopt;  // without a port object there is no reply to show
    const uint8_t code = port->m_MessageShow_Flag.load();
    if (code > 15) return std::nullopt;

    // Marks the code as shown unless a newer reply has replaced it meanwhile;
    // that one is then shown at the next tick.
    auto markShown = [&] {
        uint8_t expected = code;
        port->m_MessageShow_Flag.compare_exchange_strong(expected, kShownCode);
    };
    const bool showOnce = code <= kLastShownOnceCode;
    // A gyroscope success is marked before its values are read, the others after.
    if (showOnce && code == 1) markShown();
    const int16_t values[4] = {port->m_Recv_Data_0, port->m_Recv_Data_1, port->m_Recv_Data_2,
                               port->m_Recv_Data_3};
    std::optional<StatusReport> report = describeStatus(code, values, pageSelected, port->isOpen());
    if (report && showOnce && code != 1) markShown();
    return report;
}

}  // namespace calibration
