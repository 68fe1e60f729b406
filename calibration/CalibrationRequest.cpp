#include "calibration/CalibrationRequest.h"

#include "protocol/Frame.h"

namespace calibration {
namespace {

// Gimbal ids the requests are addressed to.
constexpr uint8_t kAttitudeBoard = 1;
constexpr uint8_t kAllBoards = 0;
constexpr uint8_t kJoystickBoard = 3;

struct RequestFrame {
    uint8_t gimbalId;
    uint8_t command;
    int payload;  // one payload byte, or -1 for none
    std::vector<uint8_t> replies;
};

RequestFrame frameOf(Request request) {
    switch (request) {
        case Request::kInitGyro:
            return {kAttitudeBoard, frame::kInitGyro, -1, {1, 2}};
        case Request::kCalibrAcc:
            return {kAttitudeBoard, frame::kAccelerometer, 0x00, {3, 4}};
        case Request::kReadAcc:
            return {kAttitudeBoard, frame::kAccelerometer, 0x01, {10}};
        case Request::kResetAcc:
            return {kAttitudeBoard, frame::kResetParameters, 0x01, {5, 6}};
        case Request::kSaveAll:
            return {kAllBoards, frame::kSaveAll, -1, {7, 8}};
        case Request::kReadVer:
            return {kJoystickBoard, frame::kReadVersion, -1, {9}};
        case Request::kJoystickUp:
            return {kJoystickBoard, frame::kJoystickUp, -1, {11}};
        case Request::kJoystickDown:
            return {kJoystickBoard, frame::kJoystickDown, -1, {12}};
        case Request::kJoystickLeft:
            return {kJoystickBoard, frame::kJoystickLeft, -1, {13}};
        case Request::kJoystickRight:
            return {kJoystickBoard, frame::kJoystickRight, -1, {14}};
        case Request::kJoystickMiddle:
            return {kJoystickBoard, frame::kJoystickMiddle, -1, {15}};
        case Request::kJoystickSave:
            return {kJoystickBoard, frame::kSaveJoystick, -1, {7}};
    }
    return {0, 0, -1, {}};
}

}  // namespace

std::vector<uint8_t> requestFrame(Request request) {
    const RequestFrame f = frameOf(request);
    if (f.payload < 0) return frame::make(f.gimbalId, f.command);
    return frame::make(f.gimbalId, f.command, {static_cast<uint8_t>(f.payload)});
}

std::vector<uint8_t> replyCodes(Request request) { return frameOf(request).replies; }

// The joystick requests are the last ones of the list.
int pageOf(Request request) { return request >= Request::kJoystickUp ? 3 : 2; }

}  // namespace calibration
