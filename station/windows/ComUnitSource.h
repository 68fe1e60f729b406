#pragma once
// The units of a Windows station: the COM ports of USB adapters (those with a
// USB vendor:product, as the Linux station takes only devices on USB), each
// known by its device instance id (its slot). The ports are listed once a second, and at
// once when Windows tells of a COM port arriving or leaving; a port whose
// device left and came back between two lists, or that names another device
// now, is a new appearance.

#include <chrono>
#include <map>
#include <memory>
#include <string>

#include "station/UnitSource.h"

namespace gimbalctl::windows {

class DeviceNotifications;

class ComUnitSource final : public UnitSource {
public:
    explicit ComUnitSource(Events events);
    ~ComUnitSource() override;

    void update() override;  // every turn of the runner's loop

private:
    Events events_;
    std::unique_ptr<DeviceNotifications> notifications_;  // none: lists alone
    std::map<std::string, std::string> present_;          // COM name -> device instance id
    std::chrono::steady_clock::time_point nextList_;
};

}  // namespace gimbalctl::windows
