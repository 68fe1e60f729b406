#include "releases/TrustedKeys.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "releases/BuiltInKeys.h"
#include "releases/Fetch.h"

namespace releases {

namespace {

// Larger files are not keys.
constexpr std::size_t kMaxKeyFileSize = 4096;

std::optional<PublicKey> readKey(const std::string& path, std::string& error) {
    const Fetched file = fetch(path, kMaxKeyFileSize);
    if (!file.ok()) {
        error = file.error;
        return std::nullopt;
    }
    ParsedKey parsed = parsePublicKey(file.bytes);
    if (!parsed.key) error = path + ": " + parsed.error;
    return parsed.key;
}

void addFolder(const std::filesystem::path& folder, TrustedKeys& trusted) {
    std::error_code error;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.path().extension() == ".pub") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        std::string why;
        if (auto key = readKey(file.string(), why)) {
            trusted.keys.push_back(std::move(*key));
        } else {
            trusted.skipped.push_back(why);
        }
    }
}

}  // namespace

std::string userKeyFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    const std::string base = config && *config == '/' ? std::string(config)
                             : home && *home          ? std::string(home) + "/.config"
                                                      : std::string(".config");
    return base + "/gimbalctl/trusted-keys";
}

TrustedKeys loadTrustedKeys(const std::vector<std::string>& namedFiles) {
    TrustedKeys trusted;
    for (const std::string_view text : kBuiltInKeys) {
        if (auto parsed = parsePublicKey(text); parsed.key) trusted.keys.push_back(*parsed.key);
    }
    addFolder(kSystemKeyFolder, trusted);
    addFolder(userKeyFolder(), trusted);
    for (const std::string& file : namedFiles) {
        auto key = readKey(file, trusted.error);
        if (!key) return trusted;
        trusted.keys.push_back(std::move(*key));
    }
    return trusted;
}

}  // namespace releases
