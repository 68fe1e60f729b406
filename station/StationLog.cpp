#include "station/StationLog.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#ifdef _WIN32
#include <io.h>
#endif

namespace gimbalctl {
namespace {

#ifdef _WIN32
constexpr int kAppendFlags = O_WRONLY | O_APPEND | O_CREAT | O_BINARY;
int flushToDisk(int fd) { return ::_commit(fd); }
#else
constexpr int kAppendFlags = O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC;
int flushToDisk(int fd) { return ::fsync(fd); }
#endif

// The file's last byte is not a line feed: a line cut short by a crash.
bool endsMidLine(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in || in.tellg() <= 0) return false;
    in.seekg(-1, std::ios::end);
    return in.get() != '\n';
}

}  // namespace

bool StationLog::open(const std::string& path, std::string& error) {
    path_ = path;
    file_ = UniqueFd(::open(path.c_str(), kAppendFlags, 0644));
    if (!file_) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    return !endsMidLine(path) || append("", error);
}

bool StationLog::append(const std::string& line, std::string& error) {
    if (!file_) return true;
    const std::string whole = line + "\n";
    errno = 0;
    const auto written = ::write(file_.get(), whole.data(), whole.size());
    // A pipe or a device has no disk to flush to (EINVAL).
    if (written < 0 || static_cast<std::size_t>(written) != whole.size() ||
        (flushToDisk(file_.get()) != 0 && errno != EINVAL)) {
        error = path_ + ": " + (errno ? std::strerror(errno) : "written only in part");
        return false;
    }
    return true;
}

}  // namespace gimbalctl
