#pragma once
// A COM port as Windows opens it: exclusively, 115200 8N1 with no flow
// control, reads that wait a bounded time for the first byte (no reader
// spins), and the line's settings put back when it closes.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace gimbalctl::windows {

class SerialLine {
public:
    struct Opened {
        std::unique_ptr<SerialLine> line;  // open, or none
        std::string error;                 // why not, in Windows' words, when none
    };
    // `name` as the user writes it: COM5, com12 or \\.\COM5.
    static Opened open(const std::string& name);

    ~SerialLine();
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;

    // The bytes that arrived within `waitMs` of the call (1..1000): 0 when
    // none did, -1 when the line went away (the device was removed).
    int read(uint8_t* buffer, int size, int waitMs);
    // False when the line went away.
    bool write(const std::vector<uint8_t>& bytes);
    // Puts the line's settings back and closes it; again is harmless.
    void close();

private:
    explicit SerialLine(HANDLE handle) : handle_(handle) {}
    bool setUp();

    HANDLE handle_;
    DCB saved_{};
    COMMTIMEOUTS savedTimeouts_{};
    bool restore_ = false;
    int waitMs_ = -1;  // the read wait the timeouts are set for
};

// The device path Windows opens for a port name: \\.\COM10 for COM10.
std::string devicePath(const std::string& name);

// Why `name` could not be opened, in Windows' words (one line): held by
// another program (Windows cannot say which), not present (with the ports
// that are), or the system's text for `error`.
std::string openFailureText(const std::string& name, DWORD error);

}  // namespace gimbalctl::windows
