#include "serial/ULXSerialPortManager.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "platform/NotificationCenter.h"
#include "serial/LogindSleepSource.h"
#include "serial/UdevEventSource.h"

namespace {

// The system's events: devices from udev, sleep and wake from logind.
class SystemEventSource final : public DeviceEventSource {
public:
    std::optional<std::vector<SerialDevice>> followPublished(DevicesHandler published) override {
        return devices_.start(std::move(published));
    }
    bool followTerminated(DevicesHandler terminated) override {
        return devices_.followRemovals(std::move(terminated));
    }
    void followSleepAndWake(Handler willSleep, Handler didWake) override {
        sleep_.start(std::move(willSleep), std::move(didWake));
    }

private:
    UdevEventSource devices_;
    LogindSleepSource sleep_;
};

struct SharedManager {
    std::mutex mutex;
    std::shared_ptr<ULXSerialPortManager> instance;
    std::function<std::unique_ptr<DeviceEventSource>()> sourceFactory;
};

SharedManager& sharedManager() {
    static SharedManager shared;
    return shared;
}

bool containsEqual(const ULXSerialPortManager::PortList& ports, const ULXSerialPort& port) {
    return std::any_of(ports.begin(), ports.end(),
                       [&](const auto& listed) { return listed && listed->isEqual(port); });
}

void logUnexpectedContext(const char* callback) {
    // An expired context is the only kind a typed weak reference can hold.
    std::fprintf(stderr,
                 "Unexpected context object (null) in %s. Context object should be an instance "
                 "of ULXSerialPortManager\n",
                 callback);
}

}  // namespace

void ULXSerialPortManagerPortsPublishedNotificationCallback(
    const std::weak_ptr<ULXSerialPortManager>& context, const std::vector<SerialDevice>& devices) {
    if (auto manager = context.lock()) {
        manager->serialPortsWerePublished(devices);
    } else {
        logUnexpectedContext(__PRETTY_FUNCTION__);
    }
}

void ULXSerialPortManagerPortsTerminatedNotificationCallback(
    const std::weak_ptr<ULXSerialPortManager>& context, const std::vector<SerialDevice>& devices) {
    if (auto manager = context.lock()) {
        manager->serialPortsWereTerminated(devices);
    } else {
        logUnexpectedContext(__PRETTY_FUNCTION__);
    }
}

// ---- Creation ----

std::shared_ptr<ULXSerialPortManager> ULXSerialPortManager::sharedSerialPortManager() {
    SharedManager& shared = sharedManager();
    std::lock_guard lock(shared.mutex);
    if (!shared.instance) {
        auto source =
            shared.sourceFactory ? shared.sourceFactory() : std::make_unique<SystemEventSource>();
        auto manager = std::make_shared<ULXSerialPortManager>(Token{}, std::move(source));
        manager->self_ = manager;
        manager->retrieveAvailablePortsAndRegisterForChangeNotifications();
        manager->registerForNotifications();
        shared.instance = std::move(manager);
    }
    return shared.instance;
}

ULXSerialPortManager::ULXSerialPortManager(Token, std::unique_ptr<DeviceEventSource> source)
    : source_(std::move(source)) {}

// Destroying the source stops its threads; events it already posted find the
// manager gone and are dropped by the callbacks above.
ULXSerialPortManager::~ULXSerialPortManager() = default;

void ULXSerialPortManager::retrieveAvailablePortsAndRegisterForChangeNotifications() {
    if (!source_) return;
    std::weak_ptr<ULXSerialPortManager> context = self_;
    auto present = source_->followPublished([context](const std::vector<SerialDevice>& devices) {
        ULXSerialPortManagerPortsPublishedNotificationCallback(context, devices);
    });
    // Without arrivals there is no list at all, so readers never see a list
    // that silently stops matching the system.
    if (!present) return;

    PortList ports;
    for (const auto& device : *present) {
        if (!device) continue;
        if (auto port = ULXSerialPort::serialPortWithDevice(device)) ports.push_back(port);
    }
    setAvailablePorts(std::move(ports));

    // When removals cannot be followed the list stands but only grows.
    source_->followTerminated([context](const std::vector<SerialDevice>& devices) {
        ULXSerialPortManagerPortsTerminatedNotificationCallback(context, devices);
    });
}

void ULXSerialPortManager::registerForNotifications() {
    if (!source_) return;
    std::weak_ptr<ULXSerialPortManager> context = self_;
    source_->followSleepAndWake(
        [context] {
            if (auto manager = context.lock()) manager->systemWillSleep();
        },
        [context] {
            if (auto manager = context.lock()) manager->systemDidWake();
        });
}

// ---- The observed list ----

void ULXSerialPortManager::setAvailablePorts(std::optional<PortList> ports) {
    availablePorts_ = std::move(ports);
    tellObservers({AvailablePortsChange::Replacement, {}, availablePorts_.value_or(PortList{})});
}

std::size_t ULXSerialPortManager::countOfAvailablePorts() const {
    return availablePorts_ ? availablePorts_->size() : 0;
}

std::shared_ptr<ULXSerialPort> ULXSerialPortManager::objectInAvailablePortsAtIndex(
    std::size_t index) const {
    if (!availablePorts_ || index >= availablePorts_->size()) return nullptr;
    return (*availablePorts_)[index];
}

void ULXSerialPortManager::insertObjectInAvailablePortsAtIndex(std::shared_ptr<ULXSerialPort> port,
                                                               std::size_t index) {
    insertAvailablePortsAtIndexes({std::move(port)}, {index});
}

