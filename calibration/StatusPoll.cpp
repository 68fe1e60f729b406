// The status poll: every 0.1 s it shows the last decoded reply of the port in
// use. What to show, and when a result counts as shown, is decided by
// calibration::pollStatus; here the result goes into the window's fields.

#include <QColor>
#include <QLineEdit>
#include <QPalette>

#include "app/Translation.h"
#include "app/UartToolCtrl.h"
#include "calibration/StatusReport.h"
#include "serial/ULXSerialPort.h"

namespace {

const QColor kInRange = QColor::fromRgbF(0.0f, 0.7f, 0.0f, 1.0f);
const QColor kOutOfRange = QColor::fromRgbF(1.0f, 0.0f, 0.0f, 1.0f);

// The verdict's colour, and for assistive technology its words.
void setTextColor(QLineEdit* field, calibration::Verdict verdict) {
    if (verdict == calibration::Verdict::kUnchanged) return;
    const bool inRange = verdict == calibration::Verdict::kInRange;
    QPalette palette = field->palette();
    palette.setColor(QPalette::Text, inRange ? kInRange : kOutOfRange);
    field->setPalette(palette);
    field->setAccessibleDescription(inRange ? QString()
                                            : coreText(calibration::kOutOfRangeDescription));
}

}  // namespace

void UartToolCtrl::handleTimer() {
    using Report = calibration::StatusReport;
    showBootLoaderNotice();
    const std::shared_ptr<ULXSerialPort> port = m_ULXSerialPort;
    const std::optional<Report> report = calibration::pollStatus(port.get(), TabSelectNum);
    if (!report) return;

    if (report->field == Report::Field::kMessage) {
        m_MessageShow->setText(coreText(report->text));
    } else if (report->field == Report::Field::kJoystickMessage) {
        m_JoystickMessageShow->setText(coreText(report->text));
    }

    QLineEdit* fields[3] = {nullptr, nullptr, nullptr};
    switch (report->values) {
        case Report::Values::kGyro:
            fields[0] = m_Gyro_x, fields[1] = m_Gyro_y, fields[2] = m_Gyro_z;
            break;
        case Report::Values::kAcc:
            fields[0] = m_Acc_x, fields[1] = m_Acc_y, fields[2] = m_Acc_z;
            break;
        case Report::Values::kJoystick:
            fields[0] = m_JoystickValue1, fields[1] = m_JoystickValue2;
            break;
        case Report::Values::kNone:
            break;
    }
    for (int k = 0; k < report->valueCount; ++k) {
        fields[k]->setText(QString::asprintf("%hd", report->value[k]));
        setTextColor(fields[k], report->verdict[k]);
    }
}
