// Placeholder for the firmware block transfer: upgrade frames change nothing
// until the block senders land.

#include "serial/ULXSerialPort.h"
#include "upgrade/FirmwareVariables.h"

FirmwareVariables& firmwareVariables() {
    static FirmwareVariables variables;
    return variables;
}

void ULXSerialPort::handleUpgradeFrame(const uint8_t*) {}

void ULXSerialPort::Upgrade() {
    iapstate = 1;
    timer_count = 0;
    fnum = 0;
    IDNum = 0;
}

int8_t ULXSerialPort::SendFirwareData(int) { return 2; }
int8_t ULXSerialPort::SendFirwareData0x02(int) { return 2; }
int8_t ULXSerialPort::SendFirwareData0x01(int) { return 2; }
int8_t ULXSerialPort::SendFirwareData2(int, int) { return 2; }
