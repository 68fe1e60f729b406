// gimbalctl version / calibrate ...: one request, the reply as the window
// shows it, with the colour verdicts as words.

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "calibration/StatusReport.h"
#include "gimbalctl/Commands.h"
#include "platform/NumberText.h"
#include "unitupgrade/Output.h"
#include "unitupgrade/Request.h"
#include "unitupgrade/Stop.h"
#include "unitupgrade/Translation.h"

namespace gimbalctl {
namespace {

using calibration::StatusReport;
using calibration::Verdict;

const char* verdictWord(Verdict v) {
    switch (v) {
        case Verdict::kInRange:
            return N_("ok");
        case Verdict::kOutOfRange:
            return N_("out of range");
        case Verdict::kUnchanged:
            break;
    }
    return nullptr;
}

std::vector<std::string> valueNames(const StatusReport& r) {
    switch (r.values) {
        case StatusReport::Values::kGyro:
            return {N_("gyro x"), N_("gyro y"), N_("gyro z")};
        case StatusReport::Values::kAcc:
            return {N_("acc x"), N_("acc y"), N_("acc z")};
        case StatusReport::Values::kJoystick:
            return {N_("joystick value 1"), N_("joystick value 2")};
        case StatusReport::Values::kNone:
            break;
    }
    return {};
}

// The values the status poll shows in red, by name: "acc x, acc z" (for
// people in their language).
std::string outOfRangeNames(const StatusReport& r, const std::vector<std::string>& names,
                            bool forPeople = false) {
    std::string list;
    for (int k = 0; k < r.valueCount; ++k) {
        if (r.verdict[k] != Verdict::kOutOfRange) continue;
        list += (list.empty() ? "" : ", ") + (forPeople ? translated(names[k]) : names[k]);
    }
    return list;
}

}  // namespace

bool answers(calibration::Request request, const StatusReport& report) {
    const std::vector<uint8_t> codes = calibration::replyCodes(request);
    return std::find(codes.begin(), codes.end(), report.code) != codes.end();
}

int runRequest(const std::string& path, calibration::Request request, const std::string& name,
               double timeoutSeconds, bool json) {
    const auto timeout = std::chrono::milliseconds(static_cast<long long>(timeoutSeconds * 1000));
    const GimbalReply answer = askGimbal(path, request, timeout);
    if (!answer.portError.empty()) {
        printFailure(json, {{"command", name}, {"port", path}}, answer.portError);
        return kPortFailed;
    }
    const std::optional<StatusReport>& reply = answer.report;
    const bool lineGone = answer.lineGone;

    if (!reply && stopRequested()) {
        if (json) printFailure(json, {{"command", name}, {"port", path}}, "interrupted");
        return reportStop(formatted(N_("no reply read from %1"), {path}));
    }
    if (!reply && lineGone) {
        printFailure(json, {{"command", name}, {"port", path}}, lineGoneText(path));
        return kPortFailed;
    }
    if (!reply) {
        char seconds[32];
        const auto end = std::to_chars(seconds, seconds + sizeof seconds, timeoutSeconds).ptr;
        const std::string text = formatted(N_("no reply from the gimbal on %1 within %2 s"),
                                           {path, std::string(seconds, end)});
        printFailure(json, {{"command", name}, {"port", path}}, text);
        return kNoAnswer;
    }

    // The first reply code of a request is its success; a calibration whose
    // values the window would show in red failed all the same.
    const std::vector<std::string> names = valueNames(*reply);
    const std::string outOfRange = outOfRangeNames(*reply, names);
    const bool ok = reply->code == calibration::replyCodes(request).front() && outOfRange.empty();
    if (json) {
        nlohmann::json values = nlohmann::json::array();
        for (int k = 0; k < reply->valueCount; ++k) {
            nlohmann::json value = {{"name", names[k]}, {"value", reply->value[k]}};
            if (const char* word = verdictWord(reply->verdict[k])) value["verdict"] = word;
            values.push_back(value);
        }
        nlohmann::json object = {{"command", name},
                                 {"port", path},
                                 {"ok", ok},
                                 {"text", reply->text},
                                 {"values", values}};
        if (!outOfRange.empty()) object["error"] = "out of range: " + outOfRange;
        if (request == calibration::Request::kReadVer) {
            object["hardware_version"] =
                fixedPointText(answer.data[1] + answer.data[0] / 1000.0, 3);
            object["firmware_version"] =
                fixedPointText(answer.data[3] + answer.data[2] / 1000.0, 3);
        }
        printJson(object);
    } else {
        std::printf("%s\n", translated(reply->text).c_str());
        for (int k = 0; k < reply->valueCount; ++k) {
            const char* word = verdictWord(reply->verdict[k]);
            std::printf("%s: %d%s%s\n", translated(names[k]).c_str(), reply->value[k],
                        word ? "  " : "", word ? translated(word) : "");
        }
        if (!outOfRange.empty()) {
            printError(
                formatted(_("%1: out of range: %2"), {name, outOfRangeNames(*reply, names, true)}));
        }
    }
    return ok ? kOk : kGimbalFailed;
}

int runProbe(const std::string& path, double timeoutSeconds, bool json) {
    const auto timeout = std::chrono::milliseconds(static_cast<long long>(timeoutSeconds * 1000));
    const GimbalReply answer = askGimbal(path, calibration::Request::kReadVer, timeout);
    const nlohmann::json about = {{"command", "probe"}, {"port", path}};
    if (!answer.portError.empty()) {
        printFailure(json, about, answer.portError);
        return kPortFailed;
    }
    if (!answer.report && stopRequested()) {
        if (json) printFailure(json, about, "interrupted");
        return reportStop("no reply read from " + path);
    }
    if (!answer.report && answer.lineGone) {
        printFailure(json, about, lineGoneText(path));
        return kPortFailed;
    }
    const bool answered = answer.report.has_value();
    const std::string hardware = fixedPointText(answer.data[1] + answer.data[0] / 1000.0, 3);
    const std::string firmware = fixedPointText(answer.data[3] + answer.data[2] / 1000.0, 3);
    char seconds[32];
    const auto end = std::to_chars(seconds, seconds + sizeof seconds, timeoutSeconds).ptr;
    const translations::Wording line =
        answered ? translations::Wording{N_("%1: a gimbal answers: firmware %2, hardware %3"),
                                         {path, firmware, hardware}}
        : answer.bootLoader
            ? translations::Wording{N_("%1: the gimbal is in its boot loader (its last upgrade "
                                       "did not finish) and answers no version"),
                                    {path}}
            : translations::Wording{N_("%1: no gimbal answers within %2 s"),
                                    {path, std::string(seconds, end)}};
    if (json) {
        nlohmann::json object = about;
        object["answers"] = answered;
        object["boot_loader"] = answer.bootLoader;
        if (answered) {
            object["hardware_version"] = hardware;
            object["firmware_version"] = firmware;
        }
        object["text"] = line.english();
        printJson(object);
    } else {
        std::printf("%s\n", shown(line).c_str());
    }
    return answered ? kOk : answer.bootLoader ? kGimbalFailed : kNoAnswer;
}

}  // namespace gimbalctl
