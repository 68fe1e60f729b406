#include "releases/SourceNames.h"

#include <cstdint>

namespace releases {

namespace {

constexpr std::size_t kLongestName = 200;

std::string_view withoutFinalSlash(std::string_view source) {
    while (source.size() > 1 && source.back() == '/') source.remove_suffix(1);
    return source;
}

}  // namespace

std::string sourceEntry(std::string_view source, std::string_view name) {
    return std::string(withoutFinalSlash(source)) + "/" + std::string(name);
}

std::string cacheFolderName(std::string_view source) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string name;
    for (const char c : withoutFinalSlash(source)) {
        const auto byte = static_cast<unsigned char>(c);
        const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '.' || c == '-';
        if (kept) {
            name += c;
        } else {
            name += '_';
            name += kDigits[byte >> 4];
            name += kDigits[byte & 0xf];
        }
    }
    // "." and ".." would name no folder of their own.
    if (name == "." || name == "..") name = "_2e" + name.substr(1);
    // File systems take 255 bytes a name: a longer one keeps its start and
    // ends with a 64-bit FNV-1a hash of the whole.
    if (name.size() > kLongestName) {
        std::uint64_t hash = 0xcbf29ce484222325u;
        for (const char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3u;
        name.resize(kLongestName - 17);
        name += '_';
        for (int shift = 60; shift >= 0; shift -= 4) name += kDigits[(hash >> shift) & 0xf];
    }
    return name;
}

}  // namespace releases
