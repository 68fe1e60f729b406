#pragma once
// What a verified frame from the gimbal means: a reply that sets a status code
// with its values, a frame of the firmware upgrade, or nothing the tool reads.
// A reply too short for the fields its command reads is nothing, rather than
// values read from stale bytes.

#include <cstdint>

namespace protocol {

struct DecodedFrame {
    enum class Kind { kNothing, kReply, kUpgrade };
    Kind kind = Kind::kNothing;
    uint8_t code = 0;       // the status code a reply sets (see calibration/StatusReport.h)
    int valueCount = 0;     // how many leading values the reply sets
    int16_t value[4] = {};  // m_Recv_Data_0..3
};

DecodedFrame decodeFrame(const uint8_t* frame);

}  // namespace protocol
