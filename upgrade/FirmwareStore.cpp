// The process-wide firmware variables of the desktop faces, and loading a
// file's content into them.

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

LoadResult load(const std::string& path, std::optional<std::vector<uint8_t>> content) {
    FirmwareVariables variables;
    LoadResult result = analyse(path, std::move(content), variables);
    installFirmwareVariables(std::move(variables));
    return result;
}

}  // namespace firmware
