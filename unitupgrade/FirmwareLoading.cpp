#include "unitupgrade/FirmwareLoading.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "unitupgrade/Translation.h"

#ifdef _WIN32
#include "unitupgrade/windows/Utf8.h"
#endif

namespace gimbalctl {

std::optional<firmware::LoadResult> loadFirmwareFile(const std::string& path, std::string& error,
                                                     std::vector<uint8_t>* content,
                                                     const std::string& name) {
#ifdef _WIN32  // the wide form: the ANSI one cannot name every file
    struct _stat64 info {};
    if (::_wstat64(windows::utf16(path).c_str(), &info) != 0) {
#else
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
#endif
        error = formatted(N_("%1: %2"), {path, std::strerror(errno)});
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        error = formatted(N_("%1: not a regular file"), {path});
        return std::nullopt;
    }
    errno = 0;
    std::optional<std::vector<uint8_t>> bytes = firmware::readFile(path);
    if (!bytes) {
        error = static_cast<std::size_t>(info.st_size) > firmware::kMaxFileSize
                    ? formatted(N_("%1: larger than any firmware file"), {path})
                    : formatted(N_("%1: %2"), {path, std::strerror(errno ? errno : EIO)});
        return std::nullopt;
    }
    if (content) *content = *bytes;
    return firmware::load(name.empty() ? path : name, std::move(bytes));
}

}  // namespace gimbalctl
