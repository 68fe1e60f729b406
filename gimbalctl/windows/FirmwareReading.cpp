// Reading a firmware file on Windows (upgrade/FirmwareStore.cpp keeps it as
// the firmware variables each port's link session serves its blocks from).

#include <fstream>
#include <iterator>

#include "upgrade/FirmwareFile.h"

namespace firmware {

std::optional<std::vector<uint8_t>> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return std::nullopt;
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<uint64_t>(size) > kMaxFileSize) return std::nullopt;
    std::vector<uint8_t> content(static_cast<std::size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(content.data()), size)) return std::nullopt;
    return content;
}

}  // namespace firmware
