#include "serial/OpenFailure.h"

#include <dirent.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string_view>
#include <vector>

#include "serial/DeviceLookup.h"

namespace {

using translations::Sentences;
using translations::Wording;

std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) text += (text.empty() ? "" : ", ") + item;
    return text;
}

Wording portsPresentText(const std::vector<std::string>& ports) {
    if (ports.empty()) return {N_("No serial ports are present."), {}};
    return {N_("Ports present: %1."), {joined(ports)}};
}

std::vector<std::string> enumeratePortPaths() {
    std::vector<std::string> paths;
    for (const auto& device : enumerateSerialDevices()) paths.push_back(device.info().calloutPath);
    return paths;
}

// The user and group databases are read with the reentrant calls: a failed
// open is explained on a worker thread, beside other threads that may look
// names up too.
template <typename Entry, typename Key, typename Lookup>
std::optional<Entry> lookUp(Key key, Lookup lookup, std::vector<char>& buffer) {
    Entry entry{};
    Entry* found = nullptr;
    buffer.resize(1024);
    int error = 0;
    while ((error = lookup(key, &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
           buffer.size() < (1u << 20)) {
        buffer.resize(buffer.size() * 2);
    }
    if (error != 0 || found == nullptr) return std::nullopt;
    return entry;
}

std::string groupName(gid_t gid) {
    std::vector<char> buffer;
    if (const auto g = lookUp<group>(gid, ::getgrgid_r, buffer)) return g->gr_name;
    return std::to_string(gid);
}

Sentences permissionText(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {{{N_("%1: %2"), {path, std::strerror(EACCES)}}}};
    const std::string group = groupName(st.st_gid);
    std::vector<char> userBuffer;
    const std::optional<passwd> user = lookUp<passwd>(::geteuid(), ::getpwuid_r, userBuffer);
    const std::string userName = user ? user->pw_name : std::to_string(::geteuid());

    // Membership as the system lists it, and as this login session holds it:
    // a user added to the group keeps the old list until the next login.
    bool listed = false;
    if (user) {
        int count = 64;
        std::vector<gid_t> groups(static_cast<std::size_t>(count));
        if (::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count) < 0) {
            groups.resize(static_cast<std::size_t>(count));
            ::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count);
        }
        groups.resize(static_cast<std::size_t>(std::max(count, 0)));
        listed = std::find(groups.begin(), groups.end(), st.st_gid) != groups.end();
    }
    std::vector<gid_t> session(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)));
    session.resize(static_cast<std::size_t>(
        std::max(::getgroups(static_cast<int>(session.size()), session.data()), 0)));
    const bool held = ::getegid() == st.st_gid ||
                      std::find(session.begin(), session.end(), st.st_gid) != session.end();

    const Wording denied{N_("%1: permission denied."), {path}};
    const bool rootsGroup = st.st_gid == 0;  // never to be joined
    if (!rootsGroup && !listed && !held) {
        return {{denied,
                 {N_("The device belongs to group %1 and user %2 is not in it; add the user with "
                     "`sudo usermod -aG %1 $USER`, then log out and in."),
                  {group, userName}}}};
    }
    if (!rootsGroup && !held) {
        return {{denied,
                 {N_("User %1 is in group %2 but this login session started before that; log "
                     "out and in."),
                  {userName, group}}}};
    }
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    if (rootsGroup || (st.st_mode & 0060) != 0060) {  // kept for root: udev can hand it out
        char node[PATH_MAX];
        const char* real = ::realpath(path.c_str(), node) ? node : path.c_str();
        const char* name = std::strrchr(real, '/') ? std::strrchr(real, '/') + 1 : real;
        return {{denied,
                 {N_("The device (group %1, mode %2) is not open to a group of users; have udev "
                     "give it to group dialout: `%3`, then plug the adapter in again (and be in "
                     "group dialout)."),
                  {group, mode,
                   std::string("echo 'KERNEL==\"") + name +
                       "\", GROUP=\"dialout\", MODE=\"0660\"' | sudo tee "
                       "/etc/udev/rules.d/70-gimbal-adapter.rules"}}}};
    }
    return {{denied,
             {N_("The device (group %1, mode %2) refuses user %3 although it is in that group."),
              {group, mode, userName}}}};
}

// What to tell about programs that are known to grab USB serial adapters.
const char* knownGrabberAdvice(const std::string& name) {
    if (name == "ModemManager") {
        return N_(
            "ModemManager probes USB serial adapters as modems; stop it with `sudo "
            "systemctl stop ModemManager` (or `sudo systemctl disable --now ModemManager` "
            "for good).");
    }
    if (name == "brltty") {
        return N_(
            "brltty claims USB serial adapters for braille displays; when no braille "
            "display is used, remove it with `sudo apt remove brltty` and plug the adapter "
            "in again.");
    }
    return nullptr;
}

