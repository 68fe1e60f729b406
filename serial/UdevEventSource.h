#pragma once
// Follows tty devices through a udev monitor and reports the serial devices
// among them as they are added and removed. A background thread waits on the
// monitor and posts each batch of events to the main queue.

#include <atomic>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/UniqueFd.h"
#include "serial/DeviceEventSource.h"
#include "serial/UdevHandles.h"

class UdevEventSource {
public:
    UdevEventSource();
    ~UdevEventSource();  // stops the thread and waits for it
    UdevEventSource(const UdevEventSource&) = delete;
    UdevEventSource& operator=(const UdevEventSource&) = delete;

    // Opens the monitor, then lists the serial devices present and starts
    // the thread; nullopt when no monitor can be made.
    std::optional<std::vector<SerialDevice>> start(DeviceEventSource::DevicesHandler added);
    // Also reports removals from now on; false before a successful start.
    bool followRemovals(DeviceEventSource::DevicesHandler removed);

    // "udev" when udevd runs (its events carry the device links), else "kernel".
    static const char* monitorSourceName();

private:
    void run();
    void receiveEvents();
    void post(const DeviceEventSource::DevicesHandler& handler, std::vector<SerialDevice> devices);

    UdevPtr udev_;
    UdevMonitorPtr monitor_;
    UniqueFd stopEvent_;
    std::thread thread_;

    std::mutex handlersMutex_;
    DeviceEventSource::DevicesHandler added_;
    DeviceEventSource::DevicesHandler removed_;

    // Nodes of the serial devices seen so far. A removed device has lost its
    // sysfs entry, so removals are recognised by node. Used by the thread only
    // once it runs.
    std::set<std::string> knownNodes_;
};
