#pragma once
// One image per transfer. While the gimbal is being served blocks (an upgrade
// runs, or a block request was answered within kServingWindowMs) a newly
// chosen file is not installed: a gimbal that asks for blocks between two
// upgrades or after a lost line would otherwise get blocks of two images in
// one transfer. Every face asks here, on its own clock, and keeps the file in
// use with kFileKeptMessage when the answer is no.

#include <optional>

#include "protocol/Millis.h"
#include "upgrade/UpgradeSupervisor.h"

namespace upgrade {

// As long as the upgrade's own timeout: a gimbal silent that long has stopped asking.
inline constexpr protocol::Millis kServingWindowMs = kTimeoutMs;

inline bool firmwareMayChange(bool upgradeRunning,
                              std::optional<protocol::Millis> lastBlockAnswered,
                              protocol::Millis now) {
    if (upgradeRunning) return false;
    return !lastBlockAnswered || now - *lastBlockAnswered >= kServingWindowMs;
}

}  // namespace upgrade
