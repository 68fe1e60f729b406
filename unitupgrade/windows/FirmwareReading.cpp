// Reading a firmware file on Windows (upgrade/FirmwareStore.cpp keeps it as
// the firmware variables each port's link session serves its blocks from).
// Opened by its wide name, so that a name in any language is found.

#include <cstdio>
#include <memory>

#include "unitupgrade/windows/Utf8.h"
#include "upgrade/FirmwareFile.h"

namespace firmware {

std::optional<std::vector<uint8_t>> readFile(const std::string& path) {
    const std::unique_ptr<FILE, int (*)(FILE*)> in(
        ::_wfopen(gimbalctl::windows::utf16(path).c_str(), L"rb"), &std::fclose);
    if (!in || ::_fseeki64(in.get(), 0, SEEK_END) != 0) return std::nullopt;
    const long long size = ::_ftelli64(in.get());
    if (size < 0 || static_cast<uint64_t>(size) > kMaxFileSize) return std::nullopt;
    std::vector<uint8_t> content(static_cast<std::size_t>(size));
    std::rewind(in.get());
    if (std::fread(content.data(), 1, content.size(), in.get()) != content.size()) {
        return std::nullopt;
    }
    return content;
}

}  // namespace firmware
