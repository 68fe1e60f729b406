#pragma once
// The operator's screen's files, built into gimbalctl (embed.cmake writes
// their bytes at build time from station/screen/ and the tool's page's style).

#include <span>
#include <string_view>

namespace gimbalctl {

struct ScreenFile {
    std::string_view path;  // as requested: "/index.html"
    std::string_view type;  // its Content-Type
    std::span<const unsigned char> bytes;
};

std::span<const ScreenFile> screenFiles();

}  // namespace gimbalctl
