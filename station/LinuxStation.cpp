// gimbalctl station FILE on Linux: the units are udev's USB serial devices
// (UdevUnitSource), or the entries of a folder with --ports-from
// (FolderUnitSource). Each unit's port is let settle (PortSettle), then its
// upgrade runs in a process of its own, as the parallel upgrade runs it
// (UpgradeChild.h), in a process group of its own so that a Ctrl+C reaches
// the station alone: the first lets the upgrades finish, the second passes
// the stop on to them.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>

#include "serial/OpenFailure.h"
#include "serial/ULXSerialPort.h"
#include "station/FolderUnitSource.h"
#include "station/OperatorScreen.h"
#include "station/PortSettle.h"
#include "station/RecordSender.h"
#include "station/ScreenGate.h"
#include "station/Station.h"
#include "station/StationOptions.h"
#include "station/UdevUnitSource.h"
#include "translations/Marked.h"
#include "unitupgrade/ExitStatuses.h"
#include "unitupgrade/Output.h"
#include "unitupgrade/Stop.h"
#include "unitupgrade/Translation.h"
#include "unitupgrade/UpgradeChild.h"
#include "unitupgrade/Verification.h"

namespace gimbalctl {
namespace {

// The checked bytes in a sealed memory file that no folder shows: it goes
// with the station however the station ends, and every unit gets the bytes
// the log records, whatever happens to the file meanwhile. Each unit's
// process is handed it as one descriptor and reads it through its
// /proc/self/fd path (UpgradeChild.h).
class SealedFirmware {
public:
    SealedFirmware(const StationFirmware& firmware, std::string& error)
        : name_(std::filesystem::path(firmware.path).filename().string()),
          fd_(::memfd_create(name_.c_str(), MFD_ALLOW_SEALING)) {
        std::size_t written = 0;
        while (fd_ && written < firmware.bytes.size()) {
            const ssize_t n = ::write(fd_.get(), firmware.bytes.data() + written,
                                      firmware.bytes.size() - written);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            written += static_cast<std::size_t>(n);
        }
        if (!fd_ || written != firmware.bytes.size() ||
            ::fcntl(fd_.get(), F_ADD_SEALS,
                    F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL) != 0) {
            error =
                "cannot keep the firmware's bytes in memory: " + std::string(std::strerror(errno));
            return;
        }
    }
    int descriptor() const { return fd_.get(); }       // handed to each unit's process
    const std::string& name() const { return name_; }  // decides the file's kind

private:
    std::string name_;
    UniqueFd fd_;
};

std::string whyNotSerial(const std::string& port) {
    if (ULXSerialPort::serialPortWithPath(port)) return {};
    return describeOpenFailure(port, whyNoSerialDevice(port));
}

// A unit whose port went away between its settle and its process's open:
// nothing was sent, so it is no unit (one line), not a failed one.
bool neverReachedItsPort(const UpgradeOutcome& outcome, bool stillPresent) {
    std::error_code ignored;
    return outcome.status == kPortFailed && outcome.messages.empty() &&
           (!stillPresent || !std::filesystem::exists(outcome.port, ignored));
}

// As many descriptors as the system lets the station have: the operator's
// screen takes its share of them only beside a reserve for the units.
void raiseDescriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == limit.rlim_max) return;
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

}  // namespace

