#pragma once
// Numbers as text, the same whatever the desktop's language: a point for the
// decimal separator and no digit grouping, as the tool has always shown them.
// Built from integers, so it needs no locale and no floating-point formatting
// from the C++ library (which not every target's library has).

#include <cmath>
#include <cstdint>
#include <string>

// `value` rounded to `decimals` (0..9) digits after the point, like printf's
// %.Nf in the C locale for the small values the tool shows (versions).
inline std::string fixedPointText(double value, int decimals) {
    if (std::isnan(value)) return "nan";
    int64_t scale = 1;
    for (int k = 0; k < decimals; ++k) scale *= 10;
    const double scaled = std::fabs(value) * static_cast<double>(scale);
    if (!(scaled < 9.0e18)) return std::signbit(value) ? "-inf" : "inf";
    const auto units = static_cast<int64_t>(std::llround(scaled));
    std::string text = std::signbit(value) ? "-" : "";
    text += std::to_string(units / scale);
    if (decimals > 0) {
        const std::string fraction = std::to_string(units % scale);
        text += '.' + std::string(static_cast<std::size_t>(decimals) - fraction.size(), '0') + fraction;
    }
    return text;
}
