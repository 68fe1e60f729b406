#pragma once
// The message-log line of the window and the page for a gimbal found in its
// boot loader (upgrade/BootLoader.h): shown once per sighting, that is for the
// first block request on a line, or the first after the gimbal was quiet long
// enough to have left the boot loader.

#include "translations/Marked.h"

namespace upgrade {

inline constexpr const char* kBootLoaderMessage =
    N_("The gimbal is in its boot loader: its last upgrade did not finish. Choose its firmware "
       "file and press Upgrade.\n");

}  // namespace upgrade
