#pragma once
// The upgrade request (command 0xE0 to gimbal id 0), built from the loaded
// file: update_range, the four bytes at trailer offsets 12 to 15, and the block
// count of the image (single image) or of each image in the order ID1, ID2, ID3.

#include <cstdint>

#include "upgrade/FirmwareLayout.h"

namespace upgrade {

constexpr int kRequestBufferSize = 16;  // room for the longer form, framed

// Places gimbal id, command and payload for the file `v` at offset 4 of `buffer` (room for
// kRequestBufferSize bytes) and returns their count for ComSendData: 8 for a
// single image, 10 for three images.
int fillUpgradeRequest(const FirmwareVariables& v, uint8_t* buffer);

}  // namespace upgrade
