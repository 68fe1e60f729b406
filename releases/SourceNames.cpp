#include "releases/SourceNames.h"

namespace releases {

namespace {

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
    return name;
}

}  // namespace releases
