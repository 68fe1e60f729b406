#pragma once
// Where the station learns of units coming and going: one interface for each
// system's way of watching them (udev's devices, a folder of links, the COM
// ports of Windows), each telling the station what it knows of a unit.

#include <cstdint>
#include <functional>
#include <string>

namespace gimbalctl {

// One unit as the station knows it, from its appearance to its going away.
struct UnitIdentity {
    std::string slot;       // where it is plugged in: the /dev/serial/by-path name
                            // (udev's ID_PATH), a folder's entry name, a device instance id
    std::string port;       // what is opened: the device node, the folder's link, COM5
    std::string node;       // the device node `port` resolves to, where there is one
    std::string byId;       // the /dev/serial/by-id name, where there is one
    std::string usbSerial;  // the adapter's USB serial number, where it has one
    uint64_t device = 0;    // the device number of `node`; 0 when none
};

class UnitSource {
public:
    struct Events {
        std::function<void(const UnitIdentity& unit)> appeared;
        std::function<void(const std::string& port)> gone;
        std::function<void(const std::string& text)> notice;  // one line about the source
    };
    virtual ~UnitSource() = default;

    // Readable when there is news: then call update(). -1 where the runner
    // looks on its own schedule, calling update() every turn.
    virtual int descriptor() const { return -1; }
    virtual void update() = 0;
};

}  // namespace gimbalctl
