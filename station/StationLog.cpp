#include "station/StationLog.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "platform/TimeText.h"

namespace gimbalctl {
namespace {

#ifdef _WIN32
constexpr int kAppendFlags = O_RDWR | O_APPEND | O_CREAT | O_BINARY;
constexpr int kStreamFlags = O_WRONLY | O_APPEND | O_BINARY;
int flushToDisk(int fd) { return ::_commit(fd); }
long long endOffset(int fd) { return ::_lseeki64(fd, 0, SEEK_END); }
#else
constexpr int kAppendFlags = O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC;
constexpr int kStreamFlags = O_WRONLY | O_APPEND | O_CLOEXEC;
int flushToDisk(int fd) { return ::fsync(fd); }
long long endOffset(int fd) { return ::lseek(fd, 0, SEEK_END); }
#endif

constexpr const char* kHeaderStart = "{\"journal\":";
constexpr const char* kStationFile = "station.uuid";

std::string newUuid() {
    std::random_device random;
    unsigned char bytes[16];
    for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(random());
    bytes[6] = (bytes[6] & 0x0f) | 0x40;  // version 4: random
    bytes[8] = (bytes[8] & 0x3f) | 0x80;  // the RFC's variant
    char text[37];
    std::snprintf(text, sizeof text,
                  "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", bytes[0],
                  bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7], bytes[8],
                  bytes[9], bytes[10], bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
    return text;
}

bool isUuid(const std::string& text) {
    if (text.size() != 36) return false;
    for (std::size_t k = 0; k < text.size(); ++k) {
        const bool dash = k == 8 || k == 13 || k == 18 || k == 23;
        if (dash ? text[k] != '-' : !std::isxdigit(static_cast<unsigned char>(text[k]))) {
            return false;
        }
    }
    return true;
}

// The station's identity, kept in station.uuid in the journal's folder and
// made the first time; empty with `error` when it can be neither read nor made.
std::string stationIdentity(const std::string& journal, std::string& error) {
    const std::filesystem::path folder = std::filesystem::path(journal).parent_path();
    const std::string path = (folder / kStationFile).string();
    for (int attempt = 0; attempt < 50; ++attempt) {
        std::string kept;
        if (std::ifstream in(path); in >> kept) {
            if (isUuid(kept)) return kept;
            error = path + ": not a station identity (a UUID); remove it to make a new one";
            return {};
        }
        // Made whole beside it and linked into place, so that two stations
        // starting at once agree on one.
        const std::string temporary = path + "." + newUuid();
        {
            std::ofstream out(temporary);
            out << newUuid() << '\n';
            if (!out.flush()) {
                error = path + ": " + std::strerror(errno);
                std::remove(temporary.c_str());
                return {};
            }
        }
#ifdef _WIN32
        std::rename(temporary.c_str(), path.c_str());  // never over one there
#else
        (void)!::link(temporary.c_str(), path.c_str());
#endif
        std::remove(temporary.c_str());
    }
    error = path + ": cannot be made";
    return {};
}

// What the end of the journal tells, read from the end a growing piece at a
// time so that a long journal opens quickly.
struct JournalEnd {
    unsigned long long lastSequence = 0;
    bool sequenceFound = false;
    JournalHeader header;  // the last header, the one the next records follow
    bool headerFound = false;
    bool endsMidLine = false;  // a line cut short by a crash
};

JournalEnd readEnd(int fd, std::size_t size) {
    JournalEnd end;
    if (size == 0) return end;
    end.endsMidLine = readJournalAt(fd, size - 1, 1) != "\n";
    for (std::size_t piece = 64 * 1024;; piece *= 4) {
        const std::size_t from = size > piece ? size - piece : 0;
        std::vector<std::string> lines;
        std::istringstream split(readJournalAt(fd, from, size - from));
        for (std::string line; std::getline(split, line);) lines.push_back(line);
        if (from > 0 && !lines.empty()) lines.erase(lines.begin());  // cut by the piece
        for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
            if (!end.headerFound && readHeader(*line, end.header)) end.headerFound = true;
            if (end.sequenceFound) continue;
            const nlohmann::json record = nlohmann::json::parse(*line, nullptr, false);
            if (record.is_object() && record.contains("sequence") &&
                record["sequence"].is_number_unsigned()) {
                end.lastSequence = record["sequence"].get<unsigned long long>();
                end.sequenceFound = true;
            }
        }
        if (from == 0 || (end.headerFound && end.sequenceFound)) return end;
    }
}

bool write(int fd, const std::string& text) {
    errno = 0;
    const auto written = ::write(fd, text.data(), static_cast<unsigned>(text.size()));
    // A pipe or a device has no disk to flush to (EINVAL).
    return written >= 0 && static_cast<std::size_t>(written) == text.size() &&
           (flushToDisk(fd) == 0 || errno == EINVAL);
}

// The process holding the journal's lock, as people read it.
std::string lockHolder(int fd) {
#ifdef _WIN32
    (void)fd;
    return "another process";
#else
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (::fcntl(fd, F_GETLK, &lock) != 0 || lock.l_type == F_UNLCK) return "another process";
    std::string name;
    std::ifstream comm("/proc/" + std::to_string(lock.l_pid) + "/comm");
    std::getline(comm, name);
    return (name.empty() ? "a process" : name) + " (pid " + std::to_string(lock.l_pid) + ")";
#endif
}

// Locks the whole journal for this process; false when another holds it.
// The lock is the process's: it goes when any descriptor of the file closes,
// so the station never opens its journal a second time.
bool lockJournal([[maybe_unused]] int fd) {
#ifdef _WIN32
    return true;
#else
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    return ::fcntl(fd, F_SETLK, &lock) == 0 || (errno != EAGAIN && errno != EACCES);
#endif
}

}  // namespace

