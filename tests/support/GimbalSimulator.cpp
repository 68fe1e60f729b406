#include "tests/support/GimbalSimulator.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "protocol/Frame.h"

namespace {

std::vector<uint8_t> le16(int16_t v) {
    const auto u = static_cast<uint16_t>(v);
    return {static_cast<uint8_t>(u & 0xFF), static_cast<uint8_t>(u >> 8)};
}

void append(std::vector<uint8_t>& to, const std::vector<uint8_t>& bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

}  // namespace

std::vector<uint8_t> GimbalSimulator::BoardImage::assembled() const {
    std::vector<uint8_t> image;
    for (const auto& [number, data] : blocks) append(image, data);
    return image;
}

GimbalSimulator::GimbalSimulator() {
    joystick_[frame::kJoystickUp] = {300, 0};
    joystick_[frame::kJoystickDown] = {3900, 0};
    joystick_[frame::kJoystickLeft] = {250, 0};
    joystick_[frame::kJoystickRight] = {3950, 0};
    joystick_[frame::kJoystickMiddle] = {2000, 2010};
    thread_ = std::thread([this] { run(); });
}

GimbalSimulator::~GimbalSimulator() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void GimbalSimulator::setGyro(int16_t x, int16_t y, int16_t z) {
    std::lock_guard lock(mutex_);
    gyro_[0] = x, gyro_[1] = y, gyro_[2] = z;
}

void GimbalSimulator::setAccelerometer(int16_t x, int16_t y, int16_t z) {
    std::lock_guard lock(mutex_);
    acc_[0] = x, acc_[1] = y, acc_[2] = z;
}

void GimbalSimulator::setVersion(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    std::lock_guard lock(mutex_);
    version_[0] = a, version_[1] = b, version_[2] = c, version_[3] = d;
}

void GimbalSimulator::setJoystick(uint8_t command, int16_t value1, int16_t value2) {
    std::lock_guard lock(mutex_);
    joystick_[command] = {value1, value2};
}

void GimbalSimulator::setFaults(const Faults& faults) {
    std::lock_guard lock(mutex_);
    faults_ = faults;
    if (faults.bootLoader && !bootLoader_) {
        steps_.clear();
        bootLoader_ = true;
        nextBootAsk_ = std::chrono::steady_clock::now();
    }
}

void GimbalSimulator::setRestart(const Restart& restart) {
    std::lock_guard lock(mutex_);
    restart_ = restart;
}

void GimbalSimulator::setReportInterval(std::chrono::milliseconds interval) {
    std::lock_guard lock(mutex_);
    reportInterval_ = interval;
}

void GimbalSimulator::send(const std::vector<uint8_t>& bytes) {
    std::lock_guard lock(mutex_);
    writeBytes(bytes);
}

void GimbalSimulator::sendBurst(const std::vector<std::vector<uint8_t>>& frames) {
    std::vector<uint8_t> burst;
    for (const auto& f : frames) append(burst, f);
    send(burst);
}

void GimbalSimulator::hangUp() {
    hangUpRequested_ = true;
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::seconds(2), [&] { return hungUp_.load(); });
}

std::vector<uint8_t> GimbalSimulator::bytesReceived() const {
    std::lock_guard lock(mutex_);
    return received_;
}

std::vector<std::vector<uint8_t>> GimbalSimulator::framesReceived() const {
    std::lock_guard lock(mutex_);
    return frames_;
}

std::vector<std::chrono::steady_clock::time_point> GimbalSimulator::upgradeRequestTimes() const {
    std::lock_guard lock(mutex_);
    return requestTimes_;
}

void GimbalSimulator::clearReceived() {
    std::lock_guard lock(mutex_);
    received_.clear();
    frames_.clear();
    requestTimes_.clear();
}

GimbalSimulator::BoardImage GimbalSimulator::board(int gimbalId) const {
    std::lock_guard lock(mutex_);
    auto it = boards_.find(gimbalId);
    return it == boards_.end() ? BoardImage{} : it->second;
}

bool GimbalSimulator::conversationDone() const {
    std::lock_guard lock(mutex_);
    return conversationStarted_ && steps_.empty() && !bootLoader_;
}

bool GimbalSimulator::inBootLoader() const {
    std::lock_guard lock(mutex_);
    return bootLoader_;
}

int GimbalSimulator::cuts() const {
    std::lock_guard lock(mutex_);
    return cuts_;
}