void ULXSerialPortManager::insertAvailablePortsAtIndexes(const PortList& ports,
                                                         const std::vector<std::size_t>& indexes) {
    if (!availablePorts_ || ports.size() != indexes.size() || ports.empty()) return;
    if (!std::is_sorted(indexes.begin(), indexes.end()) ||
        std::adjacent_find(indexes.begin(), indexes.end()) != indexes.end() ||
        indexes.back() >= availablePorts_->size() + ports.size()) {
        return;
    }
    // Each index is the position in the resulting list, as with index sets.
    for (std::size_t i = 0; i < ports.size(); ++i) {
        availablePorts_->insert(availablePorts_->begin() + static_cast<long>(indexes[i]), ports[i]);
    }
    tellObservers({AvailablePortsChange::Insertion, indexes, ports});
}

void ULXSerialPortManager::removeObjectFromAvailablePortsAtIndex(std::size_t index) {
    removeAvailablePortsAtIndexes({index});
}

void ULXSerialPortManager::removeAvailablePortsAtIndexes(const std::vector<std::size_t>& indexes) {
    if (!availablePorts_ || indexes.empty()) return;
    std::vector<std::size_t> sorted = indexes;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    if (sorted.back() >= availablePorts_->size()) return;

    PortList removed;
    for (std::size_t index : sorted) removed.push_back((*availablePorts_)[index]);
    for (auto index = sorted.rbegin(); index != sorted.rend(); ++index) {
        availablePorts_->erase(availablePorts_->begin() + static_cast<long>(*index));
    }
    tellObservers({AvailablePortsChange::Removal, sorted, removed});
}

int ULXSerialPortManager::addAvailablePortsObserver(AvailablePortsObserver observer) {
    observers_.emplace_back(nextObserverToken_, std::move(observer));
    return nextObserverToken_++;
}

void ULXSerialPortManager::removeAvailablePortsObserver(int token) {
    std::erase_if(observers_, [&](const auto& entry) { return entry.first == token; });
}

void ULXSerialPortManager::tellObservers(const AvailablePortsChange& change) {
    // A copy, so an observer may remove itself (or add another) meanwhile.
    const auto observers = observers_;
    for (const auto& [token, observer] : observers) observer(change);
}

// ---- Events ----

void ULXSerialPortManager::serialPortsWerePublished(const std::vector<SerialDevice>& devices) {
    if (ended_) return;
    PortList added;
    for (const auto& device : devices) {
        if (!device) continue;
        auto port = ULXSerialPort::serialPortWithDevice(device);
        if (!port || containsEqual(added, *port)) continue;
        if (availablePorts_ && containsEqual(*availablePorts_, *port)) continue;
        added.push_back(port);
    }

    if (availablePorts_ && !added.empty()) {
        std::vector<std::size_t> indexes(added.size());
        std::iota(indexes.begin(), indexes.end(), availablePorts_->size());
        insertAvailablePortsAtIndexes(added, indexes);
    }
    NotificationCenter::defaultCenter().post(ULXSerialPortsWereConnectedNotification, this,
                                             {{ULXConnectedSerialPortsKey, added}});
}

void ULXSerialPortManager::serialPortsWereTerminated(const std::vector<SerialDevice>& devices) {
    if (ended_) return;
    PortList removed;
    for (const auto& device : devices) {
        if (!device) continue;
        if (auto port = ULXSerialPort::serialPortWithDevice(device)) removed.push_back(port);
    }
    for (const auto& port : removed) port->cleanupAfterSystemRemoval();

    if (availablePorts_) {
        std::vector<std::size_t> indexes;
        for (std::size_t i = 0; i < availablePorts_->size(); ++i) {
            if (containsEqual(removed, *(*availablePorts_)[i])) indexes.push_back(i);
        }
        removeAvailablePortsAtIndexes(indexes);
    }
    NotificationCenter::defaultCenter().post(ULXSerialPortsWereDisconnectedNotification, this,
                                             {{ULXDisconnectedSerialPortsKey, removed}});
}

void ULXSerialPortManager::systemWillSleep() {
    if (ended_ || !availablePorts_) return;
    const PortList ports = *availablePorts_;  // closing tells observers, who may change the list
    for (const auto& port : ports) {
        if (port->isOpen() && port->close()) portsToReopenAfterSleep_.push_back(port);
    }
}

void ULXSerialPortManager::systemDidWake() {
    if (ended_) return;
    const PortList toReopen = portsToReopenAfterSleep_;
    for (const auto& port : toReopen) {
        port->open();  // a port that cannot be reopened stays closed, without retries
        std::erase(portsToReopenAfterSleep_, port);
    }
}

void ULXSerialPortManager::applicationWillTerminate() {
    if (ended_) return;
    ended_ = true;
    if (availablePorts_) {
        const PortList ports = *availablePorts_;
        for (const auto& port : ports) port->cleanupAfterSystemRemoval();
    }
    // Ports closed for a sleep that the application does not outlive stay closed.
    portsToReopenAfterSleep_.clear();
    setAvailablePorts(std::nullopt);
}

// ---- Test seams ----

void ULXSerialPortManager::useEventSourceFactory(
    std::function<std::unique_ptr<DeviceEventSource>()> factory) {
    SharedManager& shared = sharedManager();
    std::lock_guard lock(shared.mutex);
    shared.sourceFactory = std::move(factory);
}

void ULXSerialPortManager::resetForTests() {
    std::shared_ptr<ULXSerialPortManager> old;
    {
        SharedManager& shared = sharedManager();
        std::lock_guard lock(shared.mutex);
        old = std::move(shared.instance);
    }
    // Destroyed outside the lock: its source joins threads of its own.
}
