#pragma once
// Loading a firmware file, on every system, with the reason it cannot be read.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "upgrade/FirmwareFile.h"

namespace gimbalctl {

// Reads and loads a firmware file as the window does; when it cannot be read,
// returns none with why in `error` (one line). The bytes read go to `content`
// when given. `name`, when given, is the file's own name, which decides its
// kind, for a path that does not carry it (a descriptor's).
std::optional<firmware::LoadResult> loadFirmwareFile(const std::string& path, std::string& error,
                                                     std::vector<uint8_t>* content = nullptr,
                                                     const std::string& name = {});

}  // namespace gimbalctl
