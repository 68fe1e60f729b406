#include "protocol/Reply.h"

#include <initializer_list>

#include "protocol/Frame.h"

namespace protocol {

namespace {

int16_t s16At(const uint8_t* f, unsigned k) {
    return static_cast<int16_t>(static_cast<uint16_t>(f[k] | (f[k + 1] << 8)));
}

int16_t u8At(const uint8_t* f, unsigned k) { return static_cast<int16_t>(f[k]); }

// The smallest length field that holds every byte the command's reply is read
// from (fields end before the checksum at offset L); 0 for unknown commands.
unsigned minimumLength(uint8_t command) {
    switch (command) {
        case frame::kReadVersion:
            return 10;  // four bytes at 6..9
        case frame::kJoystickUp:
        case frame::kJoystickDown:
        case frame::kJoystickLeft:
        case frame::kJoystickRight:
            return 8;  // one value at 6..7
        case frame::kJoystickMiddle:
            return 10;  // two values at 6..9
        case frame::kInitGyro:
            return 12;  // three values at 6..11
        case frame::kAccelerometer:
            return 13;  // mode at 6, three values at 7..12
        case frame::kResetParameters:
        case frame::kSaveAll:
            return 6;  // no payload read
        case frame::kUpgradeRequest:
        case frame::kBlock:
        case frame::kBlockReport:
        case frame::kFinalReport:
            return 7;  // the value at offset 6
        default:
            return 0;
    }
}

}  // namespace

DecodedFrame decodeFrame(const uint8_t* f) {
    DecodedFrame d;
    const unsigned length = frame::lengthField(f);
    if (length < 6) return d;  // no command byte inside the frame
    const uint8_t command = f[5];
    const unsigned needed = minimumLength(command);
    if (needed == 0 || length < needed) return d;
    auto reply = [&d](uint8_t code, std::initializer_list<int16_t> values) {
        d.kind = DecodedFrame::Kind::kReply;
        d.code = code;
        for (int16_t v : values) d.value[d.valueCount++] = v;
    };

    switch (command) {
        case frame::kReadVersion:
            reply(9, {u8At(f, 6), u8At(f, 7), u8At(f, 8), u8At(f, 9)});
            break;
        case frame::kJoystickUp:
            reply(11, {s16At(f, 6)});
            break;
        case frame::kJoystickDown:
            reply(12, {s16At(f, 6)});
            break;
        case frame::kJoystickMiddle:
            reply(15, {s16At(f, 6), s16At(f, 8)});
            break;
        case frame::kJoystickLeft:
            reply(13, {s16At(f, 6)});
            break;
        case frame::kJoystickRight:
            reply(14, {s16At(f, 6)});
            break;
        case frame::kInitGyro:
            reply(1, {s16At(f, 6), s16At(f, 8), s16At(f, 10)});
            break;
        case frame::kAccelerometer:
            reply((f[6] == 1) ? 10 : 3, {s16At(f, 7), s16At(f, 9), s16At(f, 11)});
            break;
        case frame::kResetParameters:
            reply(5, {});
            break;
        case frame::kSaveAll:
            reply(7, {});
            break;
        case frame::kUpgradeRequest:
        case frame::kBlock:
        case frame::kBlockReport:
        case frame::kFinalReport:
            d.kind = DecodedFrame::Kind::kUpgrade;
            break;
        default:
            break;
    }
    return d;
}

}  // namespace protocol
