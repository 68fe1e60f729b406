#pragma once
// The frame format shared by every request, reply and firmware block:
//   AA 55 | L (16-bit LE) | gimbal id | command | payload | checksum | FF
// L is the offset of the checksum byte (6 + payload size); the frame is L + 2
// bytes long; the checksum is the 8-bit sum of offsets 2 to L - 1.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace frame {

constexpr uint8_t kStart1 = 0xAA;
constexpr uint8_t kStart2 = 0x55;
constexpr uint8_t kEnd = 0xFF;
constexpr std::size_t kOverhead = 8;         // start bytes, length, id, command, checksum, end
constexpr std::size_t kReceiveBufferSize = 2100;
constexpr unsigned kMinLength = 3;           // smaller length fields cannot describe a frame
constexpr unsigned kMaxLength = kReceiveBufferSize - 2;  // 2098: L + 2 bytes must fit

// Command codes.
enum Command : uint8_t {
    kReadVersion = 0x34,
    kJoystickUp = 0x36,
    kJoystickDown = 0x37,
    kJoystickMiddle = 0x38,
    kJoystickLeft = 0x39,
    kJoystickRight = 0x3A,
    kInitGyro = 0x40,
    kAccelerometer = 0x41,
    kResetParameters = 0x42,
    kSaveAll = 0xF1,
    kSaveJoystick = 0xF4,
    kUpgradeRequest = 0xE0,
    kBlock = 0xE3,
    kBlockReport = 0xE5,
    kFinalReport = 0xE7,
};

// The length field L of a frame that starts at `frame`.
inline unsigned lengthField(const uint8_t* frame) {
    return static_cast<unsigned>(frame[2]) | (static_cast<unsigned>(frame[3]) << 8);
}

// The 8-bit sum of offsets 2 to L - 1.
uint8_t checksumOf(const uint8_t* frame, unsigned length);

// Completes a frame whose n content bytes (gimbal id, command, payload) the
// caller placed at offset 4: writes the start bytes, L = n + 4, the checksum
// and the end byte. The buffer needs room for n + 6 bytes. Returns n + 6.
std::size_t completeFrame(uint8_t* buffer, std::size_t n);

// Builds a whole frame into `out` (room for payloadLength + 8 bytes) and
// returns its size.
std::size_t build(uint8_t* out, uint8_t gimbalId, uint8_t command, const uint8_t* payload,
                  std::size_t payloadLength);

// The same, as a new byte vector.
std::vector<uint8_t> make(uint8_t gimbalId, uint8_t command,
                          std::initializer_list<uint8_t> payload = {});
std::vector<uint8_t> make(uint8_t gimbalId, uint8_t command, const std::vector<uint8_t>& payload);

}  // namespace frame
