#pragma once
// The units of a folder whose entries come and go as udev makes its
// /dev/serial links: the entries there at start, then each one added or
// removed, as inotify tells it (no polling). A unit is a name and the device
// it resolves to: udev makes a link under a temporary dot name and renames it
// into place, and re-points a name the same way, so dot names are never
// units, and a name renamed over with another device is a new appearance
// (with the same device, the same unit). After inotify's queue overflowed, or
// when the folder was moved away or made again, every entry is compared
// again by name and device; after an overflow, a folder at the path that is
// not the one watched (moved away and made again meanwhile) is watched
// instead. A folder that does not exist (udev makes /dev/serial with the
// first adapter and removes it with the last) is waited for by watching the
// nearest folder above it that exists.

#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "platform/UniqueFd.h"
#include "station/UnitSource.h"

namespace gimbalctl {

class FolderUnitSource final : public UnitSource {
public:
    FolderUnitSource(std::string folder, Events events);

    int descriptor() const override { return inotify_.get(); }
    void update() override;

private:
    void watch();  // the folder, or the nearest one above it
    void rescan();
    void appear(const std::string& name);
    void leave(const std::string& name);
    // The device and inode of the folder at the path now ({0, 0} when none).
    std::pair<uint64_t, uint64_t> folderIdentity() const;

    std::string folder_;
    Events events_;
    UniqueFd inotify_;
    int folderWatch_ = -1;
    int aboveWatch_ = -1;
    std::pair<uint64_t, uint64_t>
        watched_;  // the folder watched, which its path may no longer name
    bool missingTold_ = false;
    std::map<std::string, uint64_t> present_;  // entry name -> what it resolves to
};

}  // namespace gimbalctl
