#pragma once
// The loaded firmware file, shared process-wide: written by the loader on the
// main thread, read by the block senders on the reader's thread.
//
// Loading is disabled while an upgrade runs, but a gimbal may still ask for a
// block while the port is open outside an upgrade. The loader therefore swaps
// in a whole new set of variables under firmwareVariablesMutex(), and the
// senders hold that lock while they copy a block out. Main-thread readers need
// no lock: the main thread is the only writer.

#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

struct FirmwareVariables {
    static constexpr int Blocksize = 1056;  // image bytes in one full block
    static constexpr int kMaxBlocks = 255;  // block numbers travel in one byte

    std::vector<uint8_t> FileBuffer;  // the whole file, trailer included
    int64_t iFileLength = 0;          // size of the image area; 0: no usable file
    int8_t update_range = 0;          // 3 or 2 single image, 0x11..0x13 three images, 0 none
    int64_t Blocknum = 0;             // single image: full blocks
    int64_t LastBlock = 0;            // single image: 1 when a shorter last block follows
    int64_t Blocknum_id[4] = {};      // three images: full blocks of the image for ID1..ID3
    int64_t LastBlock_id[4] = {};
    int64_t iFileLength_id[4] = {};

    // Back to "no file", for tests.
    void reset() { *this = FirmwareVariables{}; }
};

FirmwareVariables& firmwareVariables();
// Held by the reader's thread while it reads the variables, and by the main
// thread while it replaces them.
std::mutex& firmwareVariablesMutex();
// Replaces the variables as a whole under the lock (main thread).
void installFirmwareVariables(FirmwareVariables variables);

// The pause after every block frame: the gimbal is answered at no more than
// five frames a second. Tests and fuzzers may shorten it; the tool never does.
constexpr std::chrono::milliseconds kDefaultPauseAfterBlock{200};
void setPauseAfterBlock(std::chrono::milliseconds pause);
std::chrono::milliseconds pauseAfterBlock();
