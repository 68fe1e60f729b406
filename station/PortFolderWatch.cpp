#include "station/PortFolderWatch.h"

#include <sys/inotify.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace gimbalctl {
namespace {

constexpr uint32_t kEntryChanges = IN_CREATE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM |
                                   IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
constexpr uint32_t kFolderCreated = IN_CREATE | IN_MOVED_TO | IN_ONLYDIR;

}  // namespace

PortFolderWatch::PortFolderWatch(std::string folder, Events events)
    : folder_(folder.size() > 1 && folder.back() == '/' ? folder.substr(0, folder.size() - 1)
                                                        : folder),
      events_(std::move(events)),
      inotify_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (!inotify_) {
        events_.notice(std::string("cannot watch for ports: ") + std::strerror(errno));
        return;
    }
    watch();
}

void PortFolderWatch::watch() {
    for (;;) {
        folderWatch_ = ::inotify_add_watch(inotify_.get(), folder_.c_str(), kEntryChanges);
        if (folderWatch_ >= 0) {
            if (aboveWatch_ >= 0) ::inotify_rm_watch(inotify_.get(), aboveWatch_);
            aboveWatch_ = -1;
            if (missingTold_) events_.notice(folder_ + ": there now; watching it.");
            missingTold_ = false;
            rescan();
            return;
        }
        if (!missingTold_) {
            events_.notice(folder_ + ": " + std::strerror(errno) + "; waiting for it to appear.");
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

// Every entry of the folder against the ones known: after the start and
// whenever inotify's queue overflowed.
void PortFolderWatch::rescan() {
    std::set<std::string> now;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder_, error)) {
        now.insert(entry.path().filename().string());
    }
    for (auto it = present_.begin(); it != present_.end();) {
        const std::string name = *it++;
        if (!now.count(name)) leave(name);
    }
    for (const std::string& name : now) appear(name);
}

void PortFolderWatch::appear(const std::string& name) {
    if (present_.insert(name).second) events_.appeared(folder_ + "/" + name);
}

void PortFolderWatch::leave(const std::string& name) {
    if (present_.erase(name)) events_.gone(folder_ + "/" + name);
}

void PortFolderWatch::update() {
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
    if (rewatch && folderWatch_ >= 0) {
        // The folder itself went away: so did every port in it.
        ::inotify_rm_watch(inotify_.get(), folderWatch_);
        folderWatch_ = -1;
        std::error_code ignored;
        if (!std::filesystem::is_directory(folder_, ignored)) {
            while (!present_.empty()) leave(*present_.begin());
        }
    }
    if (folderWatch_ < 0) {
        watch();
    } else if (lost) {
        rescan();
    }
}

}  // namespace gimbalctl
