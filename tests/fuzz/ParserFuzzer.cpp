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
//
// The same reads then drive an upgrade, with a new file offered at times, and
// what must hold whatever the face's timing is checked on every run: no two
// block frames taken less than the pause apart, no block from any file but
// the one the upgrade started with, and no timeout before 8 s without progress,
// also when a read lands between the supervision's reading of the idle count
// and its counting on (as the Linux port's reader thread can).

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "protocol/Frame.h"
#include "protocol/ParserState.h"
#include "serial/ULXSerialPort.h"
#include "session/LinkSession.h"
#include "upgrade/FirmwareFile.h"
#include "upgrade/FirmwareVariables.h"
#include "upgrade/UpgradeSupervisor.h"

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
    bool offerFile = false;      // the face offers another file before the tick
    bool duringTick = false;     // it arrives at the tick, between the idle count's read and add
};

void check(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// A three-block single image, so that block requests in the input are answered.
FirmwareVariables smallImage(uint8_t fill = 0x5A) {
    Bytes file(3 * 1000 + 16, fill);
    file[file.size() - 5] = 0x10;
    file[file.size() - 6] = 0xFF;
    FirmwareVariables v;
    firmware::analyse("fuzz.1plov", file, v);
    return v;
}

std::vector<Bytes> framesThroughSession(const std::vector<Read>& reads) {
    static const FirmwareVariables image = smallImage();
    session::LinkSession session;
    session.setFirmware(image, 0);
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
    session.lineQuiet(now + session::LinkSession::kQuietAfter);
    return frames;
}

// The session as the supervision sees it, noting when the gimbal made progress.
class WatchedLink : public upgrade::UpgradeLink {
public:
    explicit WatchedLink(session::LinkSession& s) : s_(s) {}
    protocol::Millis now = 0;
    protocol::Millis lastProgress = 0;
    std::function<void()> between;  // runs once between the idle count's read and add

    bool linkIsOpen() const override { return s_.linkIsOpen(); }
    const FirmwareVariables& linkFirmware() const override { return s_.linkFirmware(); }
    void beginUpgrade() override {
        s_.beginUpgrade();
        lastReport.reset();
    }
    int8_t upgradeState() const override { return s_.upgradeState(); }
    void setUpgradeState(int8_t state) override { s_.setUpgradeState(state); }
    int idleTicks() const override { return s_.idleTicks(); }
    void countIdleTicks(int seen, int count) override {
        if (between) std::exchange(between, nullptr)();
        s_.countIdleTicks(seen, count);
    }
    std::vector<upgrade::BlockReport> takeBlockReports() override {
        std::vector<upgrade::BlockReport> reports = s_.takeBlockReports();
        for (const upgrade::BlockReport& r : reports) {
            if (r != lastReport) lastProgress = now;  // a block asked for again is no progress
            lastReport = r;
        }
        return reports;
    }
    // A restart in the boot loader begins a new try, timed from its first tick.
    bool takeBootLoaderRestart() override {
        const bool restarted = s_.takeBootLoaderRestart();
        if (restarted) lastProgress = now + upgrade::kTickMs;
        return restarted;
    }
    void writeFrame(const uint8_t* bytes, std::size_t size) override { s_.writeFrame(bytes, size); }
    void closeLink() override { s_.closeLink(); }

private:
    session::LinkSession& s_;
    std::optional<upgrade::BlockReport> lastReport;
};

void upgradeThroughSession(const std::vector<Read>& reads) {
    static const FirmwareVariables image = smallImage();
    static const FirmwareVariables other = smallImage(0xA5);
    session::LinkSession session;
    session.setFirmware(image, 0);
    WatchedLink link(session);
    upgrade::UpgradeSupervisor supervisor({[](const char*) {}, [](int) {}});
    session.opened(0);
    check(supervisor.Upgrade(&link, 10, 0), "the upgrade did not start");
    link.lastProgress = upgrade::kTickMs;  // the first tick's time
    protocol::Millis now = 0;
    protocol::Millis lastBlock = -session::LinkSession::kPauseAfterBlock;
    auto tick = [&](protocol::Millis at) {
        link.now = at;
        const bool running = supervisor.handleTick(&link, at);
        if (supervisor.ending == upgrade::Ending::kTimeout && running) {
            check(at - link.lastProgress >= upgrade::kTimeoutMs, "timed out before 8 s");
        }
        for (const Bytes& w : session.takeDueWrites(at)) {
            if (w[5] != frame::kBlock) continue;
            check(at - lastBlock >= session::LinkSession::kPauseAfterBlock,
                  "two blocks taken less than the pause apart");
            lastBlock = at;
            const bool hasData = (w[7] | w[8] << 8) > 0;
            check(!hasData || w[9] == 0x5A, "a block from another file");
        }
        return running;
    };
    auto receive = [&](const Read& read, protocol::Millis at) {
        const int idleBefore = session.idleTicks();
        session.received(read.bytes.data(), read.bytes.size(), at);
        if (session.idleTicks() < idleBefore) link.lastProgress = at;  // the gimbal answered
    };
    for (const Read& read : reads) {
        now += read.delay;
        if (!read.duringTick) receive(read, now);
        if (read.offerFile && supervisor.rTimerFlag) {
            check(!session.setFirmware(other, now), "a file changed during the upgrade");
        }
        if (read.duringTick) link.between = [&, at = now + read.tick] { receive(read, at); };
        const bool running = tick(now + read.tick);
        if (link.between) std::exchange(link.between, nullptr)();  // the tick did not count
        if (!running) return;
        now += read.tick;
    }
    // The gimbal falls silent, with ticks a second apart: the blocks it asked
    // for still leave one by one, and the timeout comes 8 s after the last
    // progress, or one tick later.
    constexpr protocol::Millis kSecond = 1000;
    while (tick(now += kSecond)) {
        check(supervisor.ending == upgrade::Ending::kTimeout ||
                  now - link.lastProgress < upgrade::kTimeoutMs + kSecond,
              "no timeout 8 s after the last progress");
    }
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
        read.offerFile = input.ConsumeBool();
        read.duringTick = input.ConsumeBool();
        const auto readSize = input.ConsumeIntegralInRange<std::size_t>(1, 1024);
        read.bytes = input.ConsumeBytes<uint8_t>(readSize);
        stream.insert(stream.end(), read.bytes.begin(), read.bytes.end());
        reads.push_back(std::move(read));
    }

    check(framesThroughSession(reads) == framesByTheRules(stream),
          "the parser's frames differ from the frame rules");
    upgradeThroughSession(reads);

    // The port's own path, decoder included (block requests answered from
    // whatever file is loaded; the port is not open, so nothing is written).
    protocolParserState().reset();
    for (const Read& read : reads) {
        port->MAIN_USART_PLOV_PROTOCOL_RUN(read.bytes.data(), read.bytes.size());
    }
    port->MAIN_USART_PLOV_PROTOCOL_QUIET();
    return 0;
}
