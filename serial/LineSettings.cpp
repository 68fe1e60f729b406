// The line settings: raw 8-bit mode at a chosen speed, parity, stop bits,
// echo and flow control, applied to the open device.

#include <cstdio>
#include <optional>

#include "serial/ULXSerialPort.h"

namespace {

// Terminal speeds are codes; the settings hold plain bits per second.
std::optional<speed_t> speedCode(unsigned long bitsPerSecond) {
    static constexpr struct {
        unsigned long rate;
        speed_t code;
    } kSpeeds[] = {
        {50, B50},           {75, B75},           {110, B110},         {134, B134},
        {150, B150},         {200, B200},         {300, B300},         {600, B600},
        {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
        {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
        {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
        {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
        {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
        {3500000, B3500000}, {4000000, B4000000},
    };
    for (const auto& s : kSpeeds) {
        if (s.rate == bitsPerSecond) return s.code;
    }
    return std::nullopt;
}

}  // namespace

void ULXSerialPort::setPortOptions() {
    std::shared_lock gate(descriptorGate_);
    const int fd = fileDescriptor_;
    if (fd < 1) return;

    termios options{};
    ::tcgetattr(fd, &options);
    ::cfmakeraw(&options);
    // cfmakeraw leaves some flags as another program may have set them. Every
    // one that could change a byte on its way, or stop the line, is cleared:
    // no software flow control either way (an XOFF from us would stall a
    // firmware transfer), no translation, no parity marking or stripping.
    options.c_iflag &= ~(IXON | IXOFF | IXANY | INLCR | IGNCR | ICRNL | IUCLC | ISTRIP | PARMRK |
                         IGNBRK | BRKINT | IMAXBEL);
    options.c_oflag &= ~(OPOST | ONLCR | OCRNL | ONOCR | ONLRET | OLCUC | OFILL);
    options.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL | ECHOPRT | ECHOKE | ICANON |
                         ISIG | IEXTEN | TOSTOP | XCASE);
    options.c_cc[VMIN] = 1;  // a read returns as soon as one byte is there
    options.c_cc[VTIME] = 2;

    options.c_cflag &= ~CSIZE;
    options.c_cflag |= CS8;
    if (parity_ == 0) {
        options.c_cflag &= ~PARENB;
        options.c_iflag &= ~(INPCK | IGNPAR);
    } else {
        options.c_cflag |= PARENB;
        if (parity_ == 1) {
            options.c_cflag |= PARODD;
        } else {
            options.c_cflag &= ~PARODD;
        }
    }
    if (numberOfStopBits_ > 1) {
        options.c_cflag |= CSTOPB;
    } else {
        options.c_cflag &= ~CSTOPB;
    }
    if (shouldEchoReceivedData_) {
        options.c_lflag |= ECHO;
    } else {
        options.c_lflag &= ~ECHO;
    }
    // DTR/DSR and carrier flow control have no Linux counterpart: the flags are
    // kept but change nothing on the line.
    if (usesRTSCTSFlowControl_) {
        options.c_cflag |= CRTSCTS;
    } else {
        options.c_cflag &= ~CRTSCTS;
    }
    options.c_cflag |= HUPCL | CLOCAL | CREAD;
    options.c_lflag &= ~(ICANON | ISIG);
    if (const auto code = speedCode(baudRate_)) ::cfsetspeed(&options, *code);

    const int result = ::tcsetattr(fd, TCSANOW, &options);
    if (result != 0) {
        std::fprintf(stderr, "Unable to set options on %s: %i\n", description().c_str(), result);
    }
}

unsigned long ULXSerialPort::baudRate() const { return baudRate_; }

void ULXSerialPort::setBaudRate(unsigned long bitsPerSecond) {
    if (bitsPerSecond == baudRate_) return;
    baudRate_ = bitsPerSecond;
    setPortOptions();
}

unsigned long ULXSerialPort::numberOfStopBits() const { return numberOfStopBits_; }

void ULXSerialPort::setNumberOfStopBits(unsigned long stopBits) {
    if (stopBits == numberOfStopBits_) return;
    numberOfStopBits_ = stopBits;
    setPortOptions();
}

unsigned long ULXSerialPort::parity() const { return parity_; }

void ULXSerialPort::setParity(unsigned long parity) {
    if (parity > 2) parity = 0;  // unknown kinds mean no parity
    if (parity == parity_) return;
    parity_ = parity;
    setPortOptions();
}

bool ULXSerialPort::shouldEchoReceivedData() const { return shouldEchoReceivedData_; }

void ULXSerialPort::setShouldEchoReceivedData(bool echo) {
    if (echo == shouldEchoReceivedData_) return;
    shouldEchoReceivedData_ = echo;
    setPortOptions();
}

namespace {

// Flow control changes take the line down and up again, so a delegate sees a
// close and an open.
template <typename Apply>
void changeFlowControl(ULXSerialPort& port, bool& flag, bool value, Apply apply) {
    if (value == flag) return;
    const bool wasOpen = port.isOpen();
    port.close();
    flag = value;
    apply();
    if (wasOpen) port.open();
}

}  // namespace

bool ULXSerialPort::usesRTSCTSFlowControl() const { return usesRTSCTSFlowControl_; }

void ULXSerialPort::setUsesRTSCTSFlowControl(bool uses) {
    changeFlowControl(*this, usesRTSCTSFlowControl_, uses, [this] { setPortOptions(); });
}

bool ULXSerialPort::usesDTRDSRFlowControl() const { return usesDTRDSRFlowControl_; }

void ULXSerialPort::setUsesDTRDSRFlowControl(bool uses) {
    changeFlowControl(*this, usesDTRDSRFlowControl_, uses, [this] { setPortOptions(); });
}

bool ULXSerialPort::usesDCDOutputFlowControl() const { return usesDCDOutputFlowControl_; }

void ULXSerialPort::setUsesDCDOutputFlowControl(bool uses) {
    changeFlowControl(*this, usesDCDOutputFlowControl_, uses, [this] { setPortOptions(); });
}
