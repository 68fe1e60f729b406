// Reading a firmware file on Windows and keeping it as the firmware
// variables that each port's link session serves its blocks from.

#include <fstream>
#include <iterator>

#include "upgrade/FirmwareFile.h"
#include "upgrade/FirmwareVariables.h"

FirmwareVariables& firmwareVariables() {
    static FirmwareVariables variables;
    return variables;
}

std::mutex& firmwareVariablesMutex() {
    static std::mutex mutex;
    return mutex;
}

void installFirmwareVariables(FirmwareVariables variables) {
    std::lock_guard lock(firmwareVariablesMutex());
    firmwareVariables() = std::move(variables);
}

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

LoadResult load(const std::string& path, std::optional<std::vector<uint8_t>> content) {
    FirmwareVariables variables;
    LoadResult result = analyse(path, std::move(content), variables);
    installFirmwareVariables(std::move(variables));
    return result;
}

}  // namespace firmware
