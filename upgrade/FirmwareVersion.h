#pragma once
// A version as the gimbal reports it: a whole part and thousandths, each one
// unsigned byte, written "2.200". A file's trailer carries the same two bytes
// for each board, so a file is compared with a gimbal's reply byte for byte.

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "translations/Marked.h"

namespace firmware {

struct Version {
    uint8_t whole = 0;
    uint8_t thousandths = 0;
    // Ordered as numbers, whole part first: 10.000 after 9.255.
    auto operator<=>(const Version&) const = default;

    std::string text() const {
        const std::string digits = std::to_string(thousandths);
        return std::to_string(whole) + '.' + std::string(3 - digits.size(), '0') + digits;
    }
};

// The version `text` writes as text() writes it ("2.010", "10.200"): a
// whole part of 0 to 255 with no leading zero, a dot, three digits of 000
// to 255. None for any other text.
inline std::optional<Version> parseVersion(std::string_view text) {
    const std::size_t dot = text.find('.');
    if (dot == std::string_view::npos || dot == 0 || dot > 3 || text.size() != dot + 4) return {};
    const auto number = [](std::string_view digits) -> std::optional<unsigned> {
        unsigned value = 0;
        for (const char c : digits) {
            if (c < '0' || c > '9') return {};
            value = value * 10 + unsigned(c - '0');
        }
        return value <= 255 ? std::optional(value) : std::nullopt;
    };
    const auto whole = number(text.substr(0, dot)), thousandths = number(text.substr(dot + 1));
    if (!whole || !thousandths) return {};
    const Version version{uint8_t(*whole), uint8_t(*thousandths)};
    if (version.text() != text) return {};  // a leading zero
    return version;
}

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
