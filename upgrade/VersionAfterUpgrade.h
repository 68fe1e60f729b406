#pragma once
// What a face says once it has asked the upgraded gimbal its firmware version
// (the gimbal restarts into the new firmware: silent a while, then
// answering): the same words in gimbalctl, the station and the window.

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/NumberText.h"

namespace upgrade {

// The version is asked every 0.5 s for up to 15 s after the upgrade.
inline constexpr auto kVersionAfterWait = std::chrono::seconds(15);
inline constexpr auto kVersionAfterEvery = std::chrono::milliseconds(500);

// The firmware version a read-version reply carries, "2.010", from its four
// values: thousandths in the third, the whole part in the fourth.
inline std::string reportedVersion(const int16_t values[4]) {
    return fixedPointText(values[3] + values[2] / 1000.0, 3);
}

inline constexpr const char* kReadingVersionAfter =
    "Reading the firmware version after the upgrade...";

// The line on the version the gimbal reports (empty: it reported none in
// time) against the file's.
inline std::string versionAfterText(const std::string& reported, const std::string& fileVersion) {
    if (reported == fileVersion) {
        return "verified: the gimbal reports firmware " + reported + ", the file's version";
    }
    const std::string carried = "; the file carries " + fileVersion;
    if (!reported.empty()) {
        return "the gimbal reports firmware " + reported + " after the upgrade" + carried;
    }
    return "the gimbal reported no firmware version within " +
           std::to_string(kVersionAfterWait.count()) + " s of the upgrade" + carried;
}

}  // namespace upgrade
