// Attitude and joystick calibration end to end: the real window, the port
// opened through the port list and the Open button on a pseudo-terminal, and
// the simulated gimbal answering on the other end.

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QTimer>

#include "protocol/Frame.h"
#include "protocol/ParserState.h"
#include "tests/support/GimbalSimulator.h"
#include "tests/support/PtyPair.h"
#include "tests/support/WindowHarness.h"

using Bytes = std::vector<uint8_t>;

namespace {

const QColor kGreen = QColor::fromRgbF(0.0f, 0.7f, 0.0f, 1.0f);
const QColor kRed = QColor::fromRgbF(1.0f, 0.0f, 0.0f, 1.0f);

QColor colourOf(const QLineEdit* field) { return field->palette().color(QPalette::Text); }

class CalibrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        protocolParserState().reset();
        ASSERT_TRUE(h.openPort(gimbal.slavePath()));
        press("btn_AttitudeCalibration");
        ASSERT_TRUE(showsText(ctrl().m_MessageShow, "Welcome!"));
    }

    UartToolCtrl& ctrl() { return h.ctrl; }

    void press(const char* objectName) {
        auto* button = h.window.findChild<QPushButton*>(objectName);
        ASSERT_NE(button, nullptr) << objectName;
        button->click();
    }

    // Presses a button and returns the one frame the gimbal received for it.
    Bytes pressAndReceive(const char* objectName) {
        gimbal.clearReceived();
        press(objectName);
        gimbal.waitUntil([](auto& g) { return !g.framesReceived().empty(); },
                         std::chrono::milliseconds(5000));
        auto frames = gimbal.framesReceived();
        return frames.size() == 1 ? frames.front() : Bytes{};
    }

    static bool showsText(const QLineEdit* field, const QString& text) {
        return pumpUntil([&] { return field->text() == text; }, 5000);
    }

    std::vector<QColor> colours(std::initializer_list<const QLineEdit*> fields) {
        std::vector<QColor> out;
        for (auto* f : fields) out.push_back(colourOf(f));
        return out;
    }

    GimbalSimulator gimbal;  // outlives the window, whose port it serves
    WindowHarness h;
};

TEST_F(CalibrationTest, AttitudeButtonsWriteTheirFramesAndShowTheReplies) {
    gimbal.setGyro(3, -4, 5);
    EXPECT_EQ(pressAndReceive("btn_InitGyro"), (Bytes{0xAA, 0x55, 0x06, 0x00, 0x01, 0x40, 0x47, 0xFF}));
    EXPECT_TRUE(showsText(ctrl().m_MessageShow, "Init Gyro Succeed!"));
    EXPECT_TRUE(showsText(ctrl().m_Gyro_y, "-4"));
    EXPECT_EQ(ctrl().m_Gyro_x->text(), "3");
    EXPECT_EQ(ctrl().m_Gyro_z->text(), "5");

    gimbal.setAccelerometer(1000, 0, 12);
    EXPECT_EQ(pressAndReceive("btn_CalibrAcc"),
              (Bytes{0xAA, 0x55, 0x07, 0x00, 0x01, 0x41, 0x00, 0x49, 0xFF}));
    EXPECT_TRUE(showsText(ctrl().m_MessageShow, "Acc Calibration Succeed!"));
    EXPECT_TRUE(showsText(ctrl().m_Acc_x, "1000"));

    EXPECT_EQ(pressAndReceive("btn_ReadAcc"),
              (Bytes{0xAA, 0x55, 0x07, 0x00, 0x01, 0x41, 0x01, 0x4A, 0xFF}));
    EXPECT_TRUE(showsText(ctrl().m_MessageShow, "Read Acc Succeed!"));

    EXPECT_EQ(pressAndReceive("btn_ResetAcc"),
              (Bytes{0xAA, 0x55, 0x07, 0x00, 0x01, 0x42, 0x01, 0x4B, 0xFF}));
    EXPECT_TRUE(showsText(ctrl().m_MessageShow, "Reset Parameter Succeed!"));

    EXPECT_EQ(pressAndReceive("btn_SaveAll"), (Bytes{0xAA, 0x55, 0x06, 0x00, 0x00, 0xF1, 0xF7, 0xFF}));
    EXPECT_TRUE(showsText(ctrl().m_MessageShow, "Save All Succeed!"));

    gimbal.setVersion(0x05, 0x01, 0x0A, 0x02);
    EXPECT_EQ(pressAndReceive("btn_ReadVer"), (Bytes{0xAA, 0x55, 0x06, 0x00, 0x03, 0x34, 0x3D, 0xFF}));
    EXPECT_TRUE(showsText(ctrl().m_MessageShow, "Hardware Ver.:1.005   Firmware Ver.:2.010"));
    gimbal.setVersion(0xFF, 0xFF, 0xFF, 0xFF);
    press("btn_ReadVer");
    EXPECT_TRUE(showsText(ctrl().m_MessageShow, "Hardware Ver.:255.255   Firmware Ver.:255.255"));

    // Each result is shown once: the code is marked shown afterwards.
    EXPECT_TRUE(pumpUntil([&] { return h.ctrl.m_ULXSerialPort->m_MessageShow_Flag == 255; }));
}

