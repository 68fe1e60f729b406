// Reading a firmware file from disk and loading it as the process-wide
// firmware variables.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/UniqueFd.h"
#include "upgrade/FirmwareFile.h"

namespace firmware {

std::optional<std::vector<uint8_t>> readFile(const std::string& path) {
    // Non-blocking, so that a named pipe chosen by mistake cannot hang the window.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) return std::nullopt;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    if (static_cast<uint64_t>(info.st_size) > kMaxFileSize) return std::nullopt;

    std::vector<uint8_t> content(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::read(fd.get(), content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) break;  // the file shrank while being read
        done += static_cast<std::size_t>(n);
    }
    content.resize(done);
    return content;
}

LoadResult load(const std::string& path) { return load(path, readFile(path)); }
}  // namespace firmware
