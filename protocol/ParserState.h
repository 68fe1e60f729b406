#pragma once
// The receive parser's state: the five states and the frame being collected.
// The Linux port objects share one, process-wide: one frame is collected at a
// time whichever port's reader feeds it.

#include <cstdint>
#include <cstring>

#include "protocol/Frame.h"

struct ProtocolParserState {
    int USART1_RX_PLOV_PROTOCOL_HEAD_FLAG = 0;               // parser state 0..4
    uint8_t UART1_LINE_BUF[frame::kReceiveBufferSize] = {};  // the frame being collected
    unsigned UART1_LINE_BUF_N = 0;                           // fill count
    uint16_t UART1_LINE_BUF_REMAIN = 0;                      // bytes still to come after the length

    // Back to the start state.
    void reset() {
        USART1_RX_PLOV_PROTOCOL_HEAD_FLAG = 0;
        std::memset(UART1_LINE_BUF, 0, sizeof UART1_LINE_BUF);
        UART1_LINE_BUF_N = 0;
        UART1_LINE_BUF_REMAIN = 0;
    }
};

// The process-wide parser of the Linux port objects (protocol/ReceiveParser.cpp).
ProtocolParserState& protocolParserState();
// Its reset() under the feeders' lock: a reader of an earlier session may still be feeding.
void resetProtocolParser();
