// gimbalctl station FILE on Linux: the ports are the entries of a folder
// (udev's /dev/serial/by-id unless told otherwise), watched with inotify.
// Each unit's upgrade runs in a process of its own, as the parallel upgrade
// runs it (UpgradeChild.h), in a process group of its own so that a Ctrl+C
// reaches the station alone: the first lets the upgrades finish, the second
// passes the stop on to them.

#include <poll.h>
#include <signal.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

#include "gimbalctl/Commands.h"
#include "gimbalctl/Output.h"
#include "station/OperatorScreen.h"
#include "station/PortFolderWatch.h"
#include "station/Station.h"
#include "station/StationOptions.h"
#include "gimbalctl/Stop.h"
#include "gimbalctl/UpgradeChild.h"
#include "serial/OpenFailure.h"
#include "serial/ULXSerialPort.h"
#include "serial/UdevHandles.h"

namespace gimbalctl {
namespace {

constexpr const char* kPortFolder = "/dev/serial/by-id";

// The checked bytes under the file's own name (the name decides its kind) in
// a private folder, removed at the end: every unit gets the bytes the log
// records, whatever happens to the file meanwhile.
class PrivateCopy {
public:
    PrivateCopy(const StationFirmware& firmware, std::string& error) {
        std::error_code ignored;
        std::string folder =
            (std::filesystem::temp_directory_path(ignored) / "gimbalctl-station-XXXXXX").string();
        if (!::mkdtemp(folder.data())) {
            error = folder + ": " + std::strerror(errno);
            return;
        }
        folder_ = folder;
        path_ = folder + "/" + std::filesystem::path(firmware.path).filename().string();
        std::ofstream out(path_, std::ios::binary);
        out.write(reinterpret_cast<const char*>(firmware.bytes.data()),
                  static_cast<std::streamsize>(firmware.bytes.size()));
        if (!out.flush()) error = path_ + ": cannot be written";
    }
    ~PrivateCopy() {
        std::error_code ignored;
        if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
    }
    PrivateCopy(const PrivateCopy&) = delete;
    PrivateCopy& operator=(const PrivateCopy&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string folder_, path_;
};

std::string whyNotSerial(const std::string& port) {
    if (ULXSerialPort::serialPortWithPath(port)) return {};
    return describeOpenFailure(port, whyNoSerialDevice(port));
}

std::string usbSerialOf(const std::string& port) {
    struct stat info {};
    if (::stat(port.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) return {};
    UdevPtr udev(udev_new());
    UdevDevicePtr device(udev ? udev_device_new_from_devnum(udev.get(), 'c', info.st_rdev)
                              : nullptr);
    const char* serial =
        device ? udev_device_get_property_value(device.get(), "ID_SERIAL_SHORT") : nullptr;
    return serial ? serial : "";
}

}  // namespace

int runStation(const StationOptions& options) {
    const std::string& file = options.file;
    const bool json = options.json;
    StationLog log;
    int status = kOk;
    const std::optional<StationFirmware> firmware =
        prepareStation(file, options.logPath, json, log, status);
    if (!firmware) return status;
    std::string error;
    const PrivateCopy copy(*firmware, error);
    if (!error.empty()) {
        printFailure(json, {{"command", "station"}, {"file", file}}, error);
        return kBadInput;
    }
    std::unique_ptr<OperatorScreen> screen;
    if (!options.serve.empty() && !(screen = OperatorScreen::start(options.serve, error))) {
        printFailure(json, {{"command", "station"}, {"file", file}}, error);
        return kBadInput;
    }

    Station station(*firmware, std::move(log), json, {whyNotSerial, usbSerialOf});
    if (screen) {
        station.setObserver(screen->feed());
        station.notice("the operator's screen: " + screen->url());
    }
    PortFolderWatch watch(options.portsFrom.empty() ? kPortFolder : options.portsFrom,
                          {[&](const std::string& port) { station.appeared(port); },
                           [&](const std::string& port) { station.gone(port); },
                           [&](const std::string& text) { station.notice(text); }});
    std::map<std::string, UpgradeChild> children;
    const auto end = [&](UpgradeChild& child) {
        const std::string port = child.port;
        station.finished(reapChild(child));
        children.erase(port);
    };
    int stopsSeen = 0;
    for (;;) {
        for (const std::string& port : station.portsToStart()) {
            UpgradeChild& child = children[port];
            child.port = port;
            spawnChild(child, copy.path(), true);
            if (!child.output) end(child);
        }
        if (station.stopping() && children.empty()) break;

        std::vector<pollfd> fds = {{stopSignalDescriptor(), POLLIN, 0},
                                   {watch.descriptor(), POLLIN, 0},
                                   {stopsSeen ? -1 : STDOUT_FILENO, 0, 0}};  // POLLERR: reader gone
        std::vector<UpgradeChild*> owners;
        for (auto& [port, child] : children) {
            fds.push_back({child.output.get(), POLLIN, 0});
            owners.push_back(&child);
        }
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) break;

        if (const int stops = stopsRequested(); stops > stopsSeen) {
            if (stopsSeen == 0) station.stopTaking();
            if (stops > 1) {
                const int signal = stopRequested() == SIGPIPE ? SIGTERM : stopRequested();
                for (UpgradeChild* child : owners) ::kill(child->pid, signal);
            }
            stopsSeen = stops;
        }
        if (fds[1].revents) watch.update();
        for (std::size_t k = 0; k < owners.size(); ++k) {
            UpgradeChild& child = *owners[k];
            if (fds[k + 3].revents && !readChild(child, station.eventsOf(child.port))) end(child);
        }
    }
    return station.finish(stopsSeen > 1);
}

}  // namespace gimbalctl
