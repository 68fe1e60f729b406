#pragma once
// One source's cache folder, $XDG_CACHE_HOME/gimbalctl/releases/<source>/
// (~/.cache when unset): the last verified catalogue and its signature, every
// file fetched from it (in files/, apart from the cache's own files, whatever
// the catalogue names them), and the highest serial seen from it
// (highest-serial), which never goes down. The window keeps its releases here too. Whatever
// is read back is verified again before use.

#include <cstdint>
#include <optional>
#include <string>

namespace releases {

class ReleaseCache {
public:
    explicit ReleaseCache(const std::string& source);

    const std::string& folder() const { return folder_; }
    std::string pathOf(const std::string& name) const { return folder_ + "/" + name; }
    // The cache's name for a file the catalogue names `name`.
    static std::string fileEntry(const std::string& name) { return "files/" + name; }

    // The cached file's bytes, none when absent or over `maxBytes`.
    std::optional<std::string> read(const std::string& name, std::size_t maxBytes) const;
    // Writes the file whole (a temporary file renamed into place); false with
    // `error` when it cannot be kept (the work goes on without the cache).
    bool write(const std::string& name, const std::string& bytes, std::string& error) const;

    // The highest serial seen, none when none was kept; none with `error`
    // when one was kept but cannot be read (never taken as none seen).
    std::optional<std::int64_t> highestSerial(std::string& error) const;
    // Keeps `serial` when it is higher than the highest seen.
    void keepSerial(std::int64_t serial) const;

private:
    std::string folder_;
};

// $XDG_CACHE_HOME/gimbalctl/releases, or ~/.cache/gimbalctl/releases.
std::string releaseCacheRoot();

}  // namespace releases
