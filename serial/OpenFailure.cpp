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

std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) text += (text.empty() ? "" : ", ") + item;
    return text;
}

std::string portsPresentText(const std::vector<std::string>& ports) {
    return ports.empty() ? "No serial ports are present." : "Ports present: " + joined(ports) + ".";
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

std::string permissionText(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return path + ": " + std::strerror(EACCES);
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

    const std::string denied = path + ": permission denied. ";
    const bool rootsGroup = st.st_gid == 0;  // never to be joined
    if (!rootsGroup && !listed && !held) {
        return denied + "The device belongs to group " + group + " and user " + userName +
               " is not in it; add the user with `sudo usermod -aG " + group +
               " $USER`, then log out and in.";
    }
    if (!rootsGroup && !held) {
        return denied + "User " + userName + " is in group " + group +
               " but this login session started before that; log out and in.";
    }
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    if (rootsGroup || (st.st_mode & 0060) != 0060) {  // kept for root: udev can hand it out
        char node[PATH_MAX];
        const char* real = ::realpath(path.c_str(), node) ? node : path.c_str();
        const char* name = std::strrchr(real, '/') ? std::strrchr(real, '/') + 1 : real;
        return denied + "The device (group " + group + ", mode " + mode +
               ") is not open to a group of users; have udev give it to group dialout: `echo "
               "'KERNEL==\"" + name + "\", GROUP=\"dialout\", MODE=\"0660\"' | sudo tee "
               "/etc/udev/rules.d/70-gimbal-adapter.rules`, then plug the adapter in again (and "
               "be in group dialout).";
    }
    return denied + "The device (group " + group + ", mode " + mode + ") refuses user " +
           userName + " although it is in that group.";
}

// What to tell about programs that are known to grab USB serial adapters.
std::string knownGrabberAdvice(const std::string& name) {
    if (name == "ModemManager") {
        return " ModemManager probes USB serial adapters as modems; stop it with `sudo systemctl "
               "stop ModemManager` (or `sudo systemctl disable --now ModemManager` for good).";
    }
    if (name == "brltty") {
        return " brltty claims USB serial adapters for braille displays; when no braille display "
               "is used, remove it with `sudo apt remove brltty` and plug the adapter in again.";
    }
    return "";
}

std::string heldText(const std::string& path) {
    const std::vector<DeviceHolder> holders = findDeviceHolders(path);
    if (holders.empty()) {
        return path + " is in use by another program (one this user cannot see; `sudo fuser -v " +
               path + "` names it).";
    }
    std::vector<std::string> names;
    std::string advice;
    for (const auto& holder : holders) {
        names.push_back(holder.text());
        const std::string more = knownGrabberAdvice(holder.name);
        if (advice.find(more) == std::string::npos) advice += more;
    }
    return path + " is in use by another program: " + joined(names) + "." + advice;
}

}  // namespace

std::string describeOpenFailure(const std::string& path, int error) {
    // Only the texts that list the ports present need udev.
    const bool listsPorts =
        path.empty() || error == ENOENT || error == ENODEV || error == ENXIO || error == ENOTTY;
    return describeOpenFailure(path, error,
                               listsPorts ? enumeratePortPaths() : std::vector<std::string>{});
}

std::string describeOpenFailure(const std::string& path, int error,
                                const std::vector<std::string>& portsPresent) {
    if (path.empty()) {
        return "No serial port chosen: pick or type one. " + portsPresentText(portsPresent);
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
            return path + " is not present (unplugged, or mistyped). " +
                   portsPresentText(portsPresent);
        case ENOTTY:
            return path + " is not a serial device. " + portsPresentText(portsPresent);
        case 0:  // opened, but its line could not be set up
            return path + " could not be set up for use.";
        default:
            return path + ": " + std::strerror(error);
    }
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