TEST_F(CalibrationTest, GyroscopeValuesAreGreenWithinTen) {
    gimbal.setGyro(10, -10, 0);
    press("btn_InitGyro");
    ASSERT_TRUE(showsText(ctrl().m_Gyro_y, "-10"));
    EXPECT_EQ(colours({ctrl().m_Gyro_x, ctrl().m_Gyro_y, ctrl().m_Gyro_z}),
              (std::vector<QColor>{kGreen, kGreen, kGreen}));
    gimbal.setGyro(11, -11, 0);
    press("btn_InitGyro");
    ASSERT_TRUE(showsText(ctrl().m_Gyro_y, "-11"));
    EXPECT_EQ(colours({ctrl().m_Gyro_x, ctrl().m_Gyro_y, ctrl().m_Gyro_z}),
              (std::vector<QColor>{kRed, kRed, kGreen}));
    // The colour is told in words too, and taken back when the value is in range.
    EXPECT_EQ(ctrl().m_Gyro_x->accessibleDescription(), "out of range");
    EXPECT_EQ(ctrl().m_Gyro_z->accessibleDescription(), "");
    gimbal.setGyro(0, -11, 0);
    press("btn_InitGyro");
    ASSERT_TRUE(showsText(ctrl().m_Gyro_x, "0"));
    EXPECT_EQ(ctrl().m_Gyro_x->accessibleDescription(), "");
}

TEST_F(CalibrationTest, AccelerometerCalibrationIsColouredPerAxisAndAllRedNearZero) {
    struct Case {
        int16_t x, y, z;
        std::vector<QColor> expected;
    };
    const Case cases[] = {
        {1000, 0, 12, {kGreen, kGreen, kGreen}}, {-1000, 3, -4, {kGreen, kGreen, kGreen}},
        {994, 0, 0, {kRed, kGreen, kGreen}},     {0, 0, 0, {kRed, kRed, kRed}},
        {49, -49, 49, {kRed, kRed, kRed}},       {50, 0, 1000, {kRed, kGreen, kGreen}},
    };
    for (const Case& c : cases) {
        gimbal.setAccelerometer(c.x, c.y, c.z);
        ctrl().m_MessageShow->clear();
        press("btn_CalibrAcc");
        ASSERT_TRUE(showsText(ctrl().m_MessageShow, "Acc Calibration Succeed!"));
        EXPECT_EQ(ctrl().m_Acc_z->text(), QString::number(c.z));
        EXPECT_EQ(colours({ctrl().m_Acc_x, ctrl().m_Acc_y, ctrl().m_Acc_z}), c.expected)
            << c.x << " " << c.y << " " << c.z;
    }
    // A read shows the values and leaves the colours of the last calibration.
    gimbal.setAccelerometer(0, 0, 0);
    press("btn_ReadAcc");
    ASSERT_TRUE(showsText(ctrl().m_MessageShow, "Read Acc Succeed!"));
    EXPECT_EQ(ctrl().m_Acc_z->text(), "0");
    EXPECT_EQ(colours({ctrl().m_Acc_x, ctrl().m_Acc_y, ctrl().m_Acc_z}),
              (std::vector<QColor>{kRed, kGreen, kGreen}));
}

