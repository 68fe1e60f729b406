#include "station/PortSettle.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "serial/OpenFailure.h"

namespace gimbalctl {
namespace {

enum class PortNow { free, held, gone, repointed };

// Tries the port as the upgrade will open it (without blocking, under the
// exclusive lock) and lets it go at once: held when another program has it
// locked or in exclusive mode.
PortNow tryPort(const UnitIdentity& unit) {
    struct stat info {};
    if (::stat(unit.port.c_str(), &info) != 0) return PortNow::gone;
    if (unit.device != 0 && info.st_rdev != unit.device) return PortNow::repointed;
    const int fd = ::open(unit.port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == EBUSY) return PortNow::held;
        // Any other refusal is the upgrade's to report, in its own words.
        return errno == ENOENT || errno == ENXIO || errno == ENODEV ? PortNow::gone : PortNow::free;
    }
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked ? PortNow::held : PortNow::free;
}

std::string holdersText(const std::string& port) {
    std::string text;
    for (const DeviceHolder& holder : findDeviceHolders(port)) {
        text += (text.empty() ? "" : ", ") + holder.text();
    }
    return text.empty() ? "another program" : text;
}

}  // namespace

void PortSettle::add(const std::string& port) {
    waiting_[port] = {std::chrono::steady_clock::now(), {}};
}

void PortSettle::dropAll(Station& station) {
    for (const auto& [port, waiting] : waiting_) {
        station.withdrawn(port, "was still waiting for its port when the station was stopped");
    }
    waiting_.clear();
}

std::vector<std::string> PortSettle::ready(Station& station) {
    std::vector<std::string> ready;
    withdrew_ = false;
    const auto now = std::chrono::steady_clock::now();
    for (auto it = waiting_.begin(); it != waiting_.end();) {
        const std::string& port = it->first;
        Waiting& waiting = it->second;
        // A unit is its name and the device it had when it started: a name
        // re-pointed meanwhile (adapters swapped during a probe) is another unit.
        const UnitIdentity* unit = station.startedOn(port);
        const UnitIdentity* present = station.identityOf(port);
        PortNow state = PortNow::gone;
        if (unit && present) {
            state = present->device != unit->device ? PortNow::repointed : tryPort(*unit);
        }
        if (state == PortNow::gone) {
            station.withdrawn(port, "went away before its upgrade began");
            withdrew_ = true;
        } else if (state == PortNow::repointed) {
            const auto told = repointTold_.find(port);
            const bool quietly =
                told != repointTold_.end() && now - told->second < kRepointToldEvery;
            if (!quietly) repointTold_[port] = now;
            station.withdrawn(port, "was re-pointed at another device before its upgrade began",
                              quietly);
            withdrew_ = true;
        } else if (state == PortNow::held && now - waiting.since < kLongest) {
            const std::string holders = holdersText(port);
            if (holders != waiting.told) {
                station.eventsOf(port).message("waiting up to " + std::to_string(kLongest.count()) +
                                               " s for " + holders + " to let go of the port");
                waiting.told = holders;
            }
            ++it;
            continue;
        } else {
            ready.push_back(port);
        }
        it = waiting_.erase(it);
    }
    return ready;
}

}  // namespace gimbalctl