std::shared_ptr<JournalFile> JournalFile::next() const {
    std::lock_guard lock(nextMutex_);
    return next_;
}

void JournalFile::setNext(std::shared_ptr<JournalFile> next) {
    std::lock_guard lock(nextMutex_);
    next_ = std::move(next);
}

bool readHeader(const std::string& line, JournalHeader& header) {
    if (line.rfind(kHeaderStart, 0) != 0) return false;
    const nlohmann::json parsed = nlohmann::json::parse(line, nullptr, false);
    if (!parsed.is_object() || !parsed["journal"].is_string()) return false;
    header.journal = parsed["journal"].get<std::string>();
    const auto station = parsed.find("station_uuid");
    header.station =
        station != parsed.end() && station->is_string() ? station->get<std::string>() : "";
    return true;
}

bool lastHeader(int fd, std::size_t end, JournalHeader& header) {
    const JournalEnd found = readEnd(fd, end);
    header = found.header;
    return found.headerFound;
}

std::string readJournalAt(int fd, std::size_t offset, std::size_t size) {
    std::string text(size, '\0');
    std::size_t done = 0;
    while (done < size) {
#ifdef _WIN32
        if (::_lseeki64(fd, static_cast<long long>(offset + done), SEEK_SET) < 0) break;
        const int n = ::_read(fd, text.data() + done, static_cast<unsigned>(size - done));
#else
        const ssize_t n =
            ::pread(fd, text.data() + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
#endif
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    text.resize(done);
    return text;
}

StationLog::Opened StationLog::open(const std::string& path, std::string& error) {
    path_ = path;
    return openFile("", error);
}

StationLog::Opened StationLog::openFile(const std::string& follows, std::string& error) {
    const auto failed = [&](Opened why) {
        error = path_ + ": " + (errno ? std::strerror(errno) : "cannot be written");
        return why;
    };
    struct stat info {};
    const bool exists = ::stat(path_.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) {
        error = path_ + ": a folder, not a journal (give --log a file's path)";
        return Opened::kFolder;
    }
    const bool stream = exists && !S_ISREG(info.st_mode);
    UniqueFd fd(::open(path_.c_str(), stream ? kStreamFlags : kAppendFlags, 0644));
    if (!fd) return failed(Opened::kCannotWrite);
    if (stream) {  // a pipe, a terminal, a device: lines, and nothing else
        current_ = std::make_shared<JournalFile>(path_, std::move(fd), false);
        if (!first_) first_ = current_;
        return Opened::kOk;
    }
    if (!lockJournal(fd.get())) {
        error = path_ + ": another station keeps this journal: " + lockHolder(fd.get());
        return Opened::kInUse;
    }
    ::fstat(fd.get(), &info);
    const JournalEnd end = readEnd(fd.get(), static_cast<std::size_t>(info.st_size));
    lastSequence_ = end.lastSequence;
    errno = 0;
    if (end.endsMidLine && !write(fd.get(), "\n")) return failed(Opened::kCannotWrite);
    header_ = end.header;
    if (!end.headerFound) {
        if (info.st_size > 0) {
            notices_.push_back({N_("%1: a journal from before journals had identities: its "
                                   "records so far are known by their station's name, the next "
                                   "ones by this journal's identity"),
                                {path_}});
        }
        header_ = {newUuid(), stationIdentity(path_, error)};
        if (header_.station.empty()) return Opened::kCannotWrite;
        nlohmann::ordered_json line = {
            {"journal", header_.journal},
            {"station_uuid", header_.station},
            {"created", timeText(std::time(nullptr), kRecordTimeFormat, true)}};
        if (!follows.empty()) line["follows"] = follows;
        errno = 0;
        if (!write(fd.get(), line.dump() + "\n")) return failed(Opened::kCannotWrite);
    }
    auto file = std::make_shared<JournalFile>(path_, std::move(fd), true);
    file->setFlushed(static_cast<std::size_t>(std::max(0LL, endOffset(file->descriptor()))));
    if (current_) current_->setNext(file);
    current_ = file;
    if (!first_) first_ = current_;
    if (follows.empty()) {
        notices_.push_back(
            {N_("%1: journal %2, station %3"), {path_, header_.journal, header_.station}});
    } else {
        notices_.push_back({N_("%1: journal %2, station %3, following journal %4"),
                            {path_, header_.journal, header_.station, follows}});
    }
    return Opened::kOk;
}

bool StationLog::moved() const {
#ifdef _WIN32
    return false;  // a file open there cannot be renamed or removed (and has no inode)
#else
    struct stat atPath {};
    struct stat written {};
    if (::stat(path_.c_str(), &atPath) != 0) return true;
    return ::fstat(current_->descriptor(), &written) == 0 &&
           (atPath.st_dev != written.st_dev || atPath.st_ino != written.st_ino);
#endif
}

bool StationLog::append(const std::string& line, std::string& error) {
    if (!current_) return true;
    if (current_->regular() && moved()) {
        const std::string before = header_.journal;
        if (openFile(before, error) != Opened::kOk) return false;
        notices_.insert(notices_.end() - 1,
                        {N_("%1 was renamed or removed: the records written to it are kept "
                            "there; the next ones go to a new journal at its path"),
                         {path_}});
    }
    errno = 0;
    if (!write(current_->descriptor(), line + "\n")) {
        error = path_ + ": " + (errno ? std::strerror(errno) : "written only in part");
        return false;
    }
    if (current_->regular()) {
        current_->setFlushed(static_cast<std::size_t>(endOffset(current_->descriptor())));
    }
    return true;
}

}  // namespace gimbalctl
