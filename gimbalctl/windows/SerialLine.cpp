#include "gimbalctl/windows/SerialLine.h"

#include <algorithm>
#include <cctype>

#include "unitupgrade/windows/Ports.h"
#include "unitupgrade/windows/Utf8.h"
#include "unitupgrade/windows/WindowsStop.h"

namespace gimbalctl::windows {
namespace {

// The longest frame, a firmware block of 1067 bytes, takes about 93 ms at 115200.
constexpr DWORD kWriteTimeoutMs = 2000;

std::string portsPresentText() {
    const std::vector<PortInfo> ports = presentPorts();
    if (ports.empty()) return "No serial ports are present.";
    std::string list;
    for (const PortInfo& p : ports) list += (list.empty() ? "" : ", ") + p.name;
    return "Ports present: " + list + ".";
}

// In the user's language, in UTF-8.
std::string systemText(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = length && text ? utf8({text, length}) : std::string();
    if (text) ::LocalFree(text);
    while (!message.empty() && std::isspace(static_cast<unsigned char>(message.back()))) {
        message.pop_back();
    }
    return message.empty() ? "error " + std::to_string(error) : message;
}

}  // namespace

CommCalls& CommCalls::system() {
    static CommCalls calls;
    return calls;
}

HANDLE CommCalls::createFile(const std::wstring& path) {
    // Share mode 0: no other program may open the port while it is ours.
    return ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                         nullptr);
}
BOOL CommCalls::getCommState(HANDLE handle, DCB* dcb) { return ::GetCommState(handle, dcb); }
BOOL CommCalls::setCommState(HANDLE handle, DCB* dcb) { return ::SetCommState(handle, dcb); }
BOOL CommCalls::getCommTimeouts(HANDLE handle, COMMTIMEOUTS* timeouts) {
    return ::GetCommTimeouts(handle, timeouts);
}
BOOL CommCalls::setCommTimeouts(HANDLE handle, COMMTIMEOUTS* timeouts) {
    return ::SetCommTimeouts(handle, timeouts);
}
BOOL CommCalls::escapeCommFunction(HANDLE handle, DWORD function) {
    return ::EscapeCommFunction(handle, function);
}
BOOL CommCalls::purgeComm(HANDLE handle, DWORD flags) { return ::PurgeComm(handle, flags); }
BOOL CommCalls::closeHandle(HANDLE handle) { return ::CloseHandle(handle); }

std::string devicePath(const std::string& name) {
    if (name.rfind("\\\\.\\", 0) == 0 || name.rfind("\\\\?\\", 0) == 0) return name;
    return "\\\\.\\" + name;
}

std::string openFailureText(const std::string& name, DWORD error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return name +
                   " is in use by another program (Windows does not say which): close the "
                   "program that has it open (a terminal, another service tool, a modem or "
                   "sync service) and try again.";
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
            return name + " is not present (unplugged, or mistyped). " + portsPresentText();
        default:
            return name + ": " + systemText(error);
    }
}

SerialLine::Opened SerialLine::open(const std::string& name, CommCalls& calls) {
    Opened opened;
    HANDLE handle = calls.createFile(utf16(devicePath(name)));
    if (handle == INVALID_HANDLE_VALUE) {
        opened.error = openFailureText(name, ::GetLastError());
        return opened;
    }
    std::unique_ptr<SerialLine> line(new SerialLine(handle, calls));
    if (!line->setUp()) {
        opened.error = name + " could not be set up for use.";
        return opened;  // the destructor closes it, its settings put back
    }
    opened.line = std::move(line);
    return opened;
}

bool SerialLine::setUp() {
    saved_.DCBlength = sizeof saved_;
    if (!calls_.getCommState(handle_, &saved_) ||
        !calls_.getCommTimeouts(handle_, &savedTimeouts_)) {
        return false;
    }
    restore_ = true;
    lineOpened();
    DCB dcb = saved_;
    dcb.BaudRate = CBR_115200;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    // No flow control of either kind: the gimbal's line has no handshake wires
    // and its frames carry any byte, XON and XOFF included.
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    // DTR and RTS off, as the Linux line leaves them: on some adapters they
    // reach a board's reset or boot pin.
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    if (!calls_.setCommState(handle_, &dcb)) return false;
    // And lowered now, whatever the driver made of the modes; a port without
    // the lines (wine's pseudo-terminals) refuses, which changes nothing.
    calls_.escapeCommFunction(handle_, CLRDTR);
    calls_.escapeCommFunction(handle_, CLRRTS);
    // Nothing from before this run is taken for an answer to it.
    calls_.purgeComm(handle_, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
    return read(nullptr, 0, 1) == 0;  // sets the timeouts
}

SerialLine::~SerialLine() { close(); }

void SerialLine::close() {
    if (handle_ == INVALID_HANDLE_VALUE) return;
    if (restore_) {
        calls_.setCommState(handle_, &saved_);
        calls_.setCommTimeouts(handle_, &savedTimeouts_);
    }
    calls_.closeHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    if (restore_) lineClosed();
}

int SerialLine::read(uint8_t* buffer, int size, int waitMs) {
    waitMs = std::clamp(waitMs, 1, 1000);
    if (waitMs != waitMs_) {
        // Return at once with what has arrived; with nothing, wait up to
        // waitMs for the first byte.
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = MAXDWORD;
        timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
        timeouts.ReadTotalTimeoutConstant = static_cast<DWORD>(waitMs);
        timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
        if (!calls_.setCommTimeouts(handle_, &timeouts)) return -1;
        waitMs_ = waitMs;
    }
    if (buffer == nullptr || size <= 0) return 0;
    DWORD got = 0;
    if (!::ReadFile(handle_, buffer, static_cast<DWORD>(size), &got, nullptr)) return -1;
    // A removed device may answer reads with nothing instead of an error:
    // its state can no longer be read then.
    DWORD errors = 0;
    if (got == 0 && !::ClearCommError(handle_, &errors, nullptr)) return -1;
    return static_cast<int>(got);
}

bool SerialLine::write(const std::vector<uint8_t>& bytes) {
    DWORD done = 0;
    while (done < bytes.size()) {
        DWORD wrote = 0;
        if (!::WriteFile(handle_, bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                         &wrote, nullptr) ||
            wrote == 0) {
            return false;
        }
        done += wrote;
    }
    return true;
}

}  // namespace gimbalctl::windows
