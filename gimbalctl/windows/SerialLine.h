#pragma once
// A COM port as Windows opens it: exclusively, 115200 8N1 with no flow
// control, DTR and RTS off as on Linux, reads that wait a bounded time for
// the first byte (no reader spins), and the line's settings put back when it
// closes.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace gimbalctl::windows {

// The Win32 calls that open a port, set its state and close it. The line
// makes them through this class so that a test can watch what it asks of the
// port (wine cannot show a pseudo-terminal's modem lines); system() makes
// the real calls.
class CommCalls {
public:
    virtual ~CommCalls() = default;
    static CommCalls& system();

    virtual HANDLE createFile(const std::wstring& path);
    virtual BOOL getCommState(HANDLE handle, DCB* dcb);
    virtual BOOL setCommState(HANDLE handle, DCB* dcb);
    virtual BOOL getCommTimeouts(HANDLE handle, COMMTIMEOUTS* timeouts);
    virtual BOOL setCommTimeouts(HANDLE handle, COMMTIMEOUTS* timeouts);
    virtual BOOL escapeCommFunction(HANDLE handle, DWORD function);
    virtual BOOL purgeComm(HANDLE handle, DWORD flags);
    virtual BOOL closeHandle(HANDLE handle);
};

class SerialLine {
public:
    struct Opened {
        std::unique_ptr<SerialLine> line;  // open, or none
        std::string error;                 // why not, in Windows' words, when none
    };
    // `name` as the user writes it: COM5, com12 or \\.\COM5.
    static Opened open(const std::string& name, CommCalls& calls = CommCalls::system());

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
    SerialLine(HANDLE handle, CommCalls& calls) : handle_(handle), calls_(calls) {}
    bool setUp();

    HANDLE handle_;
    CommCalls& calls_;
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