bool GimbalSimulator::waitUntil(const std::function<bool(const GimbalSimulator&)>& condition,
                                std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition(*this)) {
        if (std::chrono::steady_clock::now() >= deadline) return condition(*this);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void GimbalSimulator::run() {
    uint8_t chunk[4096];
    while (!stop_) {
        if (hangUpRequested_ && !hungUp_) {
            std::lock_guard lock(mutex_);
            pty_.closeMaster();
            hungUp_ = true;
            changed_.notify_all();
        }
        if (hungUp_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        pollfd pfd{pty_.master(), POLLIN, 0};
        const int ready = ::poll(&pfd, 1, 5);
        if (ready > 0 && (pfd.revents & POLLIN)) {
            const ssize_t n = ::read(pty_.master(), chunk, sizeof chunk);
            if (n > 0) {
                std::lock_guard lock(mutex_);
                received_.insert(received_.end(), chunk, chunk + n);
                pending_.insert(pending_.end(), chunk, chunk + n);
                extractFrames();
            }
        }
        std::lock_guard lock(mutex_);
        const auto now = std::chrono::steady_clock::now();
        if (faults_.staleAskBlock >= 0 && requestTimes_.empty() && now >= nextStaleAsk_) {
            writeFrame(3, frame::kBlock, {static_cast<uint8_t>(faults_.staleAskBlock)});
            nextStaleAsk_ = now + std::chrono::milliseconds(20);
        }
        if (!steps_.empty() && steps_.front().kind == Step::kReport && now >= nextReport_) {
            const Step step = steps_.front();
            steps_.pop_front();
            writeFrame(static_cast<uint8_t>(step.board), frame::kBlockReport,
                       {static_cast<uint8_t>(step.block)});
            nextReport_ = now + reportInterval_;
            restartIfDone(now);
        }
        runBootLoader(now);
    }
}

// The tool's silence mid-transfer cuts the upgrade; the boot loader, idle,
// asks for block 0 of ID3 on its schedule once its restart's silence is over.
void GimbalSimulator::runBootLoader(std::chrono::steady_clock::time_point now) {
    if (faults_.bootLoaderWhenToolSilent && !steps_.empty() && steps_.front().kind == Step::kAsk &&
        now - lastAsk_ >= faults_.toolSilenceLimit) {
        cutToBootLoader(now);
    }
    if (!bootLoader_ || !steps_.empty() || now < restartEnds_ || now < nextBootAsk_) return;
    writeFrame(3, frame::kBlock, {0});
    nextBootAsk_ = now + faults_.bootLoaderAskEvery;
}

// The upgrade stops where it is; the gimbal restarts, silent for a while,
// into its boot loader.
void GimbalSimulator::cutToBootLoader(std::chrono::steady_clock::time_point now) {
    steps_.clear();
    ++cuts_;
    bootLoader_ = true;
    restartEnds_ = now + faults_.cutSilence;
    nextBootAsk_ = restartEnds_;
    changed_.notify_all();
}

// Cuts whole frames (start bytes, length, checksum and end byte in place) out
// of the bytes received so far; bytes that cannot start a frame are skipped.
void GimbalSimulator::extractFrames() {
    std::size_t pos = 0;
    while (pending_.size() - pos >= 4) {
        if (pending_[pos] != frame::kStart1 || pending_[pos + 1] != frame::kStart2) {
            ++pos;
            continue;
        }
        const unsigned length = frame::lengthField(&pending_[pos]);
        if (length < 6 || length > 4096) {
            ++pos;
            continue;
        }
        if (pending_.size() - pos < length + 2) break;
        const uint8_t* f = &pending_[pos];
        if (f[length + 1] != frame::kEnd || frame::checksumOf(f, length) != f[length]) {
            ++pos;
            continue;
        }
        std::vector<uint8_t> whole(f, f + length + 2);
        pos += length + 2;
        frames_.push_back(whole);
        handleFrame(whole);
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(pos));
}

void GimbalSimulator::handleFrame(const std::vector<uint8_t>& f) {
    const uint8_t command = f[5];
    if (command == frame::kUpgradeRequest) {
        requestTimes_.push_back(std::chrono::steady_clock::now());
    }
    if (faults_.silent || std::chrono::steady_clock::now() < restartEnds_) return;
    // The boot loader knows upgrades only.
    if (bootLoader_ && command != frame::kUpgradeRequest && command != frame::kBlock) return;
    if (command == frame::kUpgradeRequest) {
        switch (faults_.upgradeAnswer) {
            case UpgradeAnswer::kNoAnswer:
                return;
            case UpgradeAnswer::kRefuse1:
                writeFrame(0, frame::kUpgradeRequest, {1});
                return;
            case UpgradeAnswer::kRefuse2:
                writeFrame(0, frame::kUpgradeRequest, {2});
                return;
            case UpgradeAnswer::kAccept:
                // Busy passing the image on to the other boards: asked again later.
                if (!steps_.empty() && steps_.front().kind == Step::kReport) return;
                writeFrame(0, frame::kUpgradeRequest, {0xFF});
                // A request after a finished conversation starts the next upgrade.
                if (!conversationStarted_ || steps_.empty()) startConversation(f);
                return;
        }
    }
    if (command == frame::kBlock) {
        handleBlockFrame(f);
        return;
    }
    answerRequest(f);
}

void GimbalSimulator::answerRequest(const std::vector<uint8_t>& f) {
    const uint8_t id = f[4];
    const uint8_t command = f[5];
    std::vector<uint8_t> payload;
    switch (command) {
        case frame::kInitGyro:
            for (int16_t v : gyro_) append(payload, le16(v));
            break;
        case frame::kAccelerometer:
            payload.push_back(frame::lengthField(f.data()) > 6 ? f[6] : 0);
            for (int16_t v : acc_) append(payload, le16(v));
            break;
        case frame::kResetParameters:
            break;
        case frame::kReadVersion:
            payload.assign(version_, version_ + 4);
            break;
        case frame::kJoystickUp:
        case frame::kJoystickDown:
        case frame::kJoystickLeft:
        case frame::kJoystickRight:
            append(payload, le16(joystick_[command].first));
            break;
        case frame::kJoystickMiddle:
            append(payload, le16(joystick_[command].first));
            append(payload, le16(joystick_[command].second));
            break;
        case frame::kSaveAll:
        case frame::kSaveJoystick:
            writeFrame(id, frame::kSaveAll, {});
            return;
        default:
            return;  // not a request this gimbal knows
    }
    writeFrame(id, command, payload);
}

void GimbalSimulator::startConversation(const std::vector<uint8_t>& request) {
    conversationStarted_ = true;
    boards_.clear();  // the images of the latest upgrade only
    blocksAnswered_ = 0;
    askedTwice_ = false;
    const unsigned length = frame::lengthField(request.data());
    const uint8_t updateRange = request[6];
    auto askAll = [&](int board, int blocks) {
        for (int b = 0; b <= blocks; ++b) steps_.push_back({Step::kAsk, board, b});
    };
    auto reportAll = [&](int board, int blocks) {
        for (int b = 0; b <= blocks; ++b) steps_.push_back({Step::kReport, board, b});
    };
    carried_.reset();
    if (length == 12) {  // single image: one count at offset 11
        carried_ = FirmwareVersion{request[9], request[10]};  // after the hardware version
        const int n = request[11];
        const int served = (updateRange == 2) ? 2 : 3;
        askAll(served, n);
        if (served == 3) reportAll(2, n);
        reportAll(1, n);
    } else {  // three images: counts for ID1, ID2, ID3 at offsets 11..13
        askAll(3, request[13]);
        askAll(2, request[12]);
        askAll(1, request[11]);
    }
    askCurrentStep();
}

void GimbalSimulator::askCurrentStep() {
    if (steps_.empty()) return;
    const Step& step = steps_.front();
    if (step.kind == Step::kAsk) {
        lastAsk_ = std::chrono::steady_clock::now();
        writeFrame(static_cast<uint8_t>(step.board), frame::kBlock,
                   {static_cast<uint8_t>(step.block)});
    } else {
        nextReport_ = std::chrono::steady_clock::now() + reportInterval_;
    }
}

void GimbalSimulator::handleBlockFrame(const std::vector<uint8_t>& f) {
    const int id = f[4];
    const int number = f[6];
    const unsigned n = static_cast<unsigned>(f[7] | (f[8] << 8));
    const bool asked = !steps_.empty() && steps_.front().kind == Step::kAsk &&
                       steps_.front().board == id && steps_.front().block == number;
    if (bootLoader_ && !asked) return;  // the boot loader keeps only what it asked for
    BoardImage& image = boards_[id];
    ++image.blockFrames;
    if (n == 0) {
        image.endOfImage = true;
    } else {
        image.blocks[number].assign(f.begin() + 9, f.begin() + 9 + n);
    }
    if (!asked) return;  // not the block asked for now
    ++blocksAnswered_;
    if (faults_.askTwiceBlock == number && !askedTwice_) {
        askedTwice_ = true;
        askCurrentStep();
        return;
    }
    askedTwice_ = false;
    steps_.pop_front();
    if (faults_.failAfterBlocks >= 0 && blocksAnswered_ >= faults_.failAfterBlocks) {
        steps_.clear();
        writeFrame(static_cast<uint8_t>(id), frame::kFinalReport, {1});
        return;
    }
    if (faults_.stallAfterBlocks >= 0 && blocksAnswered_ >= faults_.stallAfterBlocks) {
        steps_.clear();
        return;
    }
    if (faults_.cutAfterBlocks >= 0 && cuts_ < faults_.cutTimes &&
        blocksAnswered_ >= faults_.cutAfterBlocks) {
        cutToBootLoader(std::chrono::steady_clock::now());
        return;
    }
    restartIfDone(std::chrono::steady_clock::now());
    askCurrentStep();
}

// The last step of a conversation done: the gimbal restarts into its new firmware.
void GimbalSimulator::restartIfDone(std::chrono::steady_clock::time_point now) {
    if (!steps_.empty()) return;
    bootLoader_ = false;
    restartEnds_ = now + restart_.silence;
    const std::optional<FirmwareVersion> next = restart_.after ? restart_.after : carried_;
    if (restart_.keepVersion || !next) return;
    version_[2] = next->thousandths;
    version_[3] = next->whole;
}

void GimbalSimulator::writeFrame(uint8_t gimbalId, uint8_t command,
                                 const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> bytes = frame::make(gimbalId, command, payload);
    if (faults_.corruptNextReply) {
        faults_.corruptNextReply = false;
        bytes[bytes.size() - 2] = static_cast<uint8_t>(bytes[bytes.size() - 2] + 1);
    }
    writeBytes(bytes);
}

void GimbalSimulator::writeBytes(const std::vector<uint8_t>& bytes) {
    if (hungUp_) return;
    pty_.writeMaster(bytes.data(), bytes.size());
}
