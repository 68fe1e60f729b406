#pragma once
// The loaded firmware file as the block senders and the upgrade request see
// it: the whole file, its kind (update_range) and how its images split into
// blocks. Plain data; who shares it and how is up to the face.

#include <cstdint>
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
