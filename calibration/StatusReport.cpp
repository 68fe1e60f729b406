#include "calibration/StatusReport.h"

#include <cstdlib>

#include "platform/NumberText.h"
#include "translations/Marked.h"

namespace calibration {
namespace {

// One gyroscope axis is in range within ±10.
Verdict gyroVerdict(int16_t value) {
    return std::abs(static_cast<int>(value)) > 10 ? Verdict::kOutOfRange : Verdict::kInRange;
}

// After an accelerometer calibration one axis reads about ±1000 and the
// other two about 0; three values near 0 mean the calibration failed.
void judgeAccelerometer(StatusReport& r) {
    bool allNearZero = true;
    for (int axis = 0; axis < 3; ++axis) {
        const int magnitude = std::abs(static_cast<int>(r.value[axis]));
        const bool nearOne = magnitude >= 995 && magnitude <= 1005;
        const bool nearZero = magnitude < 50;
        allNearZero = allNearZero && nearZero;
        r.verdict[axis] = (nearOne || nearZero) ? Verdict::kInRange : Verdict::kOutOfRange;
    }
    if (allNearZero) {
        for (Verdict& v : r.verdict) v = Verdict::kOutOfRange;
    }
}

}  // namespace

std::string versionText(int16_t r0, int16_t r1, int16_t r2, int16_t r3) {
    return "Hardware Ver.:" + fixedPointText(r1 + r0 / 1000.0, 3) +
           "   Firmware Ver.:" + fixedPointText(r3 + r2 / 1000.0, 3);
}

std::optional<StatusReport> describeStatus(uint8_t code, const int16_t values[4], int pageSelected,
                                           bool portOpen) {
    if (code > 15) return std::nullopt;

    StatusReport r;
    r.code = code;
    auto message = [&](const char* text) {
        r.field = StatusReport::Field::kMessage;
        r.text = text;
    };
    auto readValues = [&](StatusReport::Values target, int count) {
        r.values = target;
        r.valueCount = count;
        for (int k = 0; k < count; ++k) r.value[k] = values[k];
    };
    auto joystick = [&](const char* text, int count) {
        r.field = StatusReport::Field::kJoystickMessage;
        r.text = text;
        readValues(StatusReport::Values::kJoystick, count);
    };

    switch (code) {
        case 0:
            // A new port object greets once it is open; one that failed to
            // open keeps the failure message in view.
            if (!portOpen) return std::nullopt;
            message(N_("Welcome!"));
            break;
        case 1:
            message(N_("Init Gyro Succeed!"));
            readValues(StatusReport::Values::kGyro, 3);
            for (int axis = 0; axis < 3; ++axis) r.verdict[axis] = gyroVerdict(r.value[axis]);
            break;
        case 2:
            message(N_("Init Gyro Fail!"));
            break;
        case 3:
        case 10:
            message(code == 3 ? N_("Acc Calibration Succeed!") : N_("Read Acc Succeed!"));
            readValues(StatusReport::Values::kAcc, 3);
            if (code == 3) judgeAccelerometer(r);
            break;
        case 4:
            message(N_("Acc Calibration Fail!"));
            break;
        case 5:
            message(N_("Reset Parameter Succeed!"));
            break;
        case 6:
            message(N_("Reset Parameter Fail!"));
            break;
        case 7:
            if (pageSelected == 3) {
                r.field = StatusReport::Field::kJoystickMessage;
                r.text = N_("Save joystick value successfully");
            } else if (pageSelected == 2) {
                message(N_("Save All Succeed!"));
            }
            break;
        case 8:
            message(N_("Save All Fail!"));
            break;
        case 9:
            r.field = StatusReport::Field::kMessage;
            r.text = versionText(values[0], values[1], values[2], values[3]);
            break;
        case 11:
            joystick(N_("Up calibrate successfully!"), 1);
            break;
        case 12:
            joystick(N_("Down calibrate successfully!"), 1);
            break;
        case 13:
            joystick(N_("Left calibrate successfully!"), 1);
            break;
        case 14:
            joystick(N_("Right calibrate successfully!"), 1);
            break;
        case 15:
            joystick(N_("Mid calibrate successfully!"), 2);
            break;
        default:
            break;
    }
    return r;
}

}  // namespace calibration
