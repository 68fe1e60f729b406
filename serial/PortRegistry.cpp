// Construction of port objects, the class-wide registry that keeps them unique
// per callout path, and their identity.

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <functional>

#include "serial/ULXSerialPort.h"

namespace {

// Weak references to every live port object, in construction order. One mutex
// guards the list and the check-then-list of construction, since an object can
// be unlisted from a background thread that drops its last owner.
struct Registry {
    std::mutex mutex;
    std::vector<std::weak_ptr<ULXSerialPort>> ports;
    std::vector<const ULXSerialPort*> identities;  // parallel to ports, for unlisting
};

Registry& registry() {
    static Registry instance;
    return instance;
}

std::shared_ptr<ULXSerialPort> findLocked(Registry& reg, const std::string& path) {
    for (auto& weak : reg.ports) {
        if (auto port = weak.lock(); port && port->path() == path) return port;
    }
    return nullptr;
}

}  // namespace

std::shared_ptr<ULXSerialPort> ULXSerialPort::serialPortWithPath(const std::string& path) {
    SerialDevice device = deviceFromBSDPath(path);
    if (!device) return nullptr;
    return serialPortWithDevice(device);
}

std::shared_ptr<ULXSerialPort> ULXSerialPort::serialPortWithDevice(const SerialDevice& device) {
    if (!device) {
        std::fprintf(stderr, "%s requires non-zero device argument.\n", __func__);
        assert(false && "serialPortWithDevice requires a device");
        return nullptr;
    }
    const std::string callout = bsdCalloutPathFromDevice(device).value_or("");
    Registry& reg = registry();
    std::lock_guard lock(reg.mutex);
    if (auto existing = findLocked(reg, callout)) return existing;
    auto port = std::make_shared<ULXSerialPort>(Token{}, device);
    reg.ports.push_back(port);
    reg.identities.push_back(port.get());
    return port;
}

std::shared_ptr<ULXSerialPort> ULXSerialPort::existingPortWithPath(const std::string& path) {
    Registry& reg = registry();
    std::lock_guard lock(reg.mutex);
    return findLocked(reg, path);
}

std::size_t ULXSerialPort::registeredPortCount() {
    Registry& reg = registry();
    std::lock_guard lock(reg.mutex);
    return static_cast<std::size_t>(
        std::count_if(reg.ports.begin(), reg.ports.end(), [](auto& w) { return !w.expired(); }));
}

ULXSerialPort::ULXSerialPort(Token, const SerialDevice& device)
    : path_(bsdCalloutPathFromDevice(device).value_or("")),
      name_(modemNameFromDevice(device).value_or("")),
      device_(device) {}

ULXSerialPort::~ULXSerialPort() {
    {
        Registry& reg = registry();
        std::lock_guard lock(reg.mutex);
        for (std::size_t i = 0; i < reg.identities.size();) {
            if (reg.identities[i] == this) {
                reg.identities.erase(reg.identities.begin() + static_cast<long>(i));
                reg.ports.erase(reg.ports.begin() + static_cast<long>(i));
            } else {
                ++i;
            }
        }
    }
    destroyLineState();
}

std::string ULXSerialPort::path() const {
    std::lock_guard lock(identityMutex_);
    return path_;
}

std::string ULXSerialPort::name() const {
    std::lock_guard lock(identityMutex_);
    return name_;
}

SerialDevice ULXSerialPort::IOKitDevice() const {
    std::lock_guard lock(identityMutex_);
    return device_;
}

std::string ULXSerialPort::description() const { return name(); }

std::size_t ULXSerialPort::hash() const { return std::hash<std::string>{}(path()); }

bool ULXSerialPort::isEqual(const ULXSerialPort& other) const {
    if (this == &other) return true;
    const std::string mine = path();
    return !mine.empty() && mine == other.path();
}

void ULXSerialPort::setDelegate(std::weak_ptr<ULXSerialPortDelegate> delegate) {
    std::lock_guard lock(identityMutex_);
    delegate_ = std::move(delegate);
}

std::shared_ptr<ULXSerialPortDelegate> ULXSerialPort::delegate() const {
    std::lock_guard lock(identityMutex_);
    return delegate_.lock();
}
