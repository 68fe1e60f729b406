// Fuzzes the receive parser and the reply decoder. The input is cut into
// reads of varying size; the frames the parser hands on must be exactly those
// a byte-at-a-time reading of the frame rules finds in the whole stream:
// at each position, a frame is there when 0xAA 0x55 start it, its length
// field L is 3..2098, all L + 2 bytes have arrived, the byte at L + 1 is 0xFF
// and the checksum holds; a found frame is skipped whole, otherwise the
// reading moves on by one byte. The line falls quiet after the last read.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "protocol/Frame.h"
#include "protocol/FrameScanner.h"
#include "protocol/ParserState.h"
#include "serial/ULXSerialPort.h"
#include "upgrade/FirmwareVariables.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::vector<Bytes> framesByTheRules(const Bytes& s) {
    std::vector<Bytes> frames;
    std::size_t i = 0;
    while (i < s.size()) {
        if (s[i] == frame::kStart1 && i + 3 < s.size() && s[i + 1] == frame::kStart2) {
            const unsigned length = frame::lengthField(&s[i]);
            if (length >= frame::kMinLength && length <= frame::kMaxLength &&
                i + length + 1 < s.size() && s[i + length + 1] == frame::kEnd &&
                frame::checksumOf(&s[i], length) == s[i + length]) {
                frames.emplace_back(s.begin() + i, s.begin() + i + length + 2);
                i += length + 2;
                continue;
            }
        }
        ++i;
    }
    return frames;
}

std::vector<Bytes> framesScanned(const std::vector<Bytes>& reads) {
    static ProtocolParserState state;  // the scanner's own, apart from the port's
    state.reset();
    std::vector<Bytes> frames;
    uint8_t out[frame::kReceiveBufferSize];
    const auto collect = [&](FrameScanner& scanner) {
        while (scanner.next(state, out))
            frames.emplace_back(out, out + frame::lengthField(out) + 2);
    };
    for (const Bytes& read : reads) {
        FrameScanner scanner(read.data(), read.size(), FrameScanner::AtEnd::KeepPartial);
        collect(scanner);
    }
    FrameScanner quiet(nullptr, 0, FrameScanner::AtEnd::Abandon);
    collect(quiet);
    return frames;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const auto port = [] {
        setPauseAfterBlock(std::chrono::milliseconds(0));
        return ULXSerialPort::serialPortWithDevice(SerialDevice::forNode("/dev/fuzz-parser"));
    }();

    FuzzedDataProvider input(data, size);
    std::vector<Bytes> reads;
    Bytes stream;
    while (input.remaining_bytes() > 0) {
        const auto readSize = input.ConsumeIntegralInRange<std::size_t>(1, 1024);
        reads.push_back(input.ConsumeBytes<uint8_t>(readSize));
        stream.insert(stream.end(), reads.back().begin(), reads.back().end());
    }

    if (framesScanned(reads) != framesByTheRules(stream)) {
        std::fprintf(stderr, "the parser's frames differ from the frame rules\n");
        std::abort();
    }

    // The port's own path, decoder included (block requests answered from
    // whatever file is loaded; the port is not open, so nothing is written).
    protocolParserState().reset();
    for (const Bytes& read : reads) port->MAIN_USART_PLOV_PROTOCOL_RUN(read.data(), read.size());
    port->MAIN_USART_PLOV_PROTOCOL_QUIET();
    return 0;
}
