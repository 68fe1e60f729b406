// Placeholder line handling until the serial layer lands: a port that never
// opens and writes nothing. To be replaced by SerialLine.cpp, ModemLines.cpp
// and DeviceLookup.cpp.

#include "serial/ULXSerialPort.h"

SerialDevice ULXSerialPort::deviceFromBSDPath(const std::string&) { return {}; }
std::optional<std::string> ULXSerialPort::bsdCalloutPathFromDevice(const SerialDevice& d) {
    if (!d) return std::nullopt;
    return d.info().calloutPath;
}
std::optional<std::string> ULXSerialPort::bsdDialinPathFromDevice(const SerialDevice& d) {
    if (!d) return std::nullopt;
    return d.info().dialinPath;
}
std::optional<std::string> ULXSerialPort::modemNameFromDevice(const SerialDevice& d) {
    if (!d) return std::nullopt;
    return d.info().ttyName;
}
std::optional<std::string> ULXSerialPort::baseNameFromDevice(const SerialDevice&) { return {}; }
std::optional<std::string> ULXSerialPort::serviceTypeFromDevice(const SerialDevice&) { return {}; }
std::optional<std::string> ULXSerialPort::suffixFromDevice(const SerialDevice&) { return {}; }

void ULXSerialPort::destroyLineState() {}
bool ULXSerialPort::open() { return false; }
bool ULXSerialPort::close() { return true; }
bool ULXSerialPort::isOpen() const { return fileDescriptor_ != 0; }
int ULXSerialPort::fileDescriptor() const { return fileDescriptor_; }
bool ULXSerialPort::sendDataWithLen(const uint8_t*, int) { return true; }
void ULXSerialPort::ComSendData(uint8_t* buffer, int n) { (void)buffer; (void)n; }
