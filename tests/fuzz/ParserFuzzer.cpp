// Fuzzes the receive parser and the reply decoder through the portable link
// session, as a face drives it: the input is cut into reads of varying size
// that arrive at varying times, with the face's ticks (due writes, block
// reports, the status poll) in between. The frames the session decodes must be
// exactly those
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
#include "protocol/LinkSession.h"
#include "protocol/ParserState.h"
#include "serial/ULXSerialPort.h"
#include "upgrade/FirmwareFile.h"
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

struct Read {
    Bytes bytes;
    protocol::Millis delay = 0;  // since the read before
    protocol::Millis tick = 0;   // when the face ticks after it, from the read
};

// A three-block single image, so that block requests in the input are answered.
FirmwareVariables smallImage() {
    Bytes file(3 * 1000 + 16, 0x5A);
    file[file.size() - 5] = 0x10;
    file[file.size() - 6] = 0xFF;
    FirmwareVariables v;
    firmware::analyse("fuzz.1plov", file, v);
    return v;
}

std::vector<Bytes> framesThroughSession(const std::vector<Read>& reads) {
    static const FirmwareVariables image = smallImage();
    protocol::LinkSession session;
    session.setFirmware(image);
    std::vector<Bytes> frames;
    session.frameObserver = [&](const uint8_t* f, std::size_t n) { frames.emplace_back(f, f + n); };
    protocol::Millis now = 0;
    session.opened(now);
    for (const Read& read : reads) {
        now += read.delay;
        session.received(read.bytes.data(), read.bytes.size(), now);
        session.takeDueWrites(now + read.tick);
        session.takeBlockReports();
        session.pollStatus(2);
    }
    session.lineQuiet(now + protocol::LinkSession::kQuietAfter);
    return frames;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const auto port = [] {
        setPauseAfterBlock(std::chrono::milliseconds(0));
        return ULXSerialPort::serialPortWithDevice(SerialDevice::forNode("/dev/fuzz-parser"));
    }();

    FuzzedDataProvider input(data, size);
    std::vector<Read> reads;
    Bytes stream;
    while (input.remaining_bytes() > 0) {
        Read read;
        read.delay = input.ConsumeIntegralInRange<protocol::Millis>(0, 300);
        read.tick = input.ConsumeIntegralInRange<protocol::Millis>(0, 500);
        const auto readSize = input.ConsumeIntegralInRange<std::size_t>(1, 1024);
        read.bytes = input.ConsumeBytes<uint8_t>(readSize);
        stream.insert(stream.end(), read.bytes.begin(), read.bytes.end());
        reads.push_back(std::move(read));
    }

    if (framesThroughSession(reads) != framesByTheRules(stream)) {
        std::fprintf(stderr, "the parser's frames differ from the frame rules\n");
        std::abort();
    }

    // The port's own path, decoder included (block requests answered from
    // whatever file is loaded; the port is not open, so nothing is written).
    protocolParserState().reset();
    for (const Read& read : reads) {
        port->MAIN_USART_PLOV_PROTOCOL_RUN(read.bytes.data(), read.bytes.size());
    }
    port->MAIN_USART_PLOV_PROTOCOL_QUIET();
    return 0;
}
