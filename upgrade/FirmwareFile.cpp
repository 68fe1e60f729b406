#include "upgrade/FirmwareFile.h"

#include <cstring>

#include "platform/NumberText.h"
#include "translations/Marked.h"

namespace firmware {
namespace {

constexpr int64_t kSingleTrailer = 16;
constexpr int64_t kMultiTrailer = 32;
constexpr char kMakerWord[] = "tuvik";

struct Blocks {
    int64_t full = 0;
    int64_t last = 0;  // 1 when a shorter block follows the full ones
    int64_t count() const { return full + last; }
};

Blocks blocksOf(int64_t length) {
    Blocks b;
    b.full = length / FirmwareVariables::Blocksize;
    b.last = length > b.full * FirmwareVariables::Blocksize ? 1 : 0;
    return b;
}

bool nameEndsInPlov(const std::string& path) {
    // Compared case-sensitively: .PLOV, .1plov or .plov2 do not pass.
    constexpr std::string_view kExtension = ".plov";
    return path.size() >= kExtension.size() &&
           path.compare(path.size() - kExtension.size(), kExtension.size(), kExtension) == 0;
}

// The kind of file from its name and the marker at 6 and 5 bytes before its
// end; 0 for a marker this name does not allow.
int8_t classify(bool plainPlovName, uint8_t low, uint8_t high) {
    if (plainPlovName) return (high == 0x12 && low == 0xFF) ? 2 : 3;
    if (high == 0x10 && low == 0xFF) return 3;
    if (high == 0x20 && low >= 1 && low <= 3) return static_cast<int8_t>(0x10 + low);
    return 0;
}

bool isSingleImage(int8_t updateRange) { return updateRange == 3 || updateRange == 2; }

uint32_t le32At(const std::vector<uint8_t>& bytes, int64_t offset) {
    const uint8_t* p = bytes.data() + offset;
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

std::string versionText(const uint8_t* v) {
    const double hardware = static_cast<int8_t>(v[0]) + static_cast<int8_t>(v[1]) / 1000.0;
    const double firmware = static_cast<int8_t>(v[2]) + static_cast<int8_t>(v[3]) / 1000.0;
    return "\r\nHardware Ver.:" + fixedPointText(hardware, 3) +
           "   \r\nFirmware Ver.:" + fixedPointText(firmware, 3);
}

LoadResult refuse(const char* why) {
    LoadResult result;
    result.messages = {kIllegalFileMessage};
    result.refusal = why;
    return result;
}

}  // namespace

LoadResult analyse(const std::string& path, std::optional<std::vector<uint8_t>> content,
                   FirmwareVariables& out) {
    out = FirmwareVariables{};
    if (!content) {
        return refuse(N_("the file cannot be read, or is not a regular file of at most 16 MiB"));
    }
    if (content->size() < 6) return refuse(N_("the file is too short to carry a trailer"));
    const auto length = static_cast<int64_t>(content->size());

    FirmwareVariables v;
    v.update_range = classify(nameEndsInPlov(path), (*content)[length - 6], (*content)[length - 5]);
    if (v.update_range == 0) {
        return refuse(N_("its name and trailer marker name no known kind of file"));
    }

    const bool single = isSingleImage(v.update_range);
    const int64_t trailerSize = single ? kSingleTrailer : kMultiTrailer;
    if (length < trailerSize) return refuse(N_("the file is shorter than its trailer"));
    v.iFileLength = length - trailerSize;
    const int64_t trailer = v.iFileLength;

    int maxProgress = 0;
    if (single) {
        const Blocks b = blocksOf(v.iFileLength);
        if (b.count() > FirmwareVariables::kMaxBlocks) {
            return refuse(N_("the image has more than 255 blocks"));
        }
        v.Blocknum = b.full;
        v.LastBlock = b.last;
        maxProgress = static_cast<int>(b.count() * (v.update_range == 3 ? 3 : 2));
    } else {
        int64_t total = 0;
        for (int k = 1; k <= 3; ++k) {
            const int64_t imageLength = le32At(*content, trailer + 4 + 4 * k);
            const Blocks b = blocksOf(imageLength);
            if (b.count() > FirmwareVariables::kMaxBlocks) {
                return refuse(N_("an image has more than 255 blocks"));
            }
            v.iFileLength_id[k] = imageLength;
            v.Blocknum_id[k] = b.full;
            v.LastBlock_id[k] = b.last;
            total += imageLength;
            maxProgress += static_cast<int>(b.count());
        }
        // The three images lie back to back in the image area and must fit it.
        if (total > v.iFileLength) {
            return refuse(N_("the image lengths in the trailer exceed the image area"));
        }
    }

    LoadResult result;
    result.usable = true;
    result.maxProgress = maxProgress;
    const uint8_t* version = content->data() + trailer + trailerSize - 4;
    result.hardwareVersion =
        static_cast<int8_t>(version[0]) + static_cast<int8_t>(version[1]) / 1000.0;
    result.firmwareVersion =
        static_cast<int8_t>(version[2]) + static_cast<int8_t>(version[3]) / 1000.0;
    result.versions = {{version[0], version[1]}, {version[2], version[3]}};
    result.makerWordMatches = std::memcmp(content->data() + trailer, kMakerWord, 5) == 0;
    // A wrong maker word is reported, yet the file stays loadable.
    if (!result.makerWordMatches) {
        result.messages.emplace_back(kIllegalFileMessage);
    } else {
        result.messages.push_back(versionText(content->data() + trailer + trailerSize - 4));
    }

    v.FileBuffer = std::move(*content);
    out = std::move(v);
    return result;
}

Versions versionsOf(const FirmwareVariables& loaded) {
    if (loaded.update_range == 0) return {};
    const int64_t trailerSize = isSingleImage(loaded.update_range) ? kSingleTrailer : kMultiTrailer;
    const int64_t at = loaded.iFileLength + trailerSize - 4;
    if (at < 0 || at + 4 > static_cast<int64_t>(loaded.FileBuffer.size())) return {};
    const uint8_t* v = loaded.FileBuffer.data() + at;
    return {{v[0], v[1]}, {v[2], v[3]}};
}

}  // namespace firmware