TEST_F(CalibrationTest, SaveIsReportedWhereTheSelectedTabShowsIt) {
    press("btn_CalibratioonJoystick");
    EXPECT_EQ(pressAndReceive("btn_CalibrSave"),
              (Bytes{0xAA, 0x55, 0x06, 0x00, 0x03, 0xF4, 0xFD, 0xFF}));
    EXPECT_TRUE(showsText(ctrl().m_JoystickMessageShow, "Save joystick value successfully"));

    press("btn_AttitudeCalibration");
    ctrl().m_MessageShow->clear();
    press("btn_SaveAll");
    EXPECT_TRUE(showsText(ctrl().m_MessageShow, "Save All Succeed!"));

    // On the upgrade tab the save is marked shown without a text.
    ctrl().m_MessageShow->clear();
    ctrl().m_JoystickMessageShow->clear();
    press("btn_FirmwareUpgrade");
    gimbal.send(frame::make(0, 0xF1));
    pumpFor(300);  // the reply is decoded at once; then a few poll ticks
    EXPECT_EQ(h.ctrl.m_ULXSerialPort->m_MessageShow_Flag, 255);
    EXPECT_TRUE(ctrl().m_MessageShow->text().isEmpty());
    EXPECT_TRUE(ctrl().m_JoystickMessageShow->text().isEmpty());
}

TEST_F(CalibrationTest, JoystickCapturesStayOnShowAtEveryTick) {
    press("btn_CalibratioonJoystick");
    const struct {
        const char* button;
        uint8_t command;
        const char* text;
    } captures[] = {
        {"btn_CalibrDown", 0x37, "Down calibrate successfully!"},
        {"btn_CalibrLeft", 0x39, "Left calibrate successfully!"},
        {"btn_CalibrRight", 0x3A, "Right calibrate successfully!"},
        {"btn_CalibrUp", 0x36, "Up calibrate successfully!"},
    };
    for (const auto& c : captures) {
        gimbal.setJoystick(c.command, static_cast<int16_t>(100 + c.command));
        EXPECT_EQ(pressAndReceive(c.button), frame::make(3, c.command));
        EXPECT_TRUE(showsText(ctrl().m_JoystickMessageShow, c.text));
        EXPECT_TRUE(showsText(ctrl().m_JoystickValue1, QString::number(100 + c.command)));
    }
    // The last capture (Up) is written again at every tick: clearing is undone.
    ctrl().m_JoystickMessageShow->clear();
    ctrl().m_JoystickValue1->clear();
    EXPECT_TRUE(showsText(ctrl().m_JoystickMessageShow, "Up calibrate successfully!"));
    EXPECT_TRUE(showsText(ctrl().m_JoystickValue1, QString::number(100 + 0x36)));
    EXPECT_EQ(h.ctrl.m_ULXSerialPort->m_MessageShow_Flag, 11);

    gimbal.setJoystick(0x38, 2000, -2010);
    EXPECT_EQ(pressAndReceive("btn_CalibrMid"), frame::make(3, 0x38));
    EXPECT_TRUE(showsText(ctrl().m_JoystickMessageShow, "Mid calibrate successfully!"));
    EXPECT_TRUE(showsText(ctrl().m_JoystickValue2, "-2010"));
    EXPECT_EQ(ctrl().m_JoystickValue1->text(), "2000");
}