Sentences heldText(const std::string& path) {
    const std::vector<DeviceHolder> holders = findDeviceHolders(path);
    if (holders.empty()) {
        return {{{N_("%1 is in use by another program (one this user cannot see; `sudo fuser -v "
                     "%1` names it)."),
                  {path}}}};
    }
    std::vector<std::string> names;
    Sentences text{{{N_("%1 is in use by another program: %2."), {path, ""}}}};
    for (const auto& holder : holders) {
        names.push_back(holder.text());
        const char* advice = knownGrabberAdvice(holder.name);
        const bool told = std::any_of(text.parts.begin(), text.parts.end(),
                                      [&](const Wording& part) { return part.text == advice; });
        if (advice && !told) text.parts.push_back({advice, {}});
    }
    text.parts.front().values.back() = joined(names);
    return text;
}

}  // namespace

translations::Sentences openFailureSentences(const std::string& path, int error) {
    // Only the texts that list the ports present need udev.
    const bool listsPorts =
        path.empty() || error == ENOENT || error == ENODEV || error == ENXIO || error == ENOTTY;
    return openFailureSentences(path, error,
                                listsPorts ? enumeratePortPaths() : std::vector<std::string>{});
}

translations::Sentences openFailureSentences(const std::string& path, int error,
                                             const std::vector<std::string>& portsPresent) {
    if (path.empty()) {
        return {
            {{N_("No serial port chosen: pick or type one."), {}}, portsPresentText(portsPresent)}};
    }
    switch (error) {
        case EACCES:
        case EPERM:
            return permissionText(path);
        case EWOULDBLOCK:  // the exclusive lock is held elsewhere
        case EBUSY:        // the device is in exclusive mode elsewhere
            return heldText(path);
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return {{{N_("%1 is not present (unplugged, or mistyped)."), {path}},
                     portsPresentText(portsPresent)}};
        case ENOTTY:
            return {{{N_("%1 is not a serial device."), {path}}, portsPresentText(portsPresent)}};
        case 0:  // opened, but its line could not be set up
            return {{{N_("%1 could not be set up for use."), {path}}}};
        default:  // the system's text, in the language its own catalogue gives
            return {{{N_("%1: %2"), {path, std::strerror(error)}}}};
    }
}

std::string describeOpenFailure(const std::string& path, int error) {
    return openFailureSentences(path, error).english();
}

std::string describeOpenFailure(const std::string& path, int error,
                                const std::vector<std::string>& portsPresent) {
    return openFailureSentences(path, error, portsPresent).english();
}

int whyNoSerialDevice(const std::string& path) {
    if (path.empty()) return ENOENT;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno;
    return ENOTTY;
}

std::vector<DeviceHolder> findDeviceHolders(const std::string& path) {
    std::vector<DeviceHolder> holders;
    // The device's own node (a udev link such as /dev/serial/by-id/... names
    // it), resolved once: each descriptor is then judged by its link text.
    char node[PATH_MAX];
    struct stat device {};
    if (!::realpath(path.c_str(), node) || ::stat(node, &device) != 0 || !S_ISCHR(device.st_mode)) {
        return holders;
    }
    const std::string_view nodePath(node);

    DIR* proc = ::opendir("/proc");
    if (!proc) return holders;
    const pid_t self = ::getpid();
    char target[PATH_MAX];
    while (const dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (*end != '\0' || pid <= 0 || pid == self) continue;
        const std::string fdDir = std::string("/proc/") + entry->d_name + "/fd";
        DIR* fds = ::opendir(fdDir.c_str());
        if (!fds) continue;  // gone, or another user's process
        bool holds = false;
        while (const dirent* fd = ::readdir(fds)) {
            if (fd->d_name[0] == '.') continue;
            // Only the link's text is read. Following it (stat, open) would
            // reach whatever file the process has open, and a file on a
            // stalled network or FUSE mount would stall the scan with it.
            const ssize_t length = ::readlinkat(::dirfd(fds), fd->d_name, target, sizeof target);
            if (length > 0 &&
                std::string_view(target, static_cast<std::size_t>(length)) == nodePath) {
                holds = true;
                break;
            }
        }
        ::closedir(fds);
        if (!holds) continue;
        std::string name;
        std::ifstream comm(std::string("/proc/") + entry->d_name + "/comm");
        std::getline(comm, name);
        holders.push_back({static_cast<pid_t>(pid), name.empty() ? "unknown" : name});
    }
    ::closedir(proc);
    std::sort(holders.begin(), holders.end(),
              [](const DeviceHolder& a, const DeviceHolder& b) { return a.pid < b.pid; });
    return holders;
}
