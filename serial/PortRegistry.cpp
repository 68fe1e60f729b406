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
//
// Entries are matched by their stored path before their weak reference is
// locked: a strong reference taken and dropped under the mutex could be the
// last one, and the destructor it runs would wait for the same mutex.
struct Registry {
    struct Entry {
        std::weak_ptr<ULXSerialPort> port;
        const ULXSerialPort* identity;  // for unlisting by the destructor
        std::string path;
    };
    std::mutex mutex;
    std::vector<Entry> entries;
};

// Never destroyed: a port can be released while the process ends (by a task
// still queued for the main thread, or by a finishing line thread), and it
// unlists itself then.
Registry& registry() {
    union Immortal {
        Registry value;
        Immortal() : value() {}
        ~Immortal() {}
    };
    static Immortal instance;
    return instance.value;
}

std::shared_ptr<ULXSerialPort> findLocked(Registry& reg, const std::string& path) {
    for (auto& entry : reg.entries) {
        if (entry.path != path) continue;
        if (auto port = entry.port.lock()) return port;
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
    reg.entries.push_back({port, port.get(), callout});
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
        std::count_if(reg.entries.begin(), reg.entries.end(),
                      [](const Registry::Entry& e) { return !e.port.expired(); }));
}

ULXSerialPort::ULXSerialPort(Token, const SerialDevice& device)
    : path_(bsdCalloutPathFromDevice(device).value_or("")),
      name_(modemNameFromDevice(device).value_or("")),
      device_(device) {}

ULXSerialPort::~ULXSerialPort() {
    {
        Registry& reg = registry();
        std::lock_guard lock(reg.mutex);
        std::erase_if(reg.entries, [this](const Registry::Entry& e) { return e.identity == this; });
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
