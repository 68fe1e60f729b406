// The window as the controller starts it: accessible names, start values,
// the tab selectors, the message log and the clear actions.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTimer>

#include "tests/support/WindowHarness.h"
#include "upgrade/FirmwareVariables.h"

namespace {

TEST(WindowStartup, EveryControlHasAnAccessibleNameAndFieldsAreReadOnly) {
    WindowHarness h;
    int controls = 0;
    for (QWidget* widget : h.window.findChildren<QWidget*>()) {
        const QString name = widget->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_"))) continue;  // Qt's own parts
        const bool isControl =
            qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLineEdit*>(widget) ||
            qobject_cast<QComboBox*>(widget) || qobject_cast<QPlainTextEdit*>(widget) ||
            qobject_cast<QProgressBar*>(widget) || qobject_cast<QStackedWidget*>(widget) ||
            qobject_cast<QGroupBox*>(widget) || qobject_cast<QMenuBar*>(widget) ||
            qobject_cast<QListWidget*>(widget) || qobject_cast<QMenu*>(widget) ||
            name == QLatin1String("m_SplitLine");
        if (!isControl) continue;
        ++controls;
        EXPECT_FALSE(widget->accessibleName().trimmed().isEmpty()) << name.toStdString();
        // Every field shows, but the release source is typed.
        if (auto* field = qobject_cast<QLineEdit*>(widget);
            field && field != h.ctrl.m_ReleaseSource) {
            EXPECT_TRUE(field->isReadOnly()) << name.toStdString();
        }
        if (auto* text = qobject_cast<QPlainTextEdit*>(widget)) {
            EXPECT_TRUE(text->isReadOnly()) << name.toStdString();
        }
    }
    EXPECT_GE(controls, 40);
    EXPECT_TRUE(h.ctrl.lineEndingPopUpButton->isEditable());
}

TEST(WindowStartup, StartValues) {
    firmwareVariables().iFileLength = 1234;
    WindowHarness h;
    UartToolCtrl& c = h.ctrl;
    EXPECT_EQ(c.m_ULXSerialPort, nullptr);  // no device at the bridge's default path here
    EXPECT_EQ(firmwareVariables().iFileLength, 0);
    EXPECT_EQ(c.TabSelectNum, 1);
    EXPECT_EQ(c.functionTab->currentIndex(), 0);
    EXPECT_EQ(c.progressIndicator->minimum(), 0);
    EXPECT_EQ(c.progressIndicator->maximum(), 100);
    EXPECT_EQ(c.progressIndicator->value(), 0);
    EXPECT_EQ(c.btn_CalibrHelp_->text(), "Help<<");
    EXPECT_EQ(c.m_CalibrHelpIsOpen, 1);
    EXPECT_EQ(c.m_CalibrHelpFirstClose, 1);
    EXPECT_FALSE(c.InitUserGuideFlag);
    ASSERT_NE(c.timerGuide, nullptr);
    EXPECT_TRUE(c.timerGuide->isActive());
    EXPECT_EQ(c.timerGuide->interval(), 100);
    EXPECT_TRUE(c.btn_Open->isEnabled());
    EXPECT_TRUE(c.btn_Search->isEnabled());
    EXPECT_TRUE(c.popupbtn_ComSelect->isEnabled());
}

TEST(WindowTabs, ButtonsSelectThePageAndTabSelectNum) {
    WindowHarness h;
    UartToolCtrl& c = h.ctrl;
    const std::tuple<QPushButton*, int, int> steps[] = {
        {c.btn_CalibratioonJoystick_, 2, 3}, {c.btn_FirmwareUpgrade_, 0, 1},
        {c.btn_AttitudeCalibration_, 1, 2},  {c.btn_AttitudeCalibration_, 1, 2},
        {c.btn_CalibratioonJoystick_, 2, 3}, {c.btn_CalibratioonJoystick_, 2, 3},
    };
    for (const auto& [button, index, selected] : steps) {
        button->click();
        EXPECT_EQ(c.functionTab->currentIndex(), index);
        EXPECT_EQ(c.TabSelectNum, selected);
        EXPECT_TRUE(button->isChecked());
    }
    EXPECT_TRUE(c.outText->toPlainText().isEmpty());
    EXPECT_TRUE(c.m_MessageShow->text().isEmpty());
}

TEST(WindowLog, SetOutJoinsTextsAsGivenAndShowsTheEnd) {
    WindowHarness h;
    UartToolCtrl& c = h.ctrl;
    c.setOut("Open serial succeed\x18!\n");
    c.setOut("abc");
    c.setOut("def\n");
    c.setOut("");
    c.setOut("  trailing  ");
    EXPECT_EQ(c.outText->toPlainText(), QString("Open serial succeed\x18!\nabcdef\n  trailing  "));

    for (int line = 0; line < 200; ++line) c.setOut(QString("line %1\n").arg(line));
    QScrollBar* scroll = c.outText->verticalScrollBar();
    EXPECT_GT(scroll->maximum(), 0);
    EXPECT_EQ(scroll->value(), scroll->maximum());
}

TEST(WindowLog, ClearButtonsEmptyTheirOwnFieldOnly) {
    WindowHarness h;
    UartToolCtrl& c = h.ctrl;
    auto* clearAttitude = h.window.findChild<QPushButton*>("btn_ClearMessageShow");
    auto* clearJoystick = h.window.findChild<QPushButton*>("btn_ClearJoystickMessageShow");
    ASSERT_TRUE(clearAttitude && clearJoystick);

    c.m_MessageShow->setText("attitude");
    c.m_JoystickMessageShow->setText("joystick");
    clearAttitude->click();
    EXPECT_EQ(c.m_MessageShow->text(), "");
    EXPECT_EQ(c.m_JoystickMessageShow->text(), "joystick");
    clearJoystick->click();
    clearJoystick->click();  // already empty
    EXPECT_EQ(c.m_JoystickMessageShow->text(), "");
}

}  // namespace
