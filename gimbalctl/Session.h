#pragma once
// What the Linux gimbalctl's commands share: the main-thread loop the port's
// threads post to, and opening a port with the window's explanations.

#include <chrono>
#include <memory>
#include <string>

#include "unitupgrade/Output.h"

class LoopMainQueue;
class ULXSerialPort;

namespace gimbalctl {

// The main thread's queue, installed at start-up (installMainLoop in
// gimbalctl/Commands.h); commands run it while they wait.
LoopMainQueue& mainLoop();
// Runs the main loop for the time given; returns early, false, when a stop
// is asked for (unitupgrade/Stop.h).
bool runLoopFor(std::chrono::milliseconds duration);

struct OpenedPort {
    std::shared_ptr<ULXSerialPort> port;  // open, or none
    std::string error;                    // why not, when none
};
OpenedPort openPort(const std::string& path);

}  // namespace gimbalctl
