#pragma once
// What every gimbalctl command shares on every system: one-line errors and
// JSON lines, and the texts of a line that went away.

#include <initializer_list>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

#include "translations/Marked.h"

namespace gimbalctl {

// "gimbalctl: <text>" on standard error.
void printError(const std::string& text);

// One JSON object as one line on standard output. File and port names are
// any bytes: bytes that are not UTF-8 are replaced (U+FFFD).
void printJson(const nlohmann::json& object);

// A failure: with json the context's object with "ok": false and "error" on
// standard output, otherwise "gimbalctl: <text>" on standard error.
void printFailure(bool json, const nlohmann::json& context, const std::string& text);
// The same with a text marked N_() whose %1, %2... the arguments fill in:
// English in JSON, in the user's language for people.
void printFailure(bool json, const nlohmann::json& context, const char* text,
                  std::initializer_list<std::string> arguments);
void printFailure(bool json, const nlohmann::json& context, const translations::Wording& text);

// The log texts of the window as terminal lines: carriage returns dropped,
// split at line feeds, trailing blanks and empty lines left out.
std::vector<std::string> logLines(const std::string& text);

// Why an open port closed without gimbalctl closing it: its device went away.
std::string lineGoneText(const std::string& path);

// Whether standard output is a terminal (progress bars) rather than a file or pipe.
bool standardOutputIsTerminal();

}  // namespace gimbalctl
