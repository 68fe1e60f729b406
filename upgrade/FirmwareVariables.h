#pragma once
// The loaded firmware file, shared process-wide: written by the loader on the
// main thread, read by the block senders on the reader's thread.
//
// Loading is disabled while an upgrade runs, but a gimbal may still ask for a
// block while the port is open outside an upgrade. The loader therefore swaps
// in a whole new set of variables under firmwareVariablesMutex(), and the
// senders hold that lock while they copy a block out. Main-thread readers need
// no lock: the main thread is the only writer.

#include <chrono>
#include <mutex>

#include "upgrade/FirmwareLayout.h"

FirmwareVariables& firmwareVariables();
// Held by the reader's thread while it reads the variables, and by the main
// thread while it replaces them.
std::mutex& firmwareVariablesMutex();
// Replaces the variables as a whole under the lock (main thread).
void installFirmwareVariables(FirmwareVariables variables);

// The pause after every block frame: the gimbal is answered at no more than
// five frames a second. Tests and fuzzers may shorten it; the tool never does.
constexpr std::chrono::milliseconds kDefaultPauseAfterBlock{200};
void setPauseAfterBlock(std::chrono::milliseconds pause);
std::chrono::milliseconds pauseAfterBlock();
