// The Windows line's own decisions, built as a Windows program and run under
// wine: the device path of a port name, the open failures in Windows' words,
// the USB id read from a hardware id, and the state the line sets at open and
// puts back at close.

#include <gtest/gtest.h>

#include "gimbalctl/windows/SerialLine.h"
#include "unitupgrade/windows/Ports.h"
#include "unitupgrade/windows/Utf8.h"

using namespace gimbalctl::windows;

namespace {

std::string text(const DCB& d) {
    return std::to_string(d.BaudRate) + " " + std::to_string(d.ByteSize) + "N" +
           (d.StopBits == ONESTOPBIT ? "1" : "2") + " dtr " + std::to_string(d.fDtrControl) +
           " rts " + std::to_string(d.fRtsControl) + " cts " + std::to_string(d.fOutxCtsFlow) +
           " xon " + std::to_string(d.fOutX + d.fInX);
}

// A port that records what the line asks of it. Found at 9600 8N2 with DTR
// on and RTS handshaking, as another program may leave it; without modem
// lines, as under wine, so it refuses EscapeCommFunction.
class WatchedPort : public CommCalls {
public:
    std::vector<std::string> calls;

    HANDLE createFile(const std::wstring& path) override {
        calls.push_back("open " + utf8(path));
        return reinterpret_cast<HANDLE>(0x1234);
    }
    BOOL getCommState(HANDLE, DCB* dcb) override {
        *dcb = DCB{};
        dcb->BaudRate = CBR_9600, dcb->ByteSize = 8, dcb->StopBits = TWOSTOPBITS;
        dcb->fDtrControl = DTR_CONTROL_ENABLE, dcb->fRtsControl = RTS_CONTROL_HANDSHAKE;
        dcb->fOutxCtsFlow = TRUE;
        return TRUE;
    }
    BOOL setCommState(HANDLE, DCB* dcb) override { return record("state " + text(*dcb)); }
    BOOL getCommTimeouts(HANDLE, COMMTIMEOUTS* timeouts) override {
        *timeouts = COMMTIMEOUTS{5, 0, 0, 0, 0};
        return TRUE;
    }
    BOOL setCommTimeouts(HANDLE, COMMTIMEOUTS* t) override {
        return record("timeouts " + std::to_string(t->ReadIntervalTimeout));
    }
    BOOL escapeCommFunction(HANDLE, DWORD function) override {
        record(function == CLRDTR ? "CLRDTR" : function == CLRRTS ? "CLRRTS" : "escape");
        return FALSE;
    }
    BOOL purgeComm(HANDLE, DWORD) override { return record("purge"); }
    BOOL closeHandle(HANDLE) override { return record("close"); }

private:
    BOOL record(const std::string& call) {
        calls.push_back(call);
        return TRUE;
    }
};

}  // namespace

// DTR and RTS off after open, as the Linux line leaves them (an adapter may
// wire them to a board's reset or boot pin), and the port's state put back.
TEST(WindowsLine, OpensWithDtrAndRtsOffAndPutsTheStateBackAtClose) {
    WatchedPort port;
    SerialLine::Opened opened = SerialLine::open("COM7", port);
    ASSERT_TRUE(opened.line) << opened.error;
    EXPECT_EQ(port.calls, (std::vector<std::string>{
                              "open \\\\.\\COM7", "state 115200 8N1 dtr 0 rts 0 cts 0 xon 0",
                              "CLRDTR", "CLRRTS", "purge", "timeouts 4294967295"}));
    port.calls.clear();
    opened.line->close();
    EXPECT_EQ(port.calls, (std::vector<std::string>{"state 9600 8N2 dtr 1 rts 2 cts 1 xon 0",
                                                    "timeouts 5", "close"}));
}

TEST(WindowsLine, PortNamesOpenFailuresAndUsbIds) {
    // COM10 and above open only through the device namespace.
    EXPECT_EQ(devicePath("COM10"), "\\\\.\\COM10");
    EXPECT_EQ(devicePath("com5"), "\\\\.\\com5");
    EXPECT_EQ(devicePath("\\\\.\\COM5"), "\\\\.\\COM5");

    EXPECT_EQ(openFailureText("COM5", ERROR_ACCESS_DENIED),
              "COM5 is in use by another program (Windows does not say which): close the "
              "program that has it open (a terminal, another service tool, a modem or sync "
              "service) and try again.");
    const std::string absent = openFailureText("COM9", ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(absent.rfind("COM9 is not present (unplugged, or mistyped). ", 0), 0u) << absent;
    EXPECT_TRUE(absent.find("Ports present: ") != std::string::npos ||
                absent.find("No serial ports are present.") != std::string::npos)
        << absent;
    // Anything else in the system's words, on one line.
    const std::string other = openFailureText("COM5", ERROR_GEN_FAILURE);
    EXPECT_EQ(other.rfind("COM5: ", 0), 0u);
    EXPECT_GT(other.size(), 8u);
    EXPECT_EQ(other.find('\n'), std::string::npos) << other;
    EXPECT_EQ(other.find("error 31"), std::string::npos) << other;

    EXPECT_EQ(usbIdOf("USB\\VID_0403&PID_6001&REV_0600"), "0403:6001");
    EXPECT_EQ(usbIdOf("FTDIBUS\\VID_10C4+PID_EA60+0001A\\0000"), "10c4:ea60");
    EXPECT_EQ(usbIdOf("ACPI\\PNP0501"), "");
}
