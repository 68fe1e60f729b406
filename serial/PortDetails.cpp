#include "serial/PortDetails.h"

#include <sstream>

#include "serial/DeviceLookup.h"
#include "serial/UdevHandles.h"

namespace {

std::string property(udev_device* device, const char* name) {
    const char* value = udev_device_get_property_value(device, name);
    return value ? value : "";
}

std::string firstByIdLink(const std::string& devlinks) {
    std::istringstream links(devlinks);
    std::string link;
    while (links >> link) {
        if (link.rfind("/dev/serial/by-id/", 0) == 0) return link;
    }
    return "";
}

}  // namespace

std::vector<PortDetails> describeSerialPorts() {
    std::vector<PortDetails> ports;
    UdevPtr context(udev_new());
    for (const SerialDevice& device : enumerateSerialDevices()) {
        PortDetails details;
        details.node = device.info().calloutPath;
        UdevDevicePtr entry;
        if (context && !device.info().sysPath.empty()) {
            entry.reset(udev_device_new_from_syspath(context.get(), device.info().sysPath.c_str()));
        }
        if (entry) {
            details.byId = firstByIdLink(property(entry.get(), "DEVLINKS"));
            const std::string vendor = property(entry.get(), "ID_VENDOR_ID");
            const std::string product = property(entry.get(), "ID_MODEL_ID");
            if (!vendor.empty() && !product.empty()) details.usbId = vendor + ":" + product;
            details.productName = property(entry.get(), "ID_MODEL_FROM_DATABASE");
            if (details.productName.empty())
                details.productName = property(entry.get(), "ID_MODEL");
        }
        ports.push_back(std::move(details));
    }
    return ports;
}
