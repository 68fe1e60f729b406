#pragma once
// A version as the gimbal reports it: a whole part and thousandths, each one
// unsigned byte, written "2.200". A file's trailer carries the same two bytes
// for each board, so a file is compared with a gimbal's reply byte for byte.

#include <cstdint>
#include <string>

#include "translations/Marked.h"

namespace firmware {

struct Version {
    uint8_t whole = 0;
    uint8_t thousandths = 0;
    bool operator==(const Version&) const = default;

    std::string text() const {
        const std::string digits = std::to_string(thousandths);
        return std::to_string(whole) + '.' + std::string(3 - digits.size(), '0') + digits;
    }
};

struct Versions {
    Version hardware;
    Version firmware;
    // "hardware 1.005, firmware 2.010"; a face shows wording() in its language.
    translations::Wording wording() const {
        return {N_("hardware %1, firmware %2"), {hardware.text(), firmware.text()}};
    }
    std::string text() const { return wording().english(); }
};

}  // namespace firmware
