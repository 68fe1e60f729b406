// Cuts frames out of the received byte stream with a five-state machine and
// hands every frame whose end byte and checksum hold to the reply decoder.
//
// Every byte of every read is examined; several frames in one read are all
// decoded, and a frame cut across reads is completed by the next read.
// A length field that cannot describe a frame that fits the buffer drops the
// frame at once.

#include <algorithm>
#include <cstring>

#include "protocol/ParserState.h"
#include "serial/ULXSerialPort.h"

namespace {
ProtocolParserState parserState;
}

ProtocolParserState& protocolParserState() { return parserState; }

void ProtocolParserState::reset() {
    std::lock_guard lock(feedMutex);
    USART1_RX_PLOV_PROTOCOL_HEAD_FLAG = 0;
    std::memset(UART1_LINE_BUF, 0, sizeof UART1_LINE_BUF);
    UART1_LINE_BUF_N = 0;
    UART1_LINE_BUF_REMAIN = 0;
}

bool ULXSerialPort::USART_PLOV_PROTOCOL_CHECKSUM(const uint8_t* frame) const {
    const unsigned length = frame::lengthField(frame);
    return frame::checksumOf(frame, length) == frame[length];
}

void ULXSerialPort::MAIN_USART_PLOV_PROTOCOL_RUN(const uint8_t* bytes, std::size_t count) {
    ProtocolParserState& s = parserState;
    std::lock_guard lock(s.feedMutex);
    int state = s.USART1_RX_PLOV_PROTOCOL_HEAD_FLAG;
    uint8_t* const buf = s.UART1_LINE_BUF;
    unsigned fill = s.UART1_LINE_BUF_N;
    uint16_t remain = s.UART1_LINE_BUF_REMAIN;

    for (std::size_t i = 0; i < count; ++i) {
        const uint8_t b = bytes[i];
        switch (state) {
            case 0:
                if (b == frame::kStart1) state = 1;
                break;
            case 1:
                if (b == frame::kStart2) {
                    buf[0] = frame::kStart1;
                    buf[1] = frame::kStart2;
                    fill = 2;
                    state = 2;
                } else if (b != frame::kStart1) {
                    state = 0;
                }
                break;
            case 2:
                buf[fill++] = b;
                state = 3;
                break;
            case 3: {
                buf[fill++] = b;
                const unsigned length = static_cast<unsigned>(b) * 256u + buf[2];
                if (length < frame::kMinLength || length > frame::kMaxLength) {
                    state = 0;  // cannot be a frame: drop it
                    break;
                }
                remain = static_cast<uint16_t>(length - 2);
                state = 4;
                break;
            }
            case 4: {
                // The rest of the frame body is stored in one copy: as much of
                // it as this read holds.
                const std::size_t take = std::min<std::size_t>(remain, count - i);
                std::memcpy(buf + fill, bytes + i, take);
                fill += static_cast<unsigned>(take);
                remain = static_cast<uint16_t>(remain - take);
                i += take - 1;
                if (remain == 0) {
                    state = 0;
                    if (buf[fill - 1] == frame::kEnd && USART_PLOV_PROTOCOL_CHECKSUM(buf)) {
                        MAIN_USART_PLOV_PROTOCOL_DECODE(buf);
                    }
                }
                break;
            }
            default:
                state = 0;
                break;
        }
    }

    s.USART1_RX_PLOV_PROTOCOL_HEAD_FLAG = state;
    s.UART1_LINE_BUF_N = fill;
    s.UART1_LINE_BUF_REMAIN = remain;
}
