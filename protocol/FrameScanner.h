#pragma once
// Cuts frames out of received bytes with the parser's five states (0 waiting
// for 0xAA, 1 waiting for 0x55, 2 and 3 the length bytes, 4 the rest of the
// frame), on the process-wide parser state.
//
// A frame that is dropped (a length field that cannot describe a frame, a bad
// end byte or checksum) is not the end of its bytes: scanning starts again at
// the byte after its first start byte, so a reply that line noise made look
// like part of a false frame is still found. The same happens to a partial
// frame when the line falls quiet. No frame is handed out twice.

#include <cstddef>
#include <cstdint>

#include "protocol/Frame.h"
#include "protocol/ParserState.h"

class FrameScanner {
public:
    enum class AtEnd {
        KeepPartial,  // a frame still collecting waits for the next bytes
        Abandon,      // the line fell quiet: a partial frame is given up and re-examined
    };

    // Scans `count` bytes (none for a quiet line). The bytes must outlive the scanner.
    FrameScanner(const uint8_t* bytes, std::size_t count, AtEnd atEnd);

    // Runs the parser on until the next complete frame whose end byte and
    // checksum hold, copies it to `frameOut` (room for a whole receive buffer)
    // and returns true; returns false once every byte is examined. The caller
    // keeps other feeders of `state` out during the call, and may release it in between.
    bool next(ProtocolParserState& state, uint8_t* frameOut);

private:
    static constexpr std::size_t kCarried = static_cast<std::size_t>(-1);

    std::size_t total() const { return replayCount_ + count_; }
    uint8_t byteAt(std::size_t i) const {
        return i < replayCount_ ? replay_[i] : bytes_[i - replayCount_];
    }
    // Gives up the frame being collected and goes back to the byte after its start.
    void dropFrame(ProtocolParserState& state);

    const uint8_t* bytes_;
    std::size_t count_;
    AtEnd atEnd_;
    // Bytes of a frame that began in an earlier read, put back in front of
    // this read's bytes when that frame is dropped.
    uint8_t replay_[frame::kReceiveBufferSize];
    std::size_t replayCount_ = 0;
    bool begun_ = false;                     // the first call has taken over the parser state
    std::size_t pos_ = 0;                    // next byte to examine, in replay + bytes
    std::size_t startCandidate_ = kCarried;  // where the last 0xAA seen in state 1 is
    std::size_t frameStart_ = kCarried;      // where the frame being collected starts
    std::size_t carried_ = 0;                // its bytes that came from earlier reads
};
