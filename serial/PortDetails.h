#pragma once
// What udev knows about the serial devices present, for listing them to a
// person: the stable /dev/serial/by-id name and the USB identity.

#include <string>
#include <vector>

struct PortDetails {
    std::string node;         // e.g. /dev/ttyUSB0
    std::string byId;         // /dev/serial/by-id/... or empty
    std::string usbId;        // vendor:product in hexadecimal, or empty
    std::string productName;  // or empty
};

// Every serial device present (the same ones a port search finds), in udev's order.
std::vector<PortDetails> describeSerialPorts();
