#include "unitupgrade/Output.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "unitupgrade/Translation.h"
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace gimbalctl {

std::string lineGoneText(const std::string& path) {
    return formatted(
        N_("%1: the line went away (the gimbal or its adapter was unplugged or powered off)"),
        {path});
}

void printError(const std::string& text) {
    std::fprintf(stderr, "gimbalctl: %s\n", translatedLine(text).c_str());
}

void printJson(const nlohmann::json& object) {
    const std::string line = object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    std::printf("%s\n", line.c_str());
}

void printFailure(bool json, const nlohmann::json& context, const std::string& text) {
    if (!json) {
        printError(text);
        return;
    }
    nlohmann::json object = context;
    object["ok"] = false;
    object["error"] = text;
    printJson(object);
}

void printFailure(bool json, const nlohmann::json& context, const char* text,
                  std::initializer_list<std::string> arguments) {
    printFailure(json, context, translations::Wording{text, arguments});
}

void printFailure(bool json, const nlohmann::json& context, const translations::Wording& text) {
    if (json) return printFailure(json, context, text.english());
    std::fprintf(stderr, "gimbalctl: %s\n", shown(text).c_str());
}

std::vector<std::string> logLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    auto endLine = [&] {
        line.erase(line.find_last_not_of(' ') + 1);
        if (!line.empty()) lines.push_back(line);
        line.clear();
    };
    for (char c : text) {
        if (c == '\n') {
            endLine();
        } else if (c != '\r') {
            line += c;
        }
    }
    endLine();
    return lines;
}

bool standardOutputIsTerminal() {
#ifdef _WIN32
    return ::_isatty(::_fileno(stdout)) != 0;
#else
    return ::isatty(STDOUT_FILENO) == 1;
#endif
}

}  // namespace gimbalctl
