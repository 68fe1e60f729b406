#pragma once
// The loaded firmware file, shared process-wide: written by the loader on the
// main thread, read by the block senders on the reader's thread during an
// upgrade (loading is disabled while an upgrade runs).

#include <cstdint>
#include <vector>

struct FirmwareVariables {
    static constexpr int Blocksize = 1056;  // image bytes in one full block

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
