#pragma once
// Why opening a serial device failed, in plain words, with the fix where there
// is one. One place for the wording, shared by the window and the command line.

#include <sys/types.h>

#include <string>
#include <vector>

#include "translations/Marked.h"

// One line (no line feed) naming the device and the cause of `error` (an errno
// value from the open): a permission problem, another program holding it, a
// device that is not present, or the system's error text.
std::string describeOpenFailure(const std::string& path, int error);
// The same with the list of serial ports present given, instead of asking udev.
std::string describeOpenFailure(const std::string& path, int error,
                                const std::vector<std::string>& portsPresent);

// The same as sentences whose texts are marked N_(), for a face to show in
// the user's language (describeOpenFailure is their English).
translations::Sentences openFailureSentences(const std::string& path, int error);
translations::Sentences openFailureSentences(const std::string& path, int error,
                                             const std::vector<std::string>& portsPresent);

// The errno that explains why no serial device answers to `path` (when the
// port lookup found none): ENOENT and the like from stat, or ENOTTY for a file
// that is not a serial device.
int whyNoSerialDevice(const std::string& path);

struct DeviceHolder {
    pid_t pid;
    std::string name;  // the program's name, as the kernel reports it
    // As people read it: "ModemManager (pid 812)".
    std::string text() const { return name + " (pid " + std::to_string(pid) + ")"; }
};
// The other processes that have the device open, found by comparing the text
// of their descriptor links in /proc with the device's node. Neither the
// device nor any file those processes have open is touched, so a stalled
// mount cannot hold the scan up. Processes of other users are seen only by root.
std::vector<DeviceHolder> findDeviceHolders(const std::string& path);
