#pragma once
// The serial devices of the system, read from udev and sysfs without opening
// any port. A serial device is a `tty` subsystem device with a parent device
// and a device node; a serial-core port whose sysfs `type` reads 0 has no
// hardware behind it (an unused built-in 8250 slot) and is left out.

#include <optional>
#include <string>
#include <vector>

#include "serial/SerialDevice.h"

struct udev_device;

// Every serial device present, in udev's enumeration order.
std::vector<SerialDevice> enumerateSerialDevices();

// The device record for a udev device, or none when it is not a serial device
// by the rule above.
std::optional<SerialDevice> serialDeviceFromUdev(udev_device* device);

// True when the path names a pseudo-terminal slave (directly or through a
// symlink); its resolved node in that case.
std::optional<std::string> pseudoTerminalSlaveNode(const std::string& path);
