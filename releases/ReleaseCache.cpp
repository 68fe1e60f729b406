#include "releases/ReleaseCache.h"

#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "releases/Fetch.h"
#include "releases/SourceNames.h"

namespace releases {

namespace {
constexpr const char* kSerialName = "highest-serial";
}

std::string releaseCacheRoot() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    const std::string base = cache && *cache == '/' ? std::string(cache)
                             : home && *home        ? std::string(home) + "/.cache"
                                                    : std::string(".cache");
    return base + "/gimbalctl/releases";
}

ReleaseCache::ReleaseCache(const std::string& source)
    : folder_(releaseCacheRoot() + "/" + cacheFolderName(source)) {}

std::optional<std::string> ReleaseCache::read(const std::string& name, std::size_t maxBytes) const {
    const std::string path = pathOf(name);
    if (!std::filesystem::is_regular_file(path)) return std::nullopt;
    Fetched file = fetch(path, maxBytes);
    if (!file.ok()) return std::nullopt;
    return std::move(file.bytes);
}

bool ReleaseCache::write(const std::string& name, const std::string& bytes,
                         std::string& error) const {
    std::error_code made;
    const std::string path = pathOf(name);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), made);
    const std::string temporary = path + ".part" + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            error = "cannot keep " + path + " in the cache";
            std::filesystem::remove(temporary, made);
            return false;
        }
    }
    std::filesystem::rename(temporary, path, made);
    if (made) {
        error = "cannot keep " + path + " in the cache: " + made.message();
        std::filesystem::remove(temporary, made);
        return false;
    }
    return true;
}

std::optional<std::int64_t> ReleaseCache::highestSerial(std::string& error) const {
    const std::string path = pathOf(kSerialName);
    std::error_code status;
    if (std::filesystem::symlink_status(path, status).type() ==
        std::filesystem::file_type::not_found) {
        return std::nullopt;
    }
    const auto text = read(kSerialName, 32);
    std::int64_t serial = -1;
    if (text) {
        const char* end = text->data() + text->size();
        const auto [after, failed] = std::from_chars(text->data(), end, serial);
        if (failed != std::errc() || (after != end && std::string_view(after, end) != "\n")) {
            serial = -1;
        }
    }
    if (serial < 0) {
        error = path +
                ": the highest serial seen from this source cannot be read; refused "
                "(remove the file only when the source's catalogue is known to be good)";
        return std::nullopt;
    }
    return serial;
}

void ReleaseCache::keepSerial(std::int64_t serial) const {
    std::string unreadable;  // an unreadable one stays for the next run to refuse
    const auto highest = highestSerial(unreadable);
    if (!unreadable.empty() || (highest && *highest >= serial)) return;
    std::string ignored;  // without the cache the rule holds for this run only
    write(kSerialName, std::to_string(serial) + "\n", ignored);
}

}  // namespace releases
