#pragma once
// What every gimbalctl command shares: the main-thread loop the port's
// threads post to, opening a port with the window's explanations, one-line
// errors and JSON lines, and loading a firmware file with the reason it
// cannot be read.

#include <chrono>
#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

#include "upgrade/FirmwareFile.h"

class LoopMainQueue;
class ULXSerialPort;

namespace gimbalctl {

// The main thread's queue, installed at start-up; commands run it while they wait.
LoopMainQueue& mainLoop();
void installMainLoop();
// Runs the main loop for the time given; returns early, false, when a stop
// is asked for (gimbalctl/Stop.h).
bool runLoopFor(std::chrono::milliseconds duration);

struct OpenedPort {
    std::shared_ptr<ULXSerialPort> port;  // open, or none
    std::string error;                    // why not, when none
};
OpenedPort openPort(const std::string& path);
// Why an open port closed without gimbalctl closing it: its device went away.
std::string lineGoneText(const std::string& path);

// "gimbalctl: <text>" on standard error.
void printError(const std::string& text);

// One JSON object as one line on standard output. File and port names are
// any bytes: bytes that are not UTF-8 are replaced (U+FFFD).
void printJson(const nlohmann::json& object);

// A failure: with json the context's object with "ok": false and "error" on
// standard output, otherwise "gimbalctl: <text>" on standard error.
void printFailure(bool json, const nlohmann::json& context, const std::string& text);

// Reads and loads a firmware file as the window does; when it cannot be read,
// returns none with why in `error` (one line).
std::optional<firmware::LoadResult> loadFirmwareFile(const std::string& path, std::string& error);

// The log texts of the window as terminal lines: carriage returns dropped,
// split at line feeds, trailing blanks and empty lines left out.
std::vector<std::string> logLines(const std::string& text);

}  // namespace gimbalctl
