// The port object as the upgrade supervision sees it: its upgrade fields, the
// queue of block reports the reader records, framed writes and close.

#include <utility>

#include "serial/ULXSerialPort.h"
#include "upgrade/FirmwareVariables.h"

bool ULXSerialPort::linkIsOpen() const { return isOpen(); }

// Read on the main thread, the only thread that replaces the file.
const FirmwareVariables& ULXSerialPort::linkFirmware() const { return firmwareVariables(); }

void ULXSerialPort::beginUpgrade() {
    upgrading_ = true;
    Upgrade();
}

int8_t ULXSerialPort::upgradeState() const { return iapstate.load(); }

void ULXSerialPort::setUpgradeState(int8_t state) { iapstate = state; }

int ULXSerialPort::idleTicks() const { return timer_count.load(); }

// One atomic exchange, only from the count read: the reader's reset since
// that read is never overwritten. (A reset of a count already 0 is taken
// over, which carries at most the one tick counted from 0.)
void ULXSerialPort::countIdleTicks(int seen, int count) {
    timer_count.compare_exchange_strong(seen, count);
}

std::vector<upgrade::BlockReport> ULXSerialPort::takeBlockReports() {
    std::lock_guard lock(reportsMutex_);
    return std::exchange(reports_, {});
}

void ULXSerialPort::writeFrame(const uint8_t* bytes, std::size_t size) {
    sendDataWithLen(bytes, static_cast<int>(size));
}

// The upgrade's end ends its transfer: a file chosen from now on is installed.
void ULXSerialPort::closeLink() {
    close();
    upgrading_ = false;
    {
        std::lock_guard lock(bootLoaderMutex_);
        bootLoader_.endUpgrade();
    }
    lastBlockOutsideUpgrade_ = kNoBlockAnswered;
}
