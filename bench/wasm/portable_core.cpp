// Exports every public entry of the portable core, so that the .wasm holds
// exactly the code a page calling the core would load. Add an export for
// each new entry point.

#include <emscripten/emscripten.h>

#include <algorithm>

#include "protocol/Frame.h"
#include "upgrade/UpgradeProgress.h"

extern "C" {

EMSCRIPTEN_KEEPALIVE std::size_t frameBuild(uint8_t* out, uint8_t gimbalId, uint8_t command,
                                            const uint8_t* payload, std::size_t payloadLength) {
    return frame::build(out, gimbalId, command, payload, payloadLength);
}

EMSCRIPTEN_KEEPALIVE std::size_t frameComplete(uint8_t* buffer, std::size_t n) {
    return frame::completeFrame(buffer, n);
}

EMSCRIPTEN_KEEPALIVE uint8_t frameChecksum(const uint8_t* frame, unsigned length) {
    return frame::checksumOf(frame, length);
}

EMSCRIPTEN_KEEPALIVE std::size_t frameMake(uint8_t* out, uint8_t gimbalId, uint8_t command,
                                           uint8_t payloadByte) {
    const std::vector<uint8_t> f = frame::make(gimbalId, command, {payloadByte});
    std::copy(f.begin(), f.end(), out);
    return f.size();
}

EMSCRIPTEN_KEEPALIVE int singleImageProgress(int boards, int f, int i, int maxProgress) {
    return upgrade::singleImageProgress(boards, f, i, maxProgress).value;
}

EMSCRIPTEN_KEEPALIVE int multiImageProgress(int8_t updateRange, int f, int i,
                                            const int64_t blocks[4]) {
    return upgrade::multiImageProgress(updateRange, f, i, blocks).value;
}

}  // extern "C"
