#pragma once
// The one object in the process that knows which serial devices the system
// has. At creation it lists the serial devices present, with a port object for
// each; afterwards it follows devices being plugged in and removed, announces
// every such change, closes open ports for system sleep and reopens them on
// wake, and cleans up every port it knows when the application ends.
//
// Use it on the main thread: device, sleep and wake events arrive there, and
// the lists are changed only there, without locks. Only the creation through
// sharedSerialPortManager() is safe from any thread.

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "serial/DeviceEventSource.h"
#include "serial/ULXSerialPort.h"

// Announcements on NotificationCenter::defaultCenter(), sent by the manager.
// The constants' names are plural, their values singular; observers match the values.
inline constexpr const char* ULXSerialPortsWereConnectedNotification =
    "ULXSerialPortWasConnectedNotification";
inline constexpr const char* ULXSerialPortsWereDisconnectedNotification =
    "ULXSerialPortWasDisconnectedNotification";
// User-info keys, each holding a ULXSerialPortManager::PortList.
inline constexpr const char* ULXConnectedSerialPortsKey = "ULXConnectedSerialPortsKey";
inline constexpr const char* ULXDisconnectedSerialPortsKey = "ULXDisconnectedSerialPortsKey";

class ULXSerialPortManager {
    struct Token {};  // construction goes through sharedSerialPortManager only

public:
    using PortList = std::vector<std::shared_ptr<ULXSerialPort>>;

    // What observers of availablePorts are told after each change.
    struct AvailablePortsChange {
        enum Kind { Insertion, Removal, Replacement };
        Kind kind;
        std::vector<std::size_t> indexes;  // ascending; of the list before a removal
        PortList ports;                    // inserted or removed ports, by index
    };
    using AvailablePortsObserver = std::function<void(const AvailablePortsChange&)>;

    // The one manager, created by the first call from whichever thread.
    static std::shared_ptr<ULXSerialPortManager> sharedSerialPortManager();

    ULXSerialPortManager(Token, std::unique_ptr<DeviceEventSource> source);
    ~ULXSerialPortManager();
    ULXSerialPortManager(const ULXSerialPortManager&) = delete;
    ULXSerialPortManager& operator=(const ULXSerialPortManager&) = delete;

    // The ports of the serial devices present; absent when device arrivals
    // cannot be followed, and after the end-of-application clean-up.
    const std::optional<PortList>& availablePorts() const { return availablePorts_; }
    // Replaces the whole list (absent with nullopt); observers are told.
    void setAvailablePorts(std::optional<PortList> ports);

    // Element access; an absent list reads as empty.
    std::size_t countOfAvailablePorts() const;
    std::shared_ptr<ULXSerialPort> objectInAvailablePortsAtIndex(std::size_t index) const;
    // Observed changes of the list. Out-of-range indexes are ignored; on an
    // absent list these do nothing.
    void insertObjectInAvailablePortsAtIndex(std::shared_ptr<ULXSerialPort> port,
                                             std::size_t index);
    void insertAvailablePortsAtIndexes(const PortList& ports,
                                       const std::vector<std::size_t>& indexes);
    void removeObjectFromAvailablePortsAtIndex(std::size_t index);
    void removeAvailablePortsAtIndexes(const std::vector<std::size_t>& indexes);

    int addAvailablePortsObserver(AvailablePortsObserver observer);
    void removeAvailablePortsObserver(int token);

    // Ports closed for system sleep, to be reopened on wake.
    const PortList& portsToReopenAfterSleep() const { return portsToReopenAfterSleep_; }
    void setPortsToReopenAfterSleep(PortList ports) { portsToReopenAfterSleep_ = std::move(ports); }

    // Event handlers, called by the event source on the main thread.
    void serialPortsWerePublished(const std::vector<SerialDevice>& devices);
    void serialPortsWereTerminated(const std::vector<SerialDevice>& devices);
    void systemWillSleep();
    void systemDidWake();
    // Connected to the application's about-to-quit signal: cleans up (and so
    // closes) every listed port, then leaves the list absent. Device, sleep
    // and wake events are ignored from then on.
    void applicationWillTerminate();

    // ---- Test seams ----
    // The source the next created manager uses (the system's source when unset).
    static void useEventSourceFactory(std::function<std::unique_ptr<DeviceEventSource>()> factory);
    // Forgets the shared manager, so that the next call creates a new one.
    static void resetForTests();

private:
    void retrieveAvailablePortsAndRegisterForChangeNotifications();
    void registerForNotifications();
    void tellObservers(const AvailablePortsChange& change);

    std::weak_ptr<ULXSerialPortManager> self_;
    std::unique_ptr<DeviceEventSource> source_;
    std::optional<PortList> availablePorts_;
    PortList portsToReopenAfterSleep_;
    std::vector<std::pair<int, AvailablePortsObserver>> observers_;
    int nextObserverToken_ = 1;
    bool ended_ = false;
};

// Entry points of the event source's deliveries: they hand the devices to the
// manager when it still exists, and otherwise log the event and drop it.
void ULXSerialPortManagerPortsPublishedNotificationCallback(
    const std::weak_ptr<ULXSerialPortManager>& context, const std::vector<SerialDevice>& devices);
void ULXSerialPortManagerPortsTerminatedNotificationCallback(
    const std::weak_ptr<ULXSerialPortManager>& context, const std::vector<SerialDevice>& devices);
