// The attitude and joystick calibration buttons: each writes one request
// frame and returns at once; the gimbal's reply is shown by the status poll.

#include <QLineEdit>
#include <array>

#include "app/Translation.h"
#include "app/UartToolCtrl.h"
#include "calibration/CalibrationRequest.h"
#include "serial/ULXSerialPort.h"

namespace {

// Writes one request frame, or says that the port is closed. The joystick
// buttons report a closed port in the attitude message field too.
void sendRequest(UartToolCtrl& ctrl, calibration::Request request) {
    if (!calibration::sendRequest(ctrl.m_ULXSerialPort.get(), request)) {
        ctrl.showAttitudeMessage(coreText(calibration::kPortNotOpenMessage));
    }
}

using calibration::Request;

}  // namespace

void UartToolCtrl::InitGyro() { sendRequest(*this, Request::kInitGyro); }
void UartToolCtrl::CalibrAcc() { sendRequest(*this, Request::kCalibrAcc); }
void UartToolCtrl::ReadAcc() { sendRequest(*this, Request::kReadAcc); }
void UartToolCtrl::ResetAcc() { sendRequest(*this, Request::kResetAcc); }
void UartToolCtrl::SaveAll() { sendRequest(*this, Request::kSaveAll); }
void UartToolCtrl::ReadVer() { sendRequest(*this, Request::kReadVer); }
void UartToolCtrl::btn_CalibrUp() { sendRequest(*this, Request::kJoystickUp); }
void UartToolCtrl::btn_CalibrDown() { sendRequest(*this, Request::kJoystickDown); }
void UartToolCtrl::btn_CalibrLeft() { sendRequest(*this, Request::kJoystickLeft); }
void UartToolCtrl::btn_CalibrRight() { sendRequest(*this, Request::kJoystickRight); }
void UartToolCtrl::btn_CalibrMid() { sendRequest(*this, Request::kJoystickMiddle); }
void UartToolCtrl::btn_CalibrSave() { sendRequest(*this, Request::kJoystickSave); }

// A fixed 255-byte line test pattern, not a frame: "123456", zeros, then FF AA.
// On a closed port the write does nothing.
void UartToolCtrl::SendData() {
    std::array<uint8_t, 1500> pattern{};
    const uint8_t digits[] = {0x31, 0x32, 0x33, 0x34, 0x35, 0x36};
    std::copy(std::begin(digits), std::end(digits), pattern.begin());
    pattern[253] = 0xFF;
    pattern[254] = 0xAA;
    if (m_ULXSerialPort) m_ULXSerialPort->sendDataWithLen(pattern.data(), 255);
}
