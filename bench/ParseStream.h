#pragma once
// The stream the parser benchmarks read: calibration replies, block requests
// and reports that need no answer, long frames of an unknown command and line
// noise, about 1 MiB.

#include <algorithm>
#include <random>
#include <vector>

#include "protocol/Frame.h"

inline std::vector<uint8_t> makeStream() {
    std::mt19937 rng(7);
    std::vector<uint8_t> stream;
    auto add = [&](const std::vector<uint8_t>& f) { stream.insert(stream.end(), f.begin(), f.end()); };
    while (stream.size() < (1u << 20)) {
        add(frame::make(1, 0x40, {1, 0, 2, 0, 3, 0}));
        add(frame::make(1, 0x41, {1, 0xE8, 0x03, 0xF6, 0xFF, 0, 0}));
        add(frame::make(3, 0x34, {5, 1, 10, 2}));
        add(frame::make(3, 0x38, {0xD0, 0x07, 0xDA, 0x07}));
        // Block requests for ID1 while a single image for ID3 is loaded, and
        // block reports outside state 3: decoded, answered with nothing.
        add(frame::make(1, 0xE3, {static_cast<uint8_t>(rng() & 0xFF)}));
        add(frame::make(2, 0xE5, {static_cast<uint8_t>(rng() & 0xFF)}));
        // A long frame of an unknown command, as big as a firmware block.
        add(frame::make(2, 0x77, std::vector<uint8_t>(1059, 0x5A)));
        for (int i = 0; i < 64; ++i) {
            uint8_t b = static_cast<uint8_t>(rng());
            stream.push_back(b == 0xAA ? 0x00 : b);
        }
    }
    return stream;
}

// The stream cut into reads of 1 to 1024 bytes, as the reader takes them.
inline std::vector<std::size_t> readSizes(const std::vector<uint8_t>& stream) {
    std::mt19937 rng(11);
    std::vector<std::size_t> cuts;
    for (std::size_t pos = 0; pos < stream.size();) {
        const std::size_t n = std::min<std::size_t>(1 + rng() % 1024, stream.size() - pos);
        cuts.push_back(n);
        pos += n;
    }
    return cuts;
}
