#pragma once
// A handle to one serial device of the system: reference-counted, comparable
// and cheap to copy. An empty handle stands for "no device".

#include <memory>
#include <string>

struct SerialDeviceInfo {
    std::string calloutPath;  // the device node, e.g. /dev/ttyUSB0
    std::string dialinPath;   // the same node on Linux
    std::string ttyName;      // the kernel's name, e.g. ttyUSB0
    std::string baseName;     // may be empty
    std::string serviceType;  // may be empty
    std::string suffix;       // may be empty
    std::string sysPath;      // udev's sysfs path; empty for pseudo-terminals
    std::string slot;         // the physical place: the /dev/serial/by-path name, or
                              // udev's ID_PATH; may be empty
    std::string byId;         // the /dev/serial/by-id link; may be empty
    std::string usbSerial;    // the adapter's USB serial number; may be empty
};

class SerialDevice {
public:
    SerialDevice() = default;
    explicit SerialDevice(SerialDeviceInfo info)
        : info_(std::make_shared<const SerialDeviceInfo>(std::move(info))) {}

    // A device known only by its node (a pseudo-terminal, or a stand-in in tests).
    static SerialDevice forNode(const std::string& node) {
        SerialDeviceInfo info;
        info.calloutPath = node;
        info.dialinPath = node;
        info.ttyName = node.substr(node.find_last_of('/') + 1);
        return SerialDevice(std::move(info));
    }

    explicit operator bool() const { return info_ != nullptr; }
    // True for a USB serial adapter: its sysfs path runs through a USB device.
    bool isUsbAdapter() const { return info_ && info_->sysPath.find("/usb") != std::string::npos; }
    const SerialDeviceInfo& info() const { return *info_; }

    // Two handles are equal when they stand for the same device node.
    friend bool operator==(const SerialDevice& a, const SerialDevice& b) {
        if (!a.info_ || !b.info_) return a.info_ == b.info_;
        return a.info_->calloutPath == b.info_->calloutPath;
    }

private:
    std::shared_ptr<const SerialDeviceInfo> info_;
};
