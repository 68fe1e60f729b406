#pragma once
// Where the port manager learns of serial devices coming and going and of the
// system sleeping and waking. The system's source watches udev and logind;
// tests inject their own.
//
// Every handler is called on the main thread (through MainQueue); a source
// that notices events on a background thread posts them there. Destroying a
// source stops it; handlers already posted may still run afterwards.

#include <functional>
#include <optional>
#include <vector>

#include "serial/SerialDevice.h"

class DeviceEventSource {
public:
    using DevicesHandler = std::function<void(const std::vector<SerialDevice>& devices)>;
    using Handler = std::function<void()>;

    virtual ~DeviceEventSource() = default;

    // Starts following serial devices as they are plugged in. Returns the
    // serial devices present now, listed after following began so that no
    // arrival in between is missed (it is then reported twice at most), or
    // nullopt when arrivals cannot be followed.
    virtual std::optional<std::vector<SerialDevice>> followPublished(DevicesHandler published) = 0;

    // Starts following serial devices as they are removed; false when that is
    // impossible. Called only after followPublished succeeded.
    virtual bool followTerminated(DevicesHandler terminated) = 0;

    // Follows system sleep and wake where the system announces them; without
    // such announcements this quietly does nothing.
    virtual void followSleepAndWake(Handler willSleep, Handler didWake) = 0;
};
