// Search, Open and Close on the real window, with simulated gimbals on
// pseudo-terminals and port discovery fed by a stand-in event source.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <csignal>
#include <memory>
#include <optional>

#include "app/AppDelegate.h"
#include "app/QuitOnSignals.h"
#include "serial/ULXSerialPortManager.h"
#include "tests/support/FakeDevices.h"
#include "tests/support/GimbalSimulator.h"
#include "tests/support/HeldPort.h"
#include "tests/support/WindowHarness.h"

namespace {

const QString kSucceedLog = QStringLiteral("Open serial succeed\x18!\n");
const QString kSucceedField = QStringLiteral("Open serial succeed\x18!");
const QString kFailLog = QStringLiteral("Open serial fail\x18!\n");
const QString kFailField = QStringLiteral("Open serial fail\x18!");

// Each test gets a fresh discovery manager that sees only `paths`.
std::shared_ptr<FakeDevices::State> discoverOnly(const std::vector<std::string>& paths) {
    std::vector<SerialDevice> devices;
    for (const auto& path : paths) devices.push_back(SerialDevice::forNode(path));
    return useFakeDevices(std::move(devices));
}

QStringList listedPaths(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    return items;
}

int activeTimers(const UartToolCtrl& ctrl) {
    int active = 0;
    for (const QTimer* t : ctrl.findChildren<QTimer*>()) active += t->isActive() ? 1 : 0;
    return active;
}

class PortSelection : public ::testing::Test {
protected:
    void TearDown() override { useFakeDevices(); }
};

TEST_F(PortSelection, SearchListsEachDevicePathOnceAndKeepsTheChosenPath) {
    GimbalSimulator first;
    GimbalSimulator second;
    discoverOnly({first.slavePath(), second.slavePath()});
    WindowHarness h;
    QComboBox* list = h.ctrl.lineEndingPopUpButton;
    list->setEditText("/dev/typed-by-hand");

    h.ctrl.btn_Search->click();
    h.ctrl.btn_Search->click();

    const QStringList expected = {QString::fromStdString(first.slavePath()),
                                  QString::fromStdString(second.slavePath())};
    EXPECT_EQ(listedPaths(list), expected);
    EXPECT_EQ(list->currentText(), "/dev/typed-by-hand");
    EXPECT_NE(h.ctrl.serialPortManager, nullptr);
    EXPECT_TRUE(h.ctrl.outText->toPlainText().isEmpty());

    // A listed path can be picked and opened.
    list->setCurrentIndex(1);
    h.ctrl.btn_Open->click();
    EXPECT_TRUE(h.isOpen());
    EXPECT_EQ(h.ctrl.m_ULXSerialPort->path(), second.slavePath());
}

TEST_F(PortSelection, SearchWithNoDevicesAddsNothing) {
    discoverOnly({});
    WindowHarness h;
    h.ctrl.btn_Search->click();
    EXPECT_EQ(h.ctrl.lineEndingPopUpButton->count(), 0);
    EXPECT_TRUE(h.ctrl.outText->toPlainText().isEmpty());
}

TEST_F(PortSelection, OpenSucceedsWithTheTabsOwnMessage) {
    struct Case {
        QPushButton* UartToolCtrl::*tab;
        QString log, attitude, joystick;
    };
    const Case cases[] = {
        {&UartToolCtrl::btn_FirmwareUpgrade_, kSucceedLog, "", ""},
        {&UartToolCtrl::btn_AttitudeCalibration_, "", kSucceedField, ""},
        {&UartToolCtrl::btn_CalibratioonJoystick_, "", "", kSucceedField},
    };
    for (const Case& expected : cases) {
        GimbalSimulator gimbal;
        WindowHarness h;
        UartToolCtrl& c = h.ctrl;
        (c.*expected.tab)->click();
        ASSERT_TRUE(h.openPort(gimbal.slavePath()));
        // Read at once: the status poll writes its greeting on its first tick.
        EXPECT_EQ(c.outText->toPlainText(), expected.log);
        EXPECT_EQ(c.m_MessageShow->text(), expected.attitude);
        EXPECT_EQ(c.m_JoystickMessageShow->text(), expected.joystick);
        EXPECT_EQ(c.outText->toPlainText().toLatin1().size(), expected.log.isEmpty() ? 0 : 22);
        EXPECT_FALSE(c.btn_Open->isEnabled());
        EXPECT_FALSE(c.btn_Search->isEnabled());
        EXPECT_FALSE(c.popupbtn_ComSelect->isEnabled());
        EXPECT_TRUE(c.btn_Close->isEnabled());
        ASSERT_NE(c.timer, nullptr);
        EXPECT_TRUE(c.timer->isActive());
        EXPECT_EQ(c.timer->interval(), 100);
    }
}

// The failure messages go to the log, followed by one line with the cause
// once it is known, and to the attitude field; the joystick field shows them
// only while the joystick page (where neither of the others can be seen) is
// showing.
TEST_F(PortSelection, FailedOpenSaysWhyInTheLogAndShowsOnTheVisiblePage) {
    HeldPort holder;  // a pseudo-terminal held by another process
    const std::pair<std::string, QString> causes[] = {
        {"", "No serial port chosen"},
        {"/dev/no-such-port", "/dev/no-such-port is not present (unplugged, or mistyped)."},
        {"/etc/hostname", "/etc/hostname is not a serial device."},
        {holder.path(), QString::fromStdString(holder.path() + " is in use by another program: " +
                                               holder.name() + " (pid ")},
    };
    for (QPushButton* UartToolCtrl::*tab :
         {&UartToolCtrl::btn_FirmwareUpgrade_, &UartToolCtrl::btn_AttitudeCalibration_,
          &UartToolCtrl::btn_CalibratioonJoystick_}) {
        for (const auto& [path, cause] : causes) {
            WindowHarness h;
            UartToolCtrl& c = h.ctrl;
            (c.*tab)->click();
            c.m_JoystickMessageShow->setText("untouched");
            EXPECT_FALSE(h.openPort(path)) << path;
            // The cause is found off the main thread and follows.
            EXPECT_TRUE(pumpUntil([&] { return c.outText->toPlainText().count('\n') == 2; }));
            const QString log = c.outText->toPlainText();
            EXPECT_TRUE(log.startsWith(kFailLog + cause)) << log.toStdString();
            EXPECT_EQ(log.count('\n'), 2) << log.toStdString();
            EXPECT_EQ(kFailLog.toLatin1().size(), 19);
            EXPECT_EQ(c.m_MessageShow->text(), kFailField);
            EXPECT_EQ(c.m_JoystickMessageShow->text(),
                      c.TabSelectNum == 3 ? kFailField : QString("untouched"));
            EXPECT_EQ(c.m_ULXSerialPort != nullptr, path == holder.path());
            EXPECT_TRUE(c.btn_Open->isEnabled());
            EXPECT_TRUE(c.btn_Search->isEnabled());
            EXPECT_TRUE(c.popupbtn_ComSelect->isEnabled());
            EXPECT_EQ(c.timer, nullptr);
        }
    }
}

TEST_F(PortSelection, OpenCloseOpenReusesThePortObjectAndOnePollTimer) {
    GimbalSimulator gimbal;
    WindowHarness h;
    UartToolCtrl& c = h.ctrl;
    ASSERT_TRUE(h.openPort(gimbal.slavePath()));
    const std::shared_ptr<ULXSerialPort> port = c.m_ULXSerialPort;

    c.btn_Close->click();
    EXPECT_FALSE(port->isOpen());
    EXPECT_EQ(c.m_ULXSerialPort, port);  // kept after Close
    EXPECT_TRUE(c.btn_Open->isEnabled());
    EXPECT_TRUE(c.btn_Search->isEnabled());
    EXPECT_TRUE(c.popupbtn_ComSelect->isEnabled());
    EXPECT_TRUE(c.timer->isActive());  // the poll outlives Close

    ASSERT_TRUE(h.openPort(gimbal.slavePath()));
    EXPECT_EQ(c.m_ULXSerialPort, port);
    EXPECT_EQ(activeTimers(c), 2);  // the help panel timer and one status poll
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the replaced one goes
    EXPECT_EQ(c.findChildren<QTimer*>().size(), 2);
}

TEST_F(PortSelection, CloseWithoutOpenOnlyEnablesThePortControls) {
    WindowHarness h;
    UartToolCtrl& c = h.ctrl;
    c.btn_Open->setEnabled(false);
    c.btn_Search->setEnabled(false);
    c.popupbtn_ComSelect->setEnabled(false);
    c.btn_Close->click();
    EXPECT_TRUE(c.btn_Open->isEnabled());
    EXPECT_TRUE(c.btn_Search->isEnabled());
    EXPECT_TRUE(c.popupbtn_ComSelect->isEnabled());
    EXPECT_EQ(c.m_ULXSerialPort, nullptr);
    EXPECT_EQ(c.timer, nullptr);
    EXPECT_TRUE(c.outText->toPlainText().isEmpty());
    EXPECT_TRUE(c.m_MessageShow->text().isEmpty());
}

TEST_F(PortSelection, UnpluggedDeviceStaysListedAndFailsToOpen) {
    auto gimbal = std::make_unique<GimbalSimulator>();
    const std::string path = gimbal->slavePath();
    discoverOnly({path});
    WindowHarness h;
    h.ctrl.btn_Search->click();
    ASSERT_EQ(h.ctrl.lineEndingPopUpButton->count(), 1);
    gimbal.reset();  // the pseudo-terminal is gone

    h.ctrl.lineEndingPopUpButton->setCurrentIndex(0);
    EXPECT_EQ(h.ctrl.lineEndingPopUpButton->currentText(), QString::fromStdString(path));
    h.ctrl.btn_Open->click();
    EXPECT_FALSE(h.isOpen());
    EXPECT_TRUE(h.ctrl.outText->toPlainText().startsWith(kFailLog));
}

TEST_F(PortSelection, ApplicationEndClosesDiscoveredPortsOnlyAfterASearch) {
    GimbalSimulator gimbal;
    discoverOnly({gimbal.slavePath()});
    WindowHarness h;
    AppDelegate delegate(*qApp, h.ctrl);
    EXPECT_TRUE(QApplication::quitOnLastWindowClosed());

    // No search yet: the end of the application leaves the open port alone.
    ASSERT_TRUE(h.openPort(gimbal.slavePath()));
    QMetaObject::invokeMethod(qApp, "aboutToQuit", Qt::DirectConnection);
    EXPECT_TRUE(h.isOpen());
    h.ctrl.btn_Close->click();

    h.ctrl.btn_Search->click();
    ASSERT_TRUE(h.openPort(gimbal.slavePath()));
    QMetaObject::invokeMethod(qApp, "aboutToQuit", Qt::DirectConnection);
    EXPECT_FALSE(h.isOpen());
}

TEST_F(PortSelection, StopSignalsQuitAsClosingTheWindowDoes) {
    GimbalSimulator gimbal;
    discoverOnly({gimbal.slavePath()});
    WindowHarness h;
    AppDelegate delegate(*qApp, h.ctrl);
    h.ctrl.btn_Search->click();
    ASSERT_TRUE(h.openPort(gimbal.slavePath()));
    quitOnSignals(*qApp);
    QTimer guard;  // a signal that does not quit fails the test instead of hanging it
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        guard.start(3000);
        QTimer::singleShot(0, [signal] { ::raise(signal); });
        EXPECT_EQ(QCoreApplication::exec(), 0) << signal;
    }
    EXPECT_FALSE(h.isOpen());
}

}  // namespace
