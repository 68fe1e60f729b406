// The status poll: every 0.1 s it shows the last decoded reply of the port in
// use. Results of codes 0 to 10 are shown once; the joystick codes 11 to 15
// are written again at every tick until a newer reply replaces them.

#include <cstdlib>

#include <QColor>
#include <QLineEdit>
#include <QPalette>

#include "app/UartToolCtrl.h"
#include "serial/ULXSerialPort.h"

namespace {

const QColor kInRange = QColor::fromRgbF(0.0f, 0.7f, 0.0f, 1.0f);
const QColor kOutOfRange = QColor::fromRgbF(1.0f, 0.0f, 0.0f, 1.0f);
constexpr uint8_t kShown = 255;

void setTextColor(QLineEdit* field, const QColor& color) {
    QPalette palette = field->palette();
    palette.setColor(QPalette::Text, color);
    field->setPalette(palette);
}

void showValue(QLineEdit* field, int16_t value) {
    field->setText(QString::asprintf("%hd", value));
}

// One gyroscope axis is in range within ±10.
const QColor& gyroColor(int16_t value) {
    return std::abs(static_cast<int>(value)) > 10 ? kOutOfRange : kInRange;
}

// After an accelerometer calibration one axis reads about ±1000 and the
// other two about 0; three values near 0 mean the calibration failed.
void colourAccelerometer(QLineEdit* const fields[3], const int16_t values[3]) {
    bool allNearZero = true;
    for (int axis = 0; axis < 3; ++axis) {
        const int magnitude = std::abs(static_cast<int>(values[axis]));
        const bool nearOne = magnitude >= 995 && magnitude <= 1005;
        const bool nearZero = magnitude < 50;
        allNearZero = allNearZero && nearZero;
        setTextColor(fields[axis], (nearOne || nearZero) ? kInRange : kOutOfRange);
    }
    if (allNearZero) {
        for (int axis = 0; axis < 3; ++axis) setTextColor(fields[axis], kOutOfRange);
    }
}

}  // namespace

void UartToolCtrl::handleTimer() {
    // Without a port object there is no reply to show.
    const std::shared_ptr<ULXSerialPort> port = m_ULXSerialPort;
    if (!port) return;

    const uint8_t code = port->m_MessageShow_Flag.load();
    if (code > 15) return;

    // Marks the code as shown unless a newer reply has replaced it meanwhile;
    // that one is then shown at the next tick.
    auto markShown = [&] {
        uint8_t expected = code;
        port->m_MessageShow_Flag.compare_exchange_strong(expected, kShown);
    };
    auto message = [&](const char* text) { m_MessageShow->setText(QString::fromLatin1(text)); };
    auto joystick = [&](const char* text, bool twoValues) {
        m_JoystickMessageShow->setText(QString::fromLatin1(text));
        showValue(m_JoystickValue1, port->m_Recv_Data_0.load());
        if (twoValues) showValue(m_JoystickValue2, port->m_Recv_Data_1.load());
    };

    switch (code) {
        case 0:
            // A new port object greets once it is open; one that failed to
            // open keeps the failure message in view.
            if (!port->isOpen()) break;
            message("Welcome!");
            markShown();
            break;
        case 1: {
            message("Init Gyro Succeed!");
            markShown();
            const int16_t values[3] = {port->m_Recv_Data_0, port->m_Recv_Data_1,
                                       port->m_Recv_Data_2};
            QLineEdit* const fields[3] = {m_Gyro_x, m_Gyro_y, m_Gyro_z};
            for (int axis = 0; axis < 3; ++axis) {
                showValue(fields[axis], values[axis]);
                setTextColor(fields[axis], gyroColor(values[axis]));
            }
            break;
        }
        case 2: message("Init Gyro Fail!"); markShown(); break;
        case 3:
        case 10: {
            message(code == 3 ? "Acc Calibration Succeed!" : "Read Acc Succeed!");
            const int16_t values[3] = {port->m_Recv_Data_0, port->m_Recv_Data_1,
                                       port->m_Recv_Data_2};
            QLineEdit* const fields[3] = {m_Acc_x, m_Acc_y, m_Acc_z};
            for (int axis = 0; axis < 3; ++axis) showValue(fields[axis], values[axis]);
            if (code == 3) colourAccelerometer(fields, values);
            markShown();
            break;
        }
        case 4: message("Acc Calibration Fail!"); markShown(); break;
        case 5: message("Reset Parameter Succeed!"); markShown(); break;
        case 6: message("Reset Parameter Fail!"); markShown(); break;
        case 7:
            if (TabSelectNum == 3) {
                m_JoystickMessageShow->setText(QStringLiteral("Save joystick value successfully"));
            } else if (TabSelectNum == 2) {
                message("Save All Succeed!");
            }
            markShown();
            break;
        case 8: message("Save All Fail!"); markShown(); break;
        case 9: {
            const double hardware = port->m_Recv_Data_1 + port->m_Recv_Data_0 / 1000.0;
            const double firmware = port->m_Recv_Data_3 + port->m_Recv_Data_2 / 1000.0;
            m_MessageShow->setText(
                QString::asprintf("Hardware Ver.:%.3f   Firmware Ver.:%.3f", hardware, firmware));
            markShown();
            break;
        }
        case 11: joystick("Up calibrate successfully!", false); break;
        case 12: joystick("Down calibrate successfully!", false); break;
        case 13: joystick("Left calibrate successfully!", false); break;
        case 14: joystick("Right calibrate successfully!", false); break;
        case 15: joystick("Mid calibrate successfully!", true); break;
        default: break;
    }
}
