// The joystick help panel below the separator line: filled and hidden by the
// first tick of its timer, shown and hidden by the help button, and hidden by
// the timer whenever the joystick page is not the one shown. Showing and
// hiding change the window's height by the panel's height, keeping the
// window's lower-left corner in place; the contents stay anchored at the top,
// so the panel is cut off at the bottom.

#include <QFrame>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <string_view>

#include "app/UartToolCtrl.h"
#include "app/WindowFrame.h"

namespace {

constexpr std::string_view kJoystickHelp = QT_TRANSLATE_NOOP(
    "UartToolCtrl",
    "Calibration of the joystick\n"
    "\n"
    "1.Power off the Gimbal, connect the gimbal to the computer via the USB cable, and then run "
    "the calibrate software. Open the correct serial port.\n"
    "\n"
    "2.Release the joystick(the joystick is in the middle position),click the \"Middle\" "
    "button, two value are returned and both two value's range are from 1700 to 2300. \n"
    "\n"
    "3.Push the joystick to top and hold on, click the \"Up\" button, one value is returned and "
    "it's range is from 0 to 600.\n"
    "\n"
    "4.Push the joystick to bottom and hold on, click the \"Down\" button, one value is returned "
    "and it's range is from 3700 to 4100.\n"
    "\n"
    "5.Push the joystick to ultimate left and hold on, click the \"Left\" button, one value is "
    "returned and it's range is from 0 to 600.\n"
    "\n"
    "6.Push the joystick to ultimate right and hold on, click the \"Right\" button, one value is "
    "returned and it's range is from 3700 to 4100.\n"
    "\n"
    "7.Finally click the \"Save\" button, and the software display \"save successfully\" means "
    "the joystick calibration is completed.\n");
static_assert(kJoystickHelp.size() == 980);

// The separator line's own height, which goes with the panel.
constexpr double kSeparatorAllowance = 3.0;
constexpr int kJoystickTab = 3;

constexpr const char* kPanelShownTitle = QT_TRANSLATE_NOOP("UartToolCtrl", "Help<<");
constexpr const char* kPanelHiddenTitle = QT_TRANSLATE_NOOP("UartToolCtrl", "Help>>");

}  // namespace

void UartToolCtrl::changeWindowHeight(double delta) {
    WindowRect frame = windowFrame(m_Mainwindow);
    frame.height += delta;
    setWindowFrame(m_Mainwindow, frame, true);
}

void UartToolCtrl::hideHelpPanelWithFreshMeasurement() {
    SpiltLine = frameInParent(m_SplitLine);
    changeWindowHeight(-(SpiltLine.y + kSeparatorAllowance));
    btn_CalibrHelp_->setText(tr(kPanelHiddenTitle));
}

void UartToolCtrl::handleTimerGuide() {
    if (!InitUserGuideFlag) {
        InitUserGuideFlag = true;
        m_UserGuideText->setPlainText(tr(kJoystickHelp.data()));
    }
    if (m_CalibrHelpFirstClose == 1) {
        m_CalibrHelpIsOpen = 0;
        m_CalibrHelpFirstClose = 0;
        hideHelpPanelWithFreshMeasurement();
    }
    if (m_CalibrHelpIsOpen == 1 && TabSelectNum != kJoystickTab) {
        m_CalibrHelpIsOpen = 0;
        hideHelpPanelWithFreshMeasurement();
    }
}

void UartToolCtrl::btn_CalibrHelp() {
    const double panelHeight = SpiltLine.y + kSeparatorAllowance;
    if (m_CalibrHelpIsOpen == 0) {
        m_CalibrHelpIsOpen = 1;
        changeWindowHeight(panelHeight);
        btn_CalibrHelp_->setText(tr(kPanelShownTitle));
    } else {
        m_CalibrHelpIsOpen = 0;
        changeWindowHeight(-panelHeight);
        btn_CalibrHelp_->setText(tr(kPanelHiddenTitle));
    }
}
