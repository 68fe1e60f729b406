#pragma once
// The line an upgrade is supervised on, as the supervision sees it: its
// upgrade state, the count of ticks without progress (reset by the link when
// the gimbal makes progress), the block reports in
// the order they came, and the means to write the upgrade request and to
// close the line at the end. The Linux port object is one; the portable link
// session of the other faces is another.

#include <cstdint>
#include <vector>

#include "upgrade/BlockAnswer.h"
#include "upgrade/FirmwareLayout.h"

namespace upgrade {

class UpgradeLink {
public:
    virtual ~UpgradeLink() = default;

    virtual bool linkIsOpen() const = 0;
    // The firmware file the link serves blocks from.
    virtual const FirmwareVariables& linkFirmware() const = 0;
    // Enters the requesting state with no progress and no reports.
    virtual void beginUpgrade() = 0;
    virtual int8_t upgradeState() const = 0;
    virtual void setUpgradeState(int8_t state) = 0;
    // The supervision's ticks counted since the link's last progress.
    virtual int idleTicks() const = 0;
    // The count moves from `seen`, as the supervision last read it, to
    // `count`, unless the link reset it since that read: the reset is kept
    // and no tick counted before it carries over to the next idle run.
    virtual void countIdleTicks(int seen, int count) = 0;
    // Every block report recorded since the last call, oldest first.
    virtual std::vector<BlockReport> takeBlockReports() = 0;
    // True once for every restart of the gimbal in its boot loader seen
    // during the upgrade since the last call (upgrade/BootLoader.h).
    virtual bool takeBootLoaderRestart() = 0;
    // Writes a finished frame.
    virtual void writeFrame(const uint8_t* bytes, std::size_t size) = 0;
    virtual void closeLink() = 0;
};

}  // namespace upgrade
