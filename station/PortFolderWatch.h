#pragma once
// The ports of a folder whose entries come and go, such as udev's
// /dev/serial/by-id links: the entries there at start, then each one added
// or removed, as inotify tells it (no polling). A folder that does not exist
// (udev makes /dev/serial with the first adapter and removes it with the
// last) is waited for by watching the nearest folder above it that exists.

#include <functional>
#include <set>
#include <string>

#include "platform/UniqueFd.h"

namespace gimbalctl {

class PortFolderWatch {
public:
    struct Events {
        std::function<void(const std::string& port)> appeared;
        std::function<void(const std::string& port)> gone;
        std::function<void(const std::string& text)> notice;  // the folder missing, or back
    };
    PortFolderWatch(std::string folder, Events events);

    // Readable when there is news: then call update().
    int descriptor() const { return inotify_.get(); }
    void update();

private:
    void watch();  // the folder, or the nearest one above it
    void rescan();
    void appear(const std::string& name);
    void leave(const std::string& name);

    std::string folder_;
    Events events_;
    UniqueFd inotify_;
    int folderWatch_ = -1;
    int aboveWatch_ = -1;
    bool missingTold_ = false;
    std::set<std::string> present_;  // entry names
};

}  // namespace gimbalctl