TEST_F(CalibrationTest, RepliesArrivingTogetherShowTheNewestAndEveryLaterOne) {
    // A burst of two replies: both decoded, the newest is shown.
    gimbal.sendBurst({frame::make(1, 0x40, {1, 0, 2, 0, 3, 0}), frame::make(3, 0x34, {1, 2, 3, 4})});
    EXPECT_TRUE(showsText(ctrl().m_MessageShow, "Hardware Ver.:2.001   Firmware Ver.:4.003"));
    // Replies arriving at any moment of the poll's cycle are never lost.
    for (uint8_t minor = 0; minor < 12; ++minor) {
        gimbal.send(frame::make(3, 0x34, {minor, 1, 0, 1}));
        const QString text = QString::asprintf("Hardware Ver.:1.%03d   Firmware Ver.:1.000", minor);
        EXPECT_TRUE(showsText(ctrl().m_MessageShow, text)) << int(minor);
    }
}

TEST_F(CalibrationTest, TestPatternGoesOutFromTheToolsMenu) {
    auto* action = h.window.findChild<QAction*>("actionSendTestPattern");
    ASSERT_NE(action, nullptr);
    gimbal.clearReceived();
    action->trigger();
    ASSERT_TRUE(gimbal.waitUntil([](auto& g) { return g.bytesReceived().size() >= 255; },
                                 std::chrono::milliseconds(2000)));
    Bytes got = gimbal.bytesReceived();
    ASSERT_EQ(got.size(), 255u);
    EXPECT_EQ(Bytes(got.begin(), got.begin() + 6), (Bytes{'1', '2', '3', '4', '5', '6'}));
    EXPECT_EQ(got[252], 0x00);
    EXPECT_EQ(got[253], 0xFF);
    EXPECT_EQ(got[254], 0xAA);
}

TEST_F(CalibrationTest, ClosedPortSendsNothingAndSaysSo) {
    press("btn_Close");
    ASSERT_FALSE(h.isOpen());
    gimbal.clearReceived();
    const char* buttons[] = {"btn_InitGyro",   "btn_CalibrAcc", "btn_ReadAcc",    "btn_ResetAcc",
                             "btn_SaveAll",    "btn_ReadVer",   "btn_CalibrUp",   "btn_CalibrDown",
                             "btn_CalibrLeft", "btn_CalibrRight", "btn_CalibrMid", "btn_CalibrSave"};
    for (const char* name : buttons) {
        ctrl().m_MessageShow->clear();
        press(name);
        EXPECT_EQ(ctrl().m_MessageShow->text(), "The Serial Port Is Not Open!") << name;
    }
    // On the joystick page, where the attitude field cannot be seen, its
    // message field says it too.
    press("btn_CalibratioonJoystick");
    ctrl().m_JoystickMessageShow->clear();
    press("btn_CalibrUp");
    EXPECT_EQ(ctrl().m_JoystickMessageShow->text(), "The Serial Port Is Not Open!");
    pumpFor(200);
    EXPECT_TRUE(gimbal.bytesReceived().empty());
}

TEST_F(CalibrationTest, FailedOpenIsNotCoveredByAGreeting) {
    press("btn_Close");
    h.ctrl.lineEndingPopUpButton->setEditText("/dev/no-such-gimbal");
    press("btn_Open");
    const QString failure = QString("Open serial fail") + QChar(0x18) + "!";
    EXPECT_EQ(ctrl().m_MessageShow->text(), failure);
    pumpFor(350);  // several poll ticks
    EXPECT_EQ(ctrl().m_MessageShow->text(), failure);

    // A device that another program holds: the new port object stays closed
    // and is not greeted either.
    PtyPair other;
    const int holder = ::open(other.slavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    ctrl().m_MessageShow->clear();
    h.ctrl.lineEndingPopUpButton->setEditText(QString::fromStdString(other.slavePath()));
    press("btn_Open");
    ASSERT_TRUE(h.ctrl.m_ULXSerialPort);
    EXPECT_FALSE(h.isOpen());
    pumpFor(350);
    EXPECT_EQ(ctrl().m_MessageShow->text(), failure);
    ::close(holder);
}

}  // namespace
