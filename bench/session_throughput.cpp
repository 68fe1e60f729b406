// Throughput of the portable link session (parser and decoder) over the
// parser benchmark's stream in reads of up to 1024 bytes, with a tick after
// each read as a face gives it. Plain C++ only, so the same program runs
// natively and, built by Emscripten, under node:
//   ./build/bench/session_throughput
//   NODE_PATH=/usr/share/nodejs node build/wasm/bench/wasm/session_throughput.js

#include <chrono>
#include <cstdio>

#include "bench/ParseStream.h"
#include "session/LinkSession.h"

int main() {
    const std::vector<uint8_t> stream = makeStream();
    const std::vector<std::size_t> cuts = readSizes(stream);
    FirmwareVariables ownImage;
    ownImage.update_range = 3;  // block requests for ID1 are answered with nothing
    session::LinkSession session;
    session.setFirmware(ownImage, 0);
    session.opened(0);

    constexpr int kRounds = 40;
    protocol::Millis now = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < kRounds; ++round) {
        const uint8_t* p = stream.data();
        for (std::size_t n : cuts) {
            session.received(p, n, ++now);
            session.takeDueWrites(now);
            p += n;
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double megabytes = static_cast<double>(stream.size()) * kRounds / 1e6;
    std::printf("link session parse and decode: %.0f MB/s (%d x %.1f MB in %.3f s), last code %d\n",
                megabytes / seconds, kRounds, megabytes / kRounds, seconds, session.statusCode());
    return 0;
}
