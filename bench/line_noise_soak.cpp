// Streams random line noise with valid frames interleaved through a real
// pseudo-terminal into an open port, in random chunk sizes, and counts how
// many frames the port decoded. The frames are block requests for the end of
// a loaded zero-block image, so every decoded one is answered on the line
// with an end-of-image frame that this program counts. The noise carries
// frequent false starts (0xAA 0x55 and a plausible length) besides chance
// ones. Prints frames sent, frames decoded and resident memory at start and end.
//
//   line_noise_soak [seconds]   (default 60)

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <thread>
#include <vector>

#include "platform/LoopMainQueue.h"
#include "protocol/Frame.h"
#include "serial/ULXSerialPort.h"
#include "tests/support/PtyPair.h"
#include "upgrade/FirmwareVariables.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

long residentKiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

// Counts the frames the port writes back; its output carries no noise, so
// frames follow each other and are cut by their length fields.
class AnswerCounter {
public:
    explicit AnswerCounter(int master) : master_(master), thread_([this] { run(); }) {}
    ~AnswerCounter() {
        stop_ = true;
        thread_.join();
    }
    long count() const { return count_; }

private:
    void run() {
        Bytes pending;
        uint8_t chunk[4096];
        while (!stop_) {
            pollfd wait{master_, POLLIN, 0};
            if (::poll(&wait, 1, 20) <= 0) continue;
            const ssize_t n = ::read(master_, chunk, sizeof chunk);
            if (n <= 0) continue;
            pending.insert(pending.end(), chunk, chunk + n);
            std::size_t at = 0;
            while (pending.size() - at >= 4) {
                const std::size_t size = frame::lengthField(&pending[at]) + 2;
                if (pending.size() - at < size) break;
                at += size;
                ++count_;
            }
            pending.erase(pending.begin(), pending.begin() + static_cast<long>(at));
        }
    }
    int master_;
    std::atomic<bool> stop_{false};
    std::atomic<long> count_{0};
    std::thread thread_;
};

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    MainQueue::install(std::make_shared<LoopMainQueue>());
    setPauseAfterBlock(std::chrono::milliseconds(0));
    FirmwareVariables image;
    image.FileBuffer.assign(16, 0);
    image.update_range = 3;  // a single image of no blocks: block 0 is its end
    installFirmwareVariables(std::move(image));

    PtyPair pty;
    auto port = ULXSerialPort::serialPortWithPath(pty.slavePath());
    if (!port || !port->open()) {
        std::fprintf(stderr, "cannot open %s\n", pty.slavePath().c_str());
        return 1;
    }
    const long rssStart = residentKiB();
    AnswerCounter answers(pty.master());

    std::mt19937 random(12345);
    const auto below = [&](unsigned n) { return static_cast<unsigned>(random() % n); };
    const Bytes request = frame::make(3, frame::kBlock, {0});
    long sent = 0;
    long falseStarts = 0;
    Bytes line;
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < end) {
        line.clear();
        for (unsigned i = below(200); i > 0; --i) line.push_back(static_cast<uint8_t>(random()));
        if (below(20) == 0) {
            const unsigned length = 3 + below(2096);
            line.insert(line.end(), {0xAA, 0x55, static_cast<uint8_t>(length),
                                     static_cast<uint8_t>(length >> 8)});
            ++falseStarts;
        }
        line.insert(line.end(), request.begin(), request.end());
        ++sent;
        // Written in random chunk sizes.
        for (std::size_t at = 0; at < line.size();) {
            const std::size_t size = std::min<std::size_t>(1 + below(64), line.size() - at);
            pty.writeMaster(line.data() + at, size);
            at += size;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(below(8000)));
    }
    // Noise after the last frame, then a quiet line.
    line.clear();
    for (int i = 0; i < 3000; ++i) line.push_back(static_cast<uint8_t>(random()));
    pty.writeMaster(line.data(), line.size());
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    std::printf("frames sent      %ld (%ld behind a false start)\n", sent, falseStarts);
    std::printf("frames decoded   %ld\n", answers.count());
    std::printf("resident memory  %ld KiB at start, %ld KiB at end\n", rssStart, residentKiB());
    port->close();
    return answers.count() == sent ? 0 : 1;
}
