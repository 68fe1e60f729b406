#include "releases/TrustedKeys.h"

#include <sys/stat.h>
#include <unistd.h>

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

// Why a folder or key file that another user could change is not trusted, or
// empty when only root or this user can: group- or world-writable, or owned
// by someone else. What cannot be looked at is left to reading to refuse.
std::string othersCouldWrite(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return {};
    if (status.st_mode & (S_IWGRP | S_IWOTH)) {
        return path + ": writable by group or others";
    }
    if (status.st_uid != 0 && status.st_uid != ::geteuid()) {
        return path + ": owned by another user";
    }
    return {};
}

void addFolder(const std::filesystem::path& folder, TrustedKeys& trusted) {
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) return;
    if (std::string unsafe = othersCouldWrite(folder.string()); !unsafe.empty()) {
        trusted.skipped.push_back(std::move(unsafe));
        return;
    }
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.path().extension() == ".pub") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        std::string why = othersCouldWrite(file.string());
        if (!why.empty()) {
            trusted.skipped.push_back(std::move(why));
        } else if (auto key = readKey(file.string(), why)) {
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
        // Trust lies in the maker's keys, never in a server: a key comes from a local file.
        if (file.find("://") != std::string::npos || file.rfind("file:", 0) == 0) {
            trusted.error = "--trust-key " + file +
                            ": a URL; give the key as a local .pub file (trust lies in the "
                            "maker's keys, never in the server)";
            return trusted;
        }
        auto key = readKey(file, trusted.error);
        if (!key) return trusted;
        trusted.keys.push_back(std::move(*key));
    }
    return trusted;
}

}  // namespace releases
