// The attitude and joystick calibration buttons: each writes one request
// frame and returns at once; the gimbal's reply is shown by the status poll.

#include <array>
#include <initializer_list>

#include <QLineEdit>

#include "app/UartToolCtrl.h"
#include "protocol/Frame.h"
#include "serial/ULXSerialPort.h"

namespace {

// Gimbal ids the requests are addressed to.
constexpr uint8_t kAttitudeBoard = 1;
constexpr uint8_t kAllBoards = 0;
constexpr uint8_t kJoystickBoard = 3;

// Writes one request frame, or says that the port is closed. The joystick
// buttons report a closed port in the attitude message field too.
void sendRequest(UartToolCtrl& ctrl, uint8_t gimbalId, uint8_t command,
                 std::initializer_list<uint8_t> payload = {}) {
    ULXSerialPort* port = ctrl.m_ULXSerialPort.get();
    if (!port || !port->isOpen()) {
        ctrl.m_MessageShow->setText(QStringLiteral("The Serial Port Is Not Open!"));
        return;
    }
    std::array<uint8_t, 16> buffer{};
    const std::size_t size =
        frame::build(buffer.data(), gimbalId, command, payload.begin(), payload.size());
    port->sendDataWithLen(buffer.data(), static_cast<int>(size));
}

}  // namespace

void UartToolCtrl::InitGyro() { sendRequest(*this, kAttitudeBoard, frame::kInitGyro); }
void UartToolCtrl::CalibrAcc() { sendRequest(*this, kAttitudeBoard, frame::kAccelerometer, {0x00}); }
void UartToolCtrl::ReadAcc() { sendRequest(*this, kAttitudeBoard, frame::kAccelerometer, {0x01}); }
void UartToolCtrl::ResetAcc() {
    sendRequest(*this, kAttitudeBoard, frame::kResetParameters, {0x01});
}
void UartToolCtrl::SaveAll() { sendRequest(*this, kAllBoards, frame::kSaveAll); }
void UartToolCtrl::ReadVer() { sendRequest(*this, kJoystickBoard, frame::kReadVersion); }
void UartToolCtrl::btn_CalibrUp() { sendRequest(*this, kJoystickBoard, frame::kJoystickUp); }
void UartToolCtrl::btn_CalibrDown() { sendRequest(*this, kJoystickBoard, frame::kJoystickDown); }
void UartToolCtrl::btn_CalibrLeft() { sendRequest(*this, kJoystickBoard, frame::kJoystickLeft); }
void UartToolCtrl::btn_CalibrRight() { sendRequest(*this, kJoystickBoard, frame::kJoystickRight); }
void UartToolCtrl::btn_CalibrMid() { sendRequest(*this, kJoystickBoard, frame::kJoystickMiddle); }
void UartToolCtrl::btn_CalibrSave() { sendRequest(*this, kJoystickBoard, frame::kSaveJoystick); }

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
