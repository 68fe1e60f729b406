#include "unitupgrade/Output.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

#include "unitupgrade/Translation.h"
#ifdef _WIN32
#include <io.h>

#include "unitupgrade/windows/Utf8.h"
#else
#include <unistd.h>
#endif

#include "upgrade/FirmwareFile.h"

namespace gimbalctl {

std::string lineGoneText(const std::string& path) {
    return path + ": the line went away (the gimbal or its adapter was unplugged or powered off)";
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
    if (json) return printFailure(json, context, formatted(text, arguments));
    std::fprintf(stderr, "gimbalctl: %s\n", formatted(translated(text), arguments).c_str());
}

std::optional<firmware::LoadResult> loadFirmwareFile(const std::string& path, std::string& error,
                                                     std::vector<uint8_t>* content,
                                                     const std::string& name) {
#ifdef _WIN32  // the wide form: the ANSI one cannot name every file
    struct _stat64 info {};
    if (::_wstat64(windows::utf16(path).c_str(), &info) != 0) {
#else
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
#endif
        error = path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        error = path + ": not a regular file";
        return std::nullopt;
    }
    errno = 0;
    std::optional<std::vector<uint8_t>> bytes = firmware::readFile(path);
    if (!bytes) {
        error = static_cast<std::size_t>(info.st_size) > firmware::kMaxFileSize
                    ? path + ": larger than any firmware file"
                    : path + ": " + std::strerror(errno ? errno : EIO);
        return std::nullopt;
    }
    if (content) *content = *bytes;
    return firmware::load(name.empty() ? path : name, std::move(bytes));
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
