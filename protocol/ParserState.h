#pragma once
// The receive parser's state. It is process-wide: one frame is collected at a
// time whichever port's reader feeds it, and a half-collected frame survives
// opening and closing ports.

#include <cstdint>
#include <mutex>

#include "protocol/Frame.h"

struct ProtocolParserState {
    int USART1_RX_PLOV_PROTOCOL_HEAD_FLAG = 0;          // parser state 0..4
    uint8_t UART1_LINE_BUF[frame::kReceiveBufferSize] = {};  // the frame being collected
    unsigned UART1_LINE_BUF_N = 0;                      // fill count
    uint16_t UART1_LINE_BUF_REMAIN = 0;                 // bytes still to come after the length
    std::mutex feedMutex;                               // one reader feeds at a time

    // Back to the start state, for tests.
    void reset();
};

ProtocolParserState& protocolParserState();
