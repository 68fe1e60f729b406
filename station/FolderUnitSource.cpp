#include "station/FolderUnitSource.h"

#include <sys/inotify.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>

#include "station/UdevUnitSource.h"
#include "translations/Marked.h"

namespace gimbalctl {
namespace {

constexpr uint32_t kEntryChanges = IN_CREATE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM |
                                   IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
constexpr uint32_t kFolderCreated = IN_CREATE | IN_MOVED_TO | IN_ONLYDIR;

// udev's temporary names, and anything else hidden, are never units.
bool isHidden(const std::string& name) { return name.empty() || name.front() == '.'; }

// What an entry resolves to: the device number of a device, else the file's
// inode with the top bit set (so that a link to a file re-pointed at another
// file is told apart too); 0 for a link to nothing, none for no entry.
std::optional<uint64_t> targetOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        return S_ISCHR(info.st_mode) ? info.st_rdev : (info.st_ino | (uint64_t{1} << 63));
    }
    if (::lstat(path.c_str(), &info) == 0) return 0;
    return std::nullopt;
}

}  // namespace

FolderUnitSource::FolderUnitSource(std::string folder, Events events)
    : folder_(folder.size() > 1 && folder.back() == '/' ? folder.substr(0, folder.size() - 1)
                                                        : folder),
      events_(std::move(events)),
      inotify_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (!inotify_) {
        events_.notice(
            translations::filledIn(N_("cannot watch for ports: %1"), {std::strerror(errno)}));
        return;
    }
    watch();
}

void FolderUnitSource::watch() {
    for (;;) {
        folderWatch_ = ::inotify_add_watch(inotify_.get(), folder_.c_str(), kEntryChanges);
        if (folderWatch_ >= 0) {
            watched_ = folderIdentity();
            if (aboveWatch_ >= 0) ::inotify_rm_watch(inotify_.get(), aboveWatch_);
            aboveWatch_ = -1;
            if (missingTold_)
                events_.notice(
                    translations::filledIn(N_("%1: there now; watching it."), {folder_}));
            missingTold_ = false;
            rescan();
            return;
        }
        if (!missingTold_) {
            events_.notice(translations::filledIn(N_("%1: %2; waiting for it to appear."),
                                                  {folder_, std::strerror(errno)}));
            missingTold_ = true;
        }
        std::error_code ignored;
        std::filesystem::path above = std::filesystem::absolute(folder_, ignored).parent_path();
        if (aboveWatch_ >= 0) ::inotify_rm_watch(inotify_.get(), aboveWatch_);
        aboveWatch_ = -1;
        while (!above.empty()) {
            aboveWatch_ = ::inotify_add_watch(inotify_.get(), above.c_str(), kFolderCreated);
            if (aboveWatch_ >= 0 || above == above.parent_path()) break;
            above = above.parent_path();
        }
        // Made while the watch above was being set up: watch it now.
        if (aboveWatch_ < 0 || !std::filesystem::is_directory(folder_, ignored)) return;
    }
}

// Every entry of the folder against the ones known, by name and device:
// after the start, after inotify's queue overflowed, and when the folder
// came back.
void FolderUnitSource::rescan() {
    std::set<std::string> now;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder_, error)) {
        now.insert(entry.path().filename().string());
    }
    for (auto it = present_.begin(); it != present_.end();) {
        const std::string name = (it++)->first;
        if (!now.count(name)) leave(name);
    }
    for (const std::string& name : now) appear(name);
}

// A name made, renamed into place or found by a rescan: a new unit unless it
// still resolves to the device it did.
void FolderUnitSource::appear(const std::string& name) {
    if (isHidden(name)) return;
    const std::string port = folder_ + "/" + name;
    const std::optional<uint64_t> target = targetOf(port);
    if (!target) {  // gone again already; its removal follows
        if (!present_.count(name)) {
            events_.notice(translations::filledIn(
                N_("%1 appeared and went away before its upgrade began; not a unit."), {port}));
        }
        return leave(name);
    }
    const auto known = present_.find(name);
    if (known != present_.end() && known->second == *target) return;
    leave(name);
    present_[name] = *target;
    const bool device = *target != 0 && !(*target >> 63);
    UnitIdentity unit = device ? identityOfDevice(*target) : UnitIdentity{};
    if (unit.slot.empty()) unit.slot = name;  // udev knows no physical place: the name is it
    unit.port = port;
    if (device && unit.node.empty()) {
        std::error_code ignored;
        unit.node = std::filesystem::canonical(port, ignored).string();
        unit.device = *target;
    }
    events_.appeared(unit);
}

void FolderUnitSource::leave(const std::string& name) {
    if (present_.erase(name)) events_.gone(folder_ + "/" + name);
}

std::pair<uint64_t, uint64_t> FolderUnitSource::folderIdentity() const {
    struct stat info {};
    if (::stat(folder_.c_str(), &info) != 0) return {0, 0};
    return {info.st_dev, info.st_ino};
}

void FolderUnitSource::update() {
    alignas(inotify_event) char buffer[16 * 1024];
    bool lost = false, rewatch = false;
    for (;;) {
        const ssize_t n = ::read(inotify_.get(), buffer, sizeof buffer);
        if (n <= 0) break;
        for (char* at = buffer; at < buffer + n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            at += sizeof(inotify_event) + event->len;
            if (event->mask & IN_Q_OVERFLOW) {
                lost = true;
            } else if (event->wd == aboveWatch_) {
                rewatch = true;
            } else if (event->wd != folderWatch_) {
                continue;  // a watch given up on
            } else if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
                rewatch = true;
            } else if (event->len > 0 && (event->mask & (IN_CREATE | IN_MOVED_TO))) {
                appear(event->name);
            } else if (event->len > 0 && (event->mask & (IN_DELETE | IN_MOVED_FROM))) {
                leave(event->name);
            }
        }
    }
    // The events that would have told of the folder's move were lost with the rest.
    if (lost && folderIdentity() != watched_) rewatch = true;
    if (rewatch && folderWatch_ >= 0) {
        // The folder itself went away: so did every port in it.
        ::inotify_rm_watch(inotify_.get(), folderWatch_);
        folderWatch_ = -1;
        std::error_code ignored;
        if (!std::filesystem::is_directory(folder_, ignored)) {
            while (!present_.empty()) leave(present_.begin()->first);
        }
    }
    if (folderWatch_ < 0) {
        watch();
    } else if (lost) {
        rescan();
    }
}

}  // namespace gimbalctl
