#pragma once
// A gimbal whose last upgrade did not finish starts in its boot loader, which
// asks for block 0 about once a second and answers nothing but an upgrade
// request. A face sees it as block requests arriving while it started no
// upgrade, and says so in its message log once: again only after the gimbal
// has been silent for kLeftBootLoaderMs (it left the boot loader) and asks
// again. Each face keeps one watch per open line, reset when the line closes.

#include "protocol/Millis.h"
#include "translations/Marked.h"
#include "upgrade/UpgradeSupervisor.h"

namespace upgrade {

inline constexpr const char* kBootLoaderMessage =
    N_("The gimbal is in its boot loader: its last upgrade did not finish. Choose its firmware "
       "file and press Upgrade.\n");

// As long as the upgrade's own timeout: a gimbal silent that long has stopped asking.
inline constexpr protocol::Millis kLeftBootLoaderMs = kTimeoutMs;

class BootLoaderWatch {
public:
    // A block request arrived at `at` while no upgrade this tool started ran:
    // true when the message is due now.
    bool blockRequest(protocol::Millis at) {
        const bool due = !asking_ || at - lastRequest_ >= kLeftBootLoaderMs;
        asking_ = true;
        lastRequest_ = at;
        return due;
    }
    // The line closed: whatever asks next is a new sighting.
    void reset() { asking_ = false; }

private:
    bool asking_ = false;
    protocol::Millis lastRequest_ = 0;
};

}  // namespace upgrade
