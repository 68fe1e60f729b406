#pragma once
// One port's upgrade in a process of its own: gimbalctl itself, run as
// `gimbalctl upgrade --port P FILE --report-to-parent`, which reports its
// progress, messages and result to this process in JSON lines on a pipe.
// The link state is process-wide, one port per process, so the parallel
// upgrade and the station run every port this way.

#include <sys/types.h>

#include <string>
#include <vector>

#include "platform/UniqueFd.h"
#include "unitupgrade/Upgrade.h"

namespace gimbalctl {

// The path by which a child reads the file its parent hands it (fileDescriptor).
inline constexpr const char* kHandedFile = "/proc/self/fd/3";

struct UpgradeChild {
    std::string port;
    std::string opens;        // the path the child opens, when not `port` (a unit's device node)
    std::string fileName;     // the file's own name, when the file is given by a descriptor's path
    int fileDescriptor = -1;  // a file of this process's handed to the child as kHandedFile
    pid_t pid = -1;
    UniqueFd output;      // the child's standard output; closed at its end
    std::string pending;  // a line not yet complete
    bool haveResult = false;
    UpgradeOutcome outcome;
};

// Starts the child's upgrade of `child.port`, with `options` (Verification.h's
// checks) on its command line. When it cannot start, the outcome says so and
// there is no output to read. With ownProcessGroup the terminal's Ctrl+C
// reaches this process only, which decides when the child stops.
void spawnChild(UpgradeChild& child, const std::string& file,
                const std::vector<std::string>& options, bool ownProcessGroup = false);

// Reads what the child has written and passes its progress and messages on;
// false once the child has closed its output.
bool readChild(UpgradeChild& child, const UpgradeEvents& events);

// Waits for the child's end: its outcome, or "lost" when it reported none.
UpgradeOutcome reapChild(UpgradeChild& child);

}  // namespace gimbalctl
