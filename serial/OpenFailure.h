#pragma once
// Why opening a serial device failed, in plain words, with the fix where there
// is one. One place for the wording, shared by the window and the command line.

#include <string>

// One line (no line feed) naming the device and the cause of `error` (an errno
// value from the open): a permission problem, another program holding it, a
// device that is not present, or the system's error text.
std::string describeOpenFailure(const std::string& path, int error);
