#pragma once
// The commands of gimbalctl. Each prints its result (text, or one JSON object
// per result with --json) and returns the process's exit status.

#include <string>
#include <vector>

#include "calibration/CalibrationRequest.h"
#include "translations/Marked.h"

namespace gimbalctl {

struct UpgradeChecks;

enum ExitStatus : int {
    kOk = 0,
    kRefusedFile = 1,        // the firmware file is refused (inspect, upgrade)
    kBadInput = 2,           // unknown command or option, missing or unreadable file
    kPortFailed = 3,         // the port does not exist, cannot be opened, or its line went away
    kGimbalFailed = 4,       // the gimbal refused the upgrade or reported a failure
    kNoAnswer = 5,           // no reply, or no progress for the timeout
    kLostUpgrade = 6,        // an upgrade process ended without a result
    kWriteFailed = 7,        // standard output or the station's log could not be written
    kSourceUnreachable = 8,  // the release source cannot be reached and nothing is cached
    // Stopped by a signal or a closed standard output: 128 + the signal (gimbalctl/Stop.h).
};

// What the help of each command that opens ports says of their settings.
inline constexpr const char* kLinesRestored = N_(
    "Each serial line's settings are restored when gimbalctl ends, also when a signal stops it.\n");

// The whole program: parses the command line (UTF-8), runs the command and
// returns the exit status.
int runProgram(int argc, char** argv);

// Set-up before a command runs: the main thread's loop on Linux, the console
// on Windows.
void installMainLoop();

int runPorts(bool json);
int runInspect(const std::string& file, bool json);
int runRequest(const std::string& port, calibration::Request request, const std::string& name,
               double timeoutSeconds, bool json);
// Whether a gimbal answers on the port, with which versions, or is in its
// boot loader: one line.
int runProbe(const std::string& port, double timeoutSeconds, bool json);
// One port runs here; several run one process each (see ParallelUpgrade.cpp).
// With reportToParent the progress and the result go out as JSON lines.
// `checks`: the approved file's digest, the versions before and after.
// `fileName` decides the file's kind when `file` does not carry its name.
int runUpgrade(const std::vector<std::string>& ports, const std::string& file, bool json,
               bool reportToParent, UpgradeChecks checks, const std::string& fileName = {});

}  // namespace gimbalctl
