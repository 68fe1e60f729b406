#pragma once
// What a face says once it has asked the upgraded gimbal its firmware version
// (the gimbal restarts into the new firmware: silent a while, then
// answering): the same words in gimbalctl, the station and the window.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "translations/Marked.h"
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
    N_("Reading the firmware version after the upgrade...");

// The lines below, which an upgrade's own process hands on filled in, in
// English: a face shows them in its language by their wording (values read
// back from the line, gimbalctl's translatedLine).
inline constexpr const char* kVerifiedText =
    N_("verified: the gimbal reports firmware %1, the file's version");
inline constexpr const char* kOtherVersionText =
    N_("the gimbal reports firmware %1 after the upgrade; the file carries %2");
inline constexpr const char* kNoVersionText =
    N_("the gimbal reported no firmware version within %1 s of the upgrade; the file carries %2");
inline constexpr const char* kVersionAfterTexts[] = {kVerifiedText, kOtherVersionText,
                                                     kNoVersionText};

// The line on the version the gimbal reports (none: it reported none in
// time) against the file's, compared byte for byte, in the words `translate`
// gives for the English ones (a face's catalogue).
inline std::string versionAfterText(
    const std::optional<firmware::Version>& reported, const firmware::Version& fileVersion,
    const std::function<std::string(const char*)>& translate = [](const char* english) {
        return std::string(english);
    }) {
    if (reported == fileVersion) {
        return translations::filledIn(translate(kVerifiedText), {reported->text()});
    }
    if (reported) {
        return translations::filledIn(translate(kOtherVersionText),
                                      {reported->text(), fileVersion.text()});
    }
    return translations::filledIn(translate(kNoVersionText),
                                  {std::to_string(kVersionAfterWait.count()), fileVersion.text()});
}

}  // namespace upgrade
