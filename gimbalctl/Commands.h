#pragma once
// The commands of gimbalctl. Each prints its result (text, or one JSON object
// per result with --json) and returns the process's exit status.

#include <string>
#include <vector>

#include "calibration/CalibrationRequest.h"
#include "unitupgrade/ExitStatuses.h"

namespace gimbalctl {

struct UpgradeChecks;

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
