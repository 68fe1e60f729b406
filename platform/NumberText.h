#pragma once
// Numbers as text, the same whatever the desktop's language: a point for the
// decimal separator and no digit grouping, as the tool has always shown them.

#include <charconv>
#include <string>
#include <system_error>

// `value` with `decimals` digits after the point, like printf's %.Nf in the C locale.
inline std::string fixedPointText(double value, int decimals) {
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) return "nan";
    return std::string(text, result.ptr);
}
