#pragma once
// What a face says once it has asked the upgraded gimbal its firmware version
// (the gimbal restarts into the new firmware: silent a while, then
// answering): the same words in gimbalctl, the station and the window.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "upgrade/FirmwareVersion.h"

namespace upgrade {

// The version is asked every 0.5 s for up to 15 s after the upgrade.
inline constexpr auto kVersionAfterWait = std::chrono::seconds(15);
inline constexpr auto kVersionAfterEvery = std::chrono::milliseconds(500);

// The firmware version a read-version reply carries, from its four values:
// thousandths in the third, the whole part in the fourth, each one byte.
inline firmware::Version reportedVersion(const int16_t values[4]) {
    return firmware::Version{static_cast<uint8_t>(values[3]), static_cast<uint8_t>(values[2])};
}

inline constexpr const char* kReadingVersionAfter =
    "Reading the firmware version after the upgrade...";

// The line on the version the gimbal reports (none: it reported none in
// time) against the file's, compared byte for byte.
inline std::string versionAfterText(const std::optional<firmware::Version>& reported,
                                    const firmware::Version& fileVersion) {
    if (reported == fileVersion) {
        return "verified: the gimbal reports firmware " + reported->text() + ", the file's version";
    }
    const std::string carried = "; the file carries " + fileVersion.text();
    if (reported) {
        return "the gimbal reports firmware " + reported->text() + " after the upgrade" + carried;
    }
    return "the gimbal reported no firmware version within " +
           std::to_string(kVersionAfterWait.count()) + " s of the upgrade" + carried;
}

}  // namespace upgrade
