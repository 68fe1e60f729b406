#pragma once
// The COM ports present: from SetupAPI with their friendly names and USB
// vendor:product, and from HARDWARE\DEVICEMAP\SERIALCOMM for ports that
// SetupAPI does not list.

#include <string>
#include <vector>

namespace gimbalctl::windows {

struct PortInfo {
    std::string name;          // COM5
    std::string friendlyName;  // "USB Serial Port (COM5)", or empty
    std::string usbId;         // "0403:6001", or empty
    std::string
        instanceId;  // the device instance id, FTDIBUS\VID_0403+PID_6001+A1B2C3A\0000, or empty
};

// Sorted by number: COM2 before COM10.
std::vector<PortInfo> presentPorts();

// "0403:6001" from a hardware id such as USB\VID_0403&PID_6001&REV_0600; empty
// when it names no USB vendor and product.
std::string usbIdOf(const std::string& hardwareId);

}  // namespace gimbalctl::windows