int runStation(const StationOptions& options) {
    raiseDescriptorLimit();
    const bool json = options.json;
    std::string error;
    const std::string journal = journalPath(options, error);
    if (!error.empty()) {
        printFailure(json, {{"command", "station"}}, error);
        return kBadInput;
    }
    StationLog log;
    SlotLabels slots;
    int status = kOk;
    StationOptions withJournal = options;
    withJournal.logPath = journal;
    const std::optional<StationFirmware> firmware = prepareStation(withJournal, log, slots, status);
    if (!firmware) return status;
    std::unique_ptr<RecordSender> sender;
    if (!options.db.empty() && !(sender = startRecordSender(log.file(), options.db, error))) {
        printFailure(json, {{"command", "station"}, {"file", firmware->path}}, error);
        return kBadInput;
    }
    const SealedFirmware bytes(*firmware, error);
    if (!error.empty()) {
        printFailure(json, {{"command", "station"}, {"file", firmware->path}}, error);
        return kBadInput;
    }
    std::unique_ptr<OperatorScreen> screen;
    // A screen turned away reads the station's language.
    const std::string refusal = translated(ScreenGate::kTooManyScreens);
    if (!options.serve.empty() &&
        !(screen = OperatorScreen::start(options.serve, error, refusal))) {
        printFailure(json, {{"command", "station"}, {"file", firmware->path}}, error);
        return kBadInput;
    }

    Station station(*firmware, std::move(log), json, {whyNotSerial}, slots);
    // Every unit's versions are read before and after; the bytes are the approved file.
    const std::vector<std::string> checks =
        UpgradeChecks{true, options.skipCurrent, {}, {}}.arguments();
    const UnitSource::Events news = {[&](const UnitIdentity& unit) { station.appeared(unit); },
                                     [&](const std::string& port) { station.gone(port); },
                                     [&](const std::string& text) { station.notice(text); }};
    std::unique_ptr<UnitSource> units;
    if (options.portsFrom.empty()) {
        units = std::make_unique<UdevUnitSource>(UdevUnitSource::systemDevices(), news);
    } else {
        units = std::make_unique<FolderUnitSource>(options.portsFrom, news);
    }
    PortSettle settle;
    if (screen) {
        station.setObserver(screen->feed());
        for (const auto& [slot, label] : slots.labels()) screen->feed().addSlot(slot, label);
        station.notice(N_("the operator's screen: %1"), {screen->url()});
    }
    station.recordAs(options.stationId, [&] {
        if (sender) sender->recorded();
    });
    const auto tellRecordNews = [&] {
        for (const translations::Wording& news : sender->takeNews()) station.notice(news);
        if (screen) screen->feed().setRecordsWaiting(static_cast<int>(sender->waiting()));
    };
    if (sender) {
        station.notice(N_("records: %1, sent to %2"), {journal, connectionTarget(options.db)});
    }
    std::map<std::string, UpgradeChild> children;
    const auto end = [&](UpgradeChild& child) {
        const std::string port = child.port;
        const UpgradeOutcome outcome = reapChild(child);
        if (neverReachedItsPort(outcome, station.identityOf(port) != nullptr)) {
            station.withdrawn(port, "went away before its upgrade began");
        } else {
            station.finished(outcome);
        }
        children.erase(port);
    };
    int stopsSeen = 0;
    for (;;) {
        for (const std::string& port : station.portsToStart()) settle.add(port);
        for (const std::string& port : settle.ready(station)) {
            UpgradeChild& child = children[port];
            child.port = port;
            // The device node the unit had when it started, not its name,
            // which udev may re-point at another device at any time.
            child.opens = station.startedOn(port)->node;
            child.fileName = bytes.name();
            child.fileDescriptor = bytes.descriptor();
            spawnChild(child, kHandedFile, checks, true);
            if (!child.output) end(child);
        }
        if (station.stopping() && children.empty() && !station.busy()) break;

        std::vector<pollfd> fds = {{stopSignalDescriptor(), POLLIN, 0},
                                   {units->descriptor(), POLLIN, 0},
                                   {stopsSeen ? -1 : STDOUT_FILENO, 0, 0}};  // POLLERR: reader gone
        std::vector<UpgradeChild*> owners;
        for (auto& [port, child] : children) {
            fds.push_back({child.output.get(), POLLIN, 0});
            owners.push_back(&child);
        }
        fds.push_back({screen ? screen->descriptor() : -1, POLLIN, 0});
        fds.push_back({sender ? sender->descriptor() : -1, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), settle.pollTimeoutMs()) < 0 && errno != EINTR) break;

        if (const int stops = stopsRequested(); stops > stopsSeen) {
            if (stopsSeen == 0) station.stopTaking();
            if (stops > 1) {
                const int signal = stopRequested() == SIGPIPE ? SIGTERM : stopRequested();
                for (UpgradeChild* child : owners) ::kill(child->pid, signal);
                settle.dropAll(station);
            }
            stopsSeen = stops;
        }
        if (fds[1].revents) units->update();
        for (std::size_t k = 0; k < owners.size(); ++k) {
            UpgradeChild& child = *owners[k];
            if (fds[k + 3].revents && !readChild(child, station.eventsOf(child.port))) end(child);
        }
        if (fds[fds.size() - 2].revents) {
            if (const auto news = screen->takeNews()) station.notice(*news);
        }
        if (fds.back().revents) tellRecordNews();
    }
    if (sender) {
        tellRecordNews();
        // Whatever the database does, the station ends within seconds.
        const std::size_t waiting = sender->finish(std::chrono::seconds(3));
        tellRecordNews();
        if (waiting) {
            station.notice(N_("records waiting: %1; the station's next start sends them"),
                           {std::to_string(waiting)});
        }
    }
    return station.finish(stopsSeen > 1);
}

}  // namespace gimbalctl
