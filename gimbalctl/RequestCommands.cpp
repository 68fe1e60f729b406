// gimbalctl version / calibrate ...: one request, the reply as the window
// shows it, with the colour verdicts as words.

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "calibration/StatusReport.h"
#include "gimbalctl/Commands.h"
#include "gimbalctl/Session.h"
#include "gimbalctl/Stop.h"
#include "platform/LoopMainQueue.h"
#include "platform/NumberText.h"
#include "serial/ULXSerialPort.h"

namespace gimbalctl {
namespace {

using calibration::StatusReport;
using calibration::Verdict;

constexpr std::chrono::milliseconds kPollInterval{100};  // the window's status poll

const char* verdictWord(Verdict v) {
    switch (v) {
        case Verdict::kInRange:
            return "ok";
        case Verdict::kOutOfRange:
            return "out of range";
        case Verdict::kUnchanged:
            break;
    }
    return nullptr;
}

std::vector<std::string> valueNames(const StatusReport& r) {
    switch (r.values) {
        case StatusReport::Values::kGyro:
            return {"gyro x", "gyro y", "gyro z"};
        case StatusReport::Values::kAcc:
            return {"acc x", "acc y", "acc z"};
        case StatusReport::Values::kJoystick:
            return {"joystick value 1", "joystick value 2"};
        case StatusReport::Values::kNone:
            break;
    }
    return {};
}

// The status poll, run until it shows an answer to the request, the time is
// up, a stop is asked for or the line goes away.
std::optional<StatusReport> awaitReply(ULXSerialPort& port, calibration::Request request,
                                       std::chrono::milliseconds timeout) {
    const std::vector<uint8_t> answers = calibration::replyCodes(request);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!runLoopFor(kPollInterval) || !port.isOpen()) return std::nullopt;
        std::optional<StatusReport> r =
            calibration::pollStatus(&port, calibration::pageOf(request));
        if (r && std::find(answers.begin(), answers.end(), r->code) != answers.end()) return r;
    }
    return std::nullopt;
}

// The values the status poll shows in red, by name: "acc x, acc z".
std::string outOfRangeNames(const StatusReport& r, const std::vector<std::string>& names) {
    std::string list;
    for (int k = 0; k < r.valueCount; ++k) {
        if (r.verdict[k] != Verdict::kOutOfRange) continue;
        list += (list.empty() ? "" : ", ") + names[k];
    }
    return list;
}

}  // namespace

int runRequest(const std::string& path, calibration::Request request, const std::string& name,
               double timeoutSeconds, bool json) {
    OpenedPort opened = openPort(path);
    if (!opened.port) {
        printFailure(json, {{"command", name}, {"port", path}}, opened.error);
        return kPortFailed;
    }
    ULXSerialPort& port = *opened.port;
    port.m_MessageShow_Flag = 255;  // no greeting: only the answer counts
    calibration::sendRequest(&port, request);
    const auto timeout = std::chrono::milliseconds(static_cast<long long>(timeoutSeconds * 1000));
    const std::optional<StatusReport> reply = awaitReply(port, request, timeout);
    // Only the device going away closes the port behind gimbalctl's back.
    const bool lineGone = !port.isOpen();
    port.close();

    if (!reply && stopRequested()) {
        if (json) printFailure(json, {{"command", name}, {"port", path}}, "interrupted");
        return reportStop("no reply read from " + path);
    }
    if (!reply && lineGone) {
        printFailure(json, {{"command", name}, {"port", path}}, lineGoneText(path));
        return kPortFailed;
    }
    if (!reply) {
        char seconds[32];
        const auto end = std::to_chars(seconds, seconds + sizeof seconds, timeoutSeconds).ptr;
        const std::string text =
            "no reply from the gimbal on " + path + " within " + std::string(seconds, end) + " s";
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
                fixedPointText(port.m_Recv_Data_1 + port.m_Recv_Data_0 / 1000.0, 3);
            object["firmware_version"] =
                fixedPointText(port.m_Recv_Data_3 + port.m_Recv_Data_2 / 1000.0, 3);
        }
        printJson(object);
    } else {
        std::printf("%s\n", reply->text.c_str());
        for (int k = 0; k < reply->valueCount; ++k) {
            const char* word = verdictWord(reply->verdict[k]);
            std::printf("%s: %d%s%s\n", names[k].c_str(), reply->value[k], word ? "  " : "",
                        word ? word : "");
        }
        if (!outOfRange.empty()) printError(name + ": out of range: " + outOfRange);
    }
    return ok ? kOk : kGimbalFailed;
}

}  // namespace gimbalctl
