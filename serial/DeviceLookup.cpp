// Finding serial devices through udev, and reading a device record's names.

#include "serial/DeviceLookup.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string_view>

#include "serial/ULXSerialPort.h"
#include "serial/UdevHandles.h"

namespace {

// Unix98 pseudo-terminal slaves use the eight majors from 136 on.
constexpr unsigned kFirstPtySlaveMajor = 136;
constexpr unsigned kLastPtySlaveMajor = 143;

bool hasNoHardware(udev_device* device) {
    // Serial-core ports publish their UART type; 0 means no UART was found at
    // that slot. Reading the attribute never touches the port itself.
    const char* type = udev_device_get_sysattr_value(device, "type");
    return type != nullptr && std::strcmp(type, "0") == 0;
}

// Calls visit(udevDevice, record) for each serial device until it returns true.
void forEachSerialDevice(const std::function<bool(udev_device*, const SerialDevice&)>& visit) {
    UdevPtr context(udev_new());
    if (!context) return;
    UdevEnumeratePtr enumerate(udev_enumerate_new(context.get()));
    if (!enumerate) return;
    udev_enumerate_add_match_subsystem(enumerate.get(), "tty");
    if (udev_enumerate_scan_devices(enumerate.get()) < 0) return;

    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
        UdevDevicePtr device(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        if (!device) continue;
        if (auto record = serialDeviceFromUdev(device.get())) {
            if (visit(device.get(), *record)) return;
        }
    }
}

bool hasLink(udev_device* device, const std::string& path) {
    udev_list_entry* link = nullptr;
    udev_list_entry_foreach(link, udev_device_get_devlinks_list_entry(device)) {
        if (path == udev_list_entry_get_name(link)) return true;
    }
    return false;
}

std::optional<std::string> nonEmpty(const SerialDevice& device,
                                    std::string SerialDeviceInfo::*field) {
    if (!device || (device.info().*field).empty()) return std::nullopt;
    return device.info().*field;
}

// Where the device is plugged in and what names its adapter, from udev's
// links and properties (none without udevd).
void readPlace(udev_device* device, SerialDeviceInfo& info) {
    constexpr std::string_view kByPath = "/dev/serial/by-path/", kById = "/dev/serial/by-id/";
    udev_list_entry* link = nullptr;
    udev_list_entry_foreach(link, udev_device_get_devlinks_list_entry(device)) {
        const std::string_view name = udev_list_entry_get_name(link);
        if (name.starts_with(kByPath)) info.slot = name.substr(kByPath.size());
        if (name.starts_with(kById)) info.byId = name;
    }
    const char* idPath = udev_device_get_property_value(device, "ID_PATH");
    if (info.slot.empty() && idPath) info.slot = idPath;
    const char* serial = udev_device_get_property_value(device, "ID_SERIAL_SHORT");
    if (serial) info.usbSerial = serial;
}

}  // namespace

std::optional<SerialDevice> serialDeviceFromUdev(udev_device* device) {
    if (device == nullptr) return std::nullopt;
    const char* subsystem = udev_device_get_subsystem(device);
    if (subsystem == nullptr || std::strcmp(subsystem, "tty") != 0) return std::nullopt;
    // Virtual terminals, the console and ptmx have no parent device.
    if (udev_device_get_parent(device) == nullptr) return std::nullopt;
    const char* node = udev_device_get_devnode(device);
    const char* sysname = udev_device_get_sysname(device);
    if (node == nullptr || sysname == nullptr) return std::nullopt;
    if (hasNoHardware(device)) return std::nullopt;

    SerialDeviceInfo info;
    info.calloutPath = node;
    info.dialinPath = node;
    info.ttyName = sysname;
    if (const char* sysPath = udev_device_get_syspath(device)) info.sysPath = sysPath;
    readPlace(device, info);
    return SerialDevice(std::move(info));
}

std::vector<SerialDevice> enumerateSerialDevices() {
    std::vector<SerialDevice> devices;
    forEachSerialDevice([&](udev_device*, const SerialDevice& record) {
        devices.push_back(record);
        return false;
    });
    return devices;
}

std::optional<std::string> pseudoTerminalSlaveNode(const std::string& path) {
    if (path.empty()) return std::nullopt;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) return std::nullopt;
    struct stat st {};
    if (::stat(resolved, &st) != 0 || !S_ISCHR(st.st_mode)) return std::nullopt;
    const unsigned devMajor = major(st.st_rdev);
    if (devMajor < kFirstPtySlaveMajor || devMajor > kLastPtySlaveMajor) return std::nullopt;
    return std::string(resolved);
}

SerialDevice ULXSerialPort::deviceFromBSDPath(const std::string& path) {
    if (path.empty()) return {};
    if (auto node = pseudoTerminalSlaveNode(path)) return SerialDevice::forNode(*node);
    // Device nodes and their udev links are files: a path that names nothing
    // matches no device, and the scan of every tty device (several
    // milliseconds, at start-up among others) is skipped.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};

    SerialDevice found;
    forEachSerialDevice([&](udev_device* device, const SerialDevice& record) {
        if (record.info().calloutPath != path && record.info().dialinPath != path &&
            !hasLink(device, path)) {
            return false;
        }
        found = record;
        return true;
    });
    return found;
}

std::optional<std::string> ULXSerialPort::bsdCalloutPathFromDevice(const SerialDevice& device) {
    return nonEmpty(device, &SerialDeviceInfo::calloutPath);
}

std::optional<std::string> ULXSerialPort::bsdDialinPathFromDevice(const SerialDevice& device) {
    return nonEmpty(device, &SerialDeviceInfo::dialinPath);
}

std::optional<std::string> ULXSerialPort::modemNameFromDevice(const SerialDevice& device) {
    return nonEmpty(device, &SerialDeviceInfo::ttyName);
}

std::optional<std::string> ULXSerialPort::baseNameFromDevice(const SerialDevice& device) {
    return nonEmpty(device, &SerialDeviceInfo::baseName);
}

std::optional<std::string> ULXSerialPort::serviceTypeFromDevice(const SerialDevice& device) {
    return nonEmpty(device, &SerialDeviceInfo::serviceType);
}

std::optional<std::string> ULXSerialPort::suffixFromDevice(const SerialDevice& device) {
    return nonEmpty(device, &SerialDeviceInfo::suffix);
}
