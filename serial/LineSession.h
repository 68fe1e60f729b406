#pragma once
// Internal to the line handling: what the reader and the poller of one open
// port share, and helpers both use.

#include <atomic>
#include <cerrno>
#include <cstdint>

#include "serial/ULXSerialPort.h"

struct ULXSerialPort::LineSession {
    LineSession(int descriptor, uint64_t sessionNumber) : fd(descriptor), number(sessionNumber) {}
    const int fd;
    const uint64_t number;
    // Set by whichever of reader and poller first sees the device gone.
    std::atomic<bool> deviceGone{false};
};

namespace serial_line {

// On Linux a vanished device (unplugged bridge, hung-up pseudo-terminal)
// answers with any of these.
inline bool meansDeviceGone(int code) { return code == EIO || code == ENXIO || code == ENODEV; }

}  // namespace serial_line
