// Placeholder line handling until the serial layer lands: a port that never
// opens and writes nothing. To be replaced by SerialLine.cpp, ModemLines.cpp
// and DeviceLookup.cpp.

#include "serial/ULXSerialPort.h"

void ULXSerialPort::destroyLineState() {}
bool ULXSerialPort::open() { return false; }
bool ULXSerialPort::close() { return true; }
bool ULXSerialPort::isOpen() const { return fileDescriptor_ != 0; }
int ULXSerialPort::fileDescriptor() const { return fileDescriptor_; }
bool ULXSerialPort::sendDataWithLen(const uint8_t*, int) { return true; }
void ULXSerialPort::ComSendData(uint8_t* buffer, int n) { (void)buffer; (void)n; }
