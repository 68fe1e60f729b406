#pragma once
// A simulated gimbal on the master end of a pseudo-terminal. It answers each
// calibration and query request with its reply, answers saves with 0xF1, and
// runs the firmware conversation, afresh for every upgrade: it accepts the
// upgrade request, asks for every block of every board it should serve and
// waits for each answer, then (single image) reports the other boards'
// progress. It keeps every block of the latest upgrade so a test can compare
// each board's image with the file.
//
// After a complete upgrade it restarts as a gimbal does: silent for a while,
// then reporting its new firmware version.
//
// Faults can be scripted: no answer, refusal, failure report, a corrupted
// checksum, a block asked twice, a stall mid-transfer, hang-up, bursts, block
// requests left over from an interrupted upgrade.
//
// Its boot loader: a gimbal whose upgrade was cut (power lost after some
// blocks, or the tool stopped answering mid-transfer) restarts, silent for a
// while, into its boot loader, as does one plugged in already in it. The
// boot loader answers no calibration or version request, asks for block 0
// of ID3 every bootLoaderAskEvery, ignores block frames it did not ask for,
// and accepts an upgrade request as a running gimbal does; a complete
// upgrade restarts it as above, with the new version.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/PtyPair.h"

class GimbalSimulator {
public:
    enum class UpgradeAnswer { kAccept, kRefuse1, kRefuse2, kNoAnswer };

    struct Faults {
        bool silent = false;  // answer nothing at all
        UpgradeAnswer upgradeAnswer = UpgradeAnswer::kAccept;
        int failAfterBlocks = -1;       // send 0xE7 01 after this many answered blocks
        int stallAfterBlocks = -1;      // stop asking after this many answered blocks
        int askTwiceBlock = -1;         // ask this block number twice in a row (each board)
        bool corruptNextReply = false;  // the next frame sent carries a wrong checksum
        // Until an upgrade request comes, ask for this block of ID3 every 20 ms,
        // from before the tool opens the line: a gimbal left mid-upgrade.
        int staleAskBlock = -1;
        // Power lost after this many answered blocks of an upgrade (cutTimes
        // upgrades in a row; each later one runs whole): silent for
        // cutSilence, then the boot loader.
        int cutAfterBlocks = -1;
        int cutTimes = 1;
        // The tool stopped answering block requests for toolSilenceLimit
        // mid-transfer: the same restart into the boot loader.
        bool bootLoaderWhenToolSilent = false;
        // Plugged in already in the boot loader (taken when set).
        bool bootLoader = false;
        std::chrono::milliseconds cutSilence{1000};
        std::chrono::milliseconds toolSilenceLimit{2000};
        std::chrono::milliseconds bootLoaderAskEvery{1000};
    };

    struct FirmwareVersion {
        uint8_t whole = 0, thousandths = 0;  // 2.010: 2 and 10
    };
    // What a complete upgrade does: silence for `silence`, then the firmware
    // version `after`, or else the one a single-image request carried (a
    // three-image request carries none: the old one stays); with keepVersion
    // the old one (new firmware that did not take).
    struct Restart {
        std::chrono::milliseconds silence{0};
        std::optional<FirmwareVersion> after;
        bool keepVersion = false;
    };

    struct BoardImage {
        std::map<int, std::vector<uint8_t>> blocks;  // block number -> data of its latest frame
        int blockFrames = 0;                         // block frames received, repeats included
        bool endOfImage = false;                     // the end-of-image frame arrived
        std::vector<uint8_t> assembled() const;      // blocks 0.. joined in order
    };

    GimbalSimulator();
    ~GimbalSimulator();
    GimbalSimulator(const GimbalSimulator&) = delete;
    GimbalSimulator& operator=(const GimbalSimulator&) = delete;

    const std::string& slavePath() const { return pty_.slavePath(); }

