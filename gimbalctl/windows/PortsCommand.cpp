// gimbalctl ports on Windows: the COM ports present, one a line.

#include <cstdio>
#include <nlohmann/json.hpp>

#include "gimbalctl/Commands.h"
#include "unitupgrade/Output.h"
#include "unitupgrade/windows/Ports.h"

namespace gimbalctl {

int runPorts(bool json) {
    const std::vector<windows::PortInfo> present = windows::presentPorts();
    if (present.empty()) printError("no serial ports present");
    for (const windows::PortInfo& p : present) {
        if (json) {
            // The Linux keys; Windows has no by-id names.
            printJson({{"port", p.name},
                       {"by_id", ""},
                       {"usb_id", p.usbId},
                       {"product", p.friendlyName}});
            continue;
        }
        std::string line = p.name;
        for (const std::string* part : {&p.usbId, &p.friendlyName}) {
            if (!part->empty()) line += "  " + *part;
        }
        std::printf("%s\n", line.c_str());
    }
    return kOk;
}

}  // namespace gimbalctl
