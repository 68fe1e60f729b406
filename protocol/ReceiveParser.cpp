// Feeds received bytes to the frame scanner and every frame whose end byte and
// checksum hold to the reply decoder.
//
// Every byte of every read is examined; several frames in one read are all
// decoded, and a frame cut across reads is completed by the next read. The
// parser's lock is held only while frames are cut, never while one is
// decoded: decoding a block request writes a block and pauses, and a reader
// of a later session must not wait for that. A reader whose session has ended
// stops between frames.

#include <array>
#include <mutex>

#include "protocol/FrameScanner.h"
#include "protocol/ParserState.h"
#include "serial/ULXSerialPort.h"

namespace {
ProtocolParserState parserState;
std::mutex feedMutex;  // one reader feeds at a time
}  // namespace

ProtocolParserState& protocolParserState() { return parserState; }

void resetProtocolParser() {
    std::lock_guard lock(feedMutex);
    parserState.reset();
}

bool ULXSerialPort::USART_PLOV_PROTOCOL_CHECKSUM(const uint8_t* frame) const {
    const unsigned length = frame::lengthField(frame);
    return frame::checksumOf(frame, length) == frame[length];
}

void ULXSerialPort::MAIN_USART_PLOV_PROTOCOL_RUN(const uint8_t* bytes, std::size_t count) {
    FrameScanner scanner(bytes, count, FrameScanner::AtEnd::KeepPartial);
    decodeScannedFrames(scanner);
}

void ULXSerialPort::MAIN_USART_PLOV_PROTOCOL_QUIET() {
    FrameScanner scanner(nullptr, 0, FrameScanner::AtEnd::Abandon);
    decodeScannedFrames(scanner);
}

void ULXSerialPort::decodeScannedFrames(FrameScanner& scanner) {
    std::array<uint8_t, frame::kReceiveBufferSize> frame;
    for (;;) {
        {
            std::lock_guard lock(feedMutex);
            if (readerSessionEnded() || !scanner.next(parserState, frame.data())) return;
        }
        if (readerSessionEnded()) return;
        MAIN_USART_PLOV_PROTOCOL_DECODE(frame.data());
    }
}