    // Reply values.
    void setGyro(int16_t x, int16_t y, int16_t z);
    void setAccelerometer(int16_t x, int16_t y, int16_t z);
    void setVersion(uint8_t hwMinor, uint8_t hwMajor, uint8_t fwMinor, uint8_t fwMajor);
    void setJoystick(uint8_t command, int16_t value1, int16_t value2 = 0);
    void setFaults(const Faults& faults);
    void setRestart(const Restart& restart);
    // Interval between the gimbal's block reports for the other boards. The
    // default leaves the tool's 0.2 s pause after the end-of-image frame and
    // a supervision tick between two reports, so every step is seen.
    void setReportInterval(std::chrono::milliseconds interval);

    // Sends bytes to the tool in one write (a frame, noise, or several frames
    // joined into a burst).
    void send(const std::vector<uint8_t>& bytes);
    void sendBurst(const std::vector<std::vector<uint8_t>>& frames);
    // Closes the master end: the tool sees the device hang up.
    void hangUp();

    // What the tool sent.
    std::vector<uint8_t> bytesReceived() const;
    std::vector<std::vector<uint8_t>> framesReceived() const;
    std::vector<std::chrono::steady_clock::time_point> upgradeRequestTimes() const;
    void clearReceived();
    BoardImage board(int gimbalId) const;
    // True once every asked block and every report has been dealt with.
    bool conversationDone() const;
    // In the boot loader now (an upgrade it accepted there included), and
    // how many times an upgrade was cut (power or the tool's silence).
    bool inBootLoader() const;
    int cuts() const;

    // Blocks until the condition on the simulator holds or the timeout passes.
    bool waitUntil(const std::function<bool(const GimbalSimulator&)>& condition,
                   std::chrono::milliseconds timeout);

private:
    struct Step {
        enum Kind { kAsk, kReport } kind;
        int board;
        int block;
    };

    void run();
    void handleFrame(const std::vector<uint8_t>& frame);
    void answerRequest(const std::vector<uint8_t>& frame);
    void startConversation(const std::vector<uint8_t>& request);
    void handleBlockFrame(const std::vector<uint8_t>& frame);
    void askCurrentStep();
    void restartIfDone(std::chrono::steady_clock::time_point now);
    void cutToBootLoader(std::chrono::steady_clock::time_point now);
    void runBootLoader(std::chrono::steady_clock::time_point now);
    void writeFrame(uint8_t gimbalId, uint8_t command, const std::vector<uint8_t>& payload);
    void writeBytes(const std::vector<uint8_t>& bytes);
    void extractFrames();

    PtyPair pty_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> hangUpRequested_{false};
    std::atomic<bool> hungUp_{false};

    // Guarded by mutex_.
    int16_t gyro_[3] = {0, 0, 0};
    int16_t acc_[3] = {0, 0, 0};
    uint8_t version_[4] = {0, 0, 0, 0};
    std::map<uint8_t, std::pair<int16_t, int16_t>> joystick_;
    Faults faults_;
    Restart restart_;
    std::optional<FirmwareVersion> carried_;  // by the latest single-image request
    std::chrono::steady_clock::time_point restartEnds_{};
    std::chrono::milliseconds reportInterval_{400};
    std::vector<uint8_t> received_;
    std::vector<uint8_t> pending_;  // bytes not yet cut into frames
    std::vector<std::vector<uint8_t>> frames_;
    std::vector<std::chrono::steady_clock::time_point> requestTimes_;
    std::map<int, BoardImage> boards_;
    std::deque<Step> steps_;  // the conversation still to come
    bool conversationStarted_ = false;
    bool askedTwice_ = false;
    int blocksAnswered_ = 0;
    std::chrono::steady_clock::time_point nextReport_{};
    std::chrono::steady_clock::time_point nextStaleAsk_{};
    bool bootLoader_ = false;
    int cuts_ = 0;
    std::chrono::steady_clock::time_point nextBootAsk_{};
    std::chrono::steady_clock::time_point lastAsk_{};  // the latest block asked of the tool
};
