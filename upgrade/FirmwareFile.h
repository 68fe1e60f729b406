#pragma once
// Loading a firmware file: the name and the trailer decide its kind
// (update_range), the trailer carries the maker word, the versions and, for a
// three-image file, the image lengths; the image area is split into blocks.
// The result replaces the process-wide firmware variables.
//
// A file that cannot be sent safely is refused with the illegal-file message
// and leaves no usable file (iFileLength 0, update_range 0): a file that
// cannot be read or is too large, one shorter than its trailer, three images
// whose lengths add up to more than the image area, and an image of more than
// 255 blocks (block numbers travel in one byte).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "translations/Marked.h"
#include "upgrade/FirmwareLayout.h"
#include "upgrade/FirmwareVersion.h"

namespace firmware {

// Byte for byte; the exclamation mark after "file" is the full-width U+FF01.
inline constexpr const char* kIllegalFileMessage =
    N_("Error : Illegal file"
       "\xEF\xBC\x81"
       "Please check again!");

// Larger files are refused without being read: the largest real firmware file
// (three images of 255 blocks) is under 1 MiB.
inline constexpr std::size_t kMaxFileSize = 16u << 20;

struct LoadResult {
    bool usable = false;                // false: refused, no usable file left
    std::vector<std::string> messages;  // for the message log, in order (UTF-8)
    int maxProgress = 0;                // progress-bar maximum when usable
    std::string refusal;                // why the file was refused, in plain words
    bool makerWordMatches = false;
    // From the trailer, when usable: as the window's text reads its bytes (signed)...
    double hardwareVersion = 0.0;
    double firmwareVersion = 0.0;
    // ...and as the gimbal will report them once it runs this file (unsigned).
    Versions versions;
};

// The versions in the trailer of a loaded file; all zero when none is loaded.
Versions versionsOf(const FirmwareVariables& loaded);

// The whole content of a regular file of at most kMaxFileSize bytes; none
// when it cannot be read.
std::optional<std::vector<uint8_t>> readFile(const std::string& path);

// What the file at `path` with this content (none: unreadable) is: the result
// for the message log, and the firmware variables it makes (empty when refused).
LoadResult analyse(const std::string& path, std::optional<std::vector<uint8_t>> content,
                   FirmwareVariables& out);

// Loads the file at `path` (its name decides the kind together with the
// trailer) and installs the result as the firmware variables.
LoadResult load(const std::string& path);
// The same for content already read; none stands for an unreadable file.
LoadResult load(const std::string& path, std::optional<std::vector<uint8_t>> content);

}  // namespace firmware
