#include "protocol/Frame.h"

#include <cstring>

namespace frame {

uint8_t checksumOf(const uint8_t* frame, unsigned length) {
    uint8_t sum = 0;
    for (unsigned i = 2; i < length; ++i) sum = static_cast<uint8_t>(sum + frame[i]);
    return sum;
}

std::size_t completeFrame(uint8_t* buffer, std::size_t n) {
    const unsigned length = static_cast<unsigned>(n + 4);
    buffer[0] = kStart1;
    buffer[1] = kStart2;
    buffer[2] = static_cast<uint8_t>(length & 0xFF);
    buffer[3] = static_cast<uint8_t>(length >> 8);
    buffer[length] = checksumOf(buffer, length);
    buffer[length + 1] = kEnd;
    return n + 6;
}

std::size_t build(uint8_t* out, uint8_t gimbalId, uint8_t command, const uint8_t* payload,
                  std::size_t payloadLength) {
    out[4] = gimbalId;
    out[5] = command;
    if (payloadLength > 0) std::memcpy(out + 6, payload, payloadLength);
    return completeFrame(out, payloadLength + 2);
}

std::vector<uint8_t> make(uint8_t gimbalId, uint8_t command, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> out(payload.size() + kOverhead);
    build(out.data(), gimbalId, command, payload.data(), payload.size());
    return out;
}

std::vector<uint8_t> make(uint8_t gimbalId, uint8_t command, std::initializer_list<uint8_t> payload) {
    return make(gimbalId, command, std::vector<uint8_t>(payload));
}

}  // namespace frame
