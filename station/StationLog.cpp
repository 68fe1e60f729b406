#include "station/StationLog.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>
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

// The sequence number of the journal's last numbered record, 0 when none.
// Read from the end a growing piece at a time, so a long journal opens quickly.
unsigned long long lastSequenceIn(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : 0;
    for (std::streamoff piece = 64 * 1024;; piece *= 4) {
        const std::streamoff from = std::max<std::streamoff>(0, size - piece);
        std::string text(static_cast<std::size_t>(size - from), '\0');
        in.seekg(from);
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        std::vector<std::string> lines;
        std::istringstream split(text);
        for (std::string line; std::getline(split, line);) lines.push_back(line);
        if (from > 0 && !lines.empty()) lines.erase(lines.begin());  // cut by the piece
        for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
            const nlohmann::json record = nlohmann::json::parse(*line, nullptr, false);
            if (record.is_object() && record.contains("sequence") &&
                record["sequence"].is_number_unsigned()) {
                return record["sequence"].get<unsigned long long>();
            }
        }
        if (from == 0) return 0;
    }
}

}  // namespace

bool StationLog::open(const std::string& path, std::string& error) {
    path_ = path;
    file_ = UniqueFd(::open(path.c_str(), kAppendFlags, 0644));
    if (!file_) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    lastSequence_ = lastSequenceIn(path);
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
