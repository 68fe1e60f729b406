// gimbalctl ports: the serial ports present, one a line.

#include <cstdio>
#include <nlohmann/json.hpp>

#include "gimbalctl/Commands.h"
#include "gimbalctl/Session.h"
#include "serial/PortDetails.h"

namespace gimbalctl {

int runPorts(bool json) {
    const std::vector<PortDetails> present = describeSerialPorts();
    if (present.empty()) printError("no serial ports present");
    for (const PortDetails& p : present) {
        if (json) {
            const nlohmann::json object = {{"port", p.node},
                                           {"by_id", p.byId},
                                           {"usb_id", p.usbId},
                                           {"product", p.productName}};
            printJson(object);
            continue;
        }
        std::string line = p.node;
        for (const std::string* part : {&p.byId, &p.usbId, &p.productName}) {
            if (!part->empty()) line += "  " + *part;
        }
        std::printf("%s\n", line.c_str());
    }
    return kOk;
}

}  // namespace gimbalctl
