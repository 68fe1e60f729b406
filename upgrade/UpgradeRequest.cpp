#include "upgrade/UpgradeRequest.h"

#include "protocol/Frame.h"
#include "upgrade/FirmwareLayout.h"

namespace upgrade {

int fillUpgradeRequest(const FirmwareVariables& v, uint8_t* buffer) {
    buffer[4] = 0;
    buffer[5] = frame::kUpgradeRequest;
    buffer[6] = static_cast<uint8_t>(v.update_range);
    // Version bytes of a single image, the ID2 length of three images.
    const bool trailerPresent = static_cast<int64_t>(v.FileBuffer.size()) >= v.iFileLength + 16;
    for (int j = 0; j < 4; ++j) {
        buffer[7 + j] =
            trailerPresent ? v.FileBuffer[static_cast<std::size_t>(v.iFileLength + 12 + j)] : 0;
    }
    if (v.update_range == 3 || v.update_range == 2) {
        buffer[11] = static_cast<uint8_t>(v.Blocknum + v.LastBlock);
        return 8;
    }
    for (int k = 1; k <= 3; ++k) {
        buffer[10 + k] = static_cast<uint8_t>(v.Blocknum_id[k] + v.LastBlock_id[k]);
    }
    return 10;
}

}  // namespace upgrade
