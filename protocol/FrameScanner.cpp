#include "protocol/FrameScanner.h"

#include <algorithm>
#include <cstring>

namespace {
// The frame checksum rule: the byte at offset L is the 8-bit sum of offsets 2 to L - 1.
bool checksumHolds(const uint8_t* f) {
    const unsigned length = frame::lengthField(f);
    return frame::checksumOf(f, length) == f[length];
}
}  // namespace

FrameScanner::FrameScanner(const uint8_t* bytes, std::size_t count, AtEnd atEnd)
    : bytes_(bytes), count_(bytes == nullptr ? 0 : count), atEnd_(atEnd) {}

void FrameScanner::dropFrame(ProtocolParserState& s) {
    s.USART1_RX_PLOV_PROTOCOL_HEAD_FLAG = 0;
    if (frameStart_ == kCarried) {
        // Only the first frame of a scan can have begun in an earlier read, so
        // nothing has been replayed yet: its earlier bytes go in front.
        replayCount_ = carried_ > 1 ? carried_ - 1 : 0;
        std::memcpy(replay_, s.UART1_LINE_BUF + 1, replayCount_);
        pos_ = 0;
    } else {
        pos_ = frameStart_ + 1;
    }
    frameStart_ = kCarried;
    carried_ = 0;
    s.UART1_LINE_BUF_N = 0;
}

bool FrameScanner::next(ProtocolParserState& s, uint8_t* frameOut) {
    int& state = s.USART1_RX_PLOV_PROTOCOL_HEAD_FLAG;
    uint8_t* const buf = s.UART1_LINE_BUF;
    if (!begun_) {
        // A frame under way began in an earlier read.
        begun_ = true;
        if (state == 1) carried_ = 1;
        if (state >= 2 && state <= 4) carried_ = s.UART1_LINE_BUF_N;
    }

    for (;;) {
        if (pos_ >= total()) {
            // A lone start byte swallows nothing: it may wait on.
            if (atEnd_ == AtEnd::Abandon && state >= 2 && state <= 4) {
                dropFrame(s);
                continue;
            }
            return false;
        }
        const uint8_t b = byteAt(pos_);
        switch (state) {
            case 0:
                if (b == frame::kStart1) {
                    state = 1;
                    startCandidate_ = pos_;
                }
                ++pos_;
                break;
            case 1:
                if (b == frame::kStart2) {
                    buf[0] = frame::kStart1;
                    buf[1] = frame::kStart2;
                    s.UART1_LINE_BUF_N = 2;
                    frameStart_ = (carried_ == 1) ? kCarried : startCandidate_;
                    state = 2;
                } else if (b == frame::kStart1) {
                    startCandidate_ = pos_;
                    carried_ = 0;
                } else {
                    state = 0;
                    carried_ = 0;
                }
                ++pos_;
                break;
            case 2:
                buf[s.UART1_LINE_BUF_N++] = b;
                state = 3;
                ++pos_;
                break;
            case 3: {
                buf[s.UART1_LINE_BUF_N++] = b;
                const unsigned length = frame::lengthField(buf);
                if (length < frame::kMinLength || length > frame::kMaxLength) {
                    dropFrame(s);  // cannot be a frame
                    break;
                }
                s.UART1_LINE_BUF_REMAIN = static_cast<uint16_t>(length - 2);
                state = 4;
                ++pos_;
                break;
            }
            case 4: {
                // As much of the frame body as the current run of bytes holds, in one copy.
                const std::size_t runEnd = pos_ < replayCount_ ? replayCount_ : total();
                const uint8_t* run =
                    pos_ < replayCount_ ? replay_ + pos_ : bytes_ + (pos_ - replayCount_);
                const std::size_t take =
                    std::min<std::size_t>(s.UART1_LINE_BUF_REMAIN, runEnd - pos_);
                std::memcpy(buf + s.UART1_LINE_BUF_N, run, take);
                s.UART1_LINE_BUF_N += static_cast<unsigned>(take);
                s.UART1_LINE_BUF_REMAIN = static_cast<uint16_t>(s.UART1_LINE_BUF_REMAIN - take);
                pos_ += take;
                if (s.UART1_LINE_BUF_REMAIN != 0) break;
                if (buf[s.UART1_LINE_BUF_N - 1] != frame::kEnd || !checksumHolds(buf)) {
                    dropFrame(s);
                    break;
                }
                std::memcpy(frameOut, buf, s.UART1_LINE_BUF_N);
                state = 0;
                s.UART1_LINE_BUF_N = 0;
                frameStart_ = kCarried;
                carried_ = 0;
                return true;
            }
            default:
                state = 0;
                ++pos_;
                break;
        }
    }
}
