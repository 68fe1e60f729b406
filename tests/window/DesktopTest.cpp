// The window on a desktop: unplugging the open port, the live port list and
// the port it offers at start-up, remembered choices, the log actions, and
// what assistive technology and the keyboard can reach.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>

#include "app/RememberedChoices.h"
#include "tests/support/FakeDevices.h"
#include "tests/support/GimbalSimulator.h"
#include "tests/support/WindowHarness.h"

namespace {

QStringList listedPaths(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    return items;
}

// The start-up work runs after the window's first paint.
bool waitForDiscovery(WindowHarness& h, int ports) {
    return pumpUntil([&] { return h.ctrl.lineEndingPopUpButton->count() == ports; });
}

class Desktop : public ::testing::Test {
protected:
    void SetUp() override { remembered::setLastPort(QString()); }
    void TearDown() override { useFakeDevices(); }
};

TEST_F(Desktop, UnpluggedPortIsReportedOnceAndFreesThePortRow) {
    auto first = std::make_unique<GimbalSimulator>();
    GimbalSimulator second;
    const SerialDevice secondDevice = SerialDevice::forNode(second.slavePath());
    auto devices = useFakeDevices({SerialDevice::forNode(first->slavePath()), secondDevice});
    WindowHarness h;
    UartToolCtrl& c = h.ctrl;
    ASSERT_TRUE(waitForDiscovery(h, 2));

    // The port's own reader notices the hang-up.
    c.btn_AttitudeCalibration_->click();
    const QString firstPath = QString::fromStdString(first->slavePath());
    ASSERT_TRUE(h.openPort(first->slavePath()));
    EXPECT_EQ(remembered::lastPort(), firstPath);
    first.reset();
    ASSERT_TRUE(pumpUntil([&] { return c.btn_Open->isEnabled(); }));
    EXPECT_TRUE(c.btn_Search->isEnabled());
    EXPECT_TRUE(c.popupbtn_ComSelect->isEnabled());
    EXPECT_EQ(c.m_MessageShow->text(), firstPath + " was unplugged");
    // The discovery's removal notice comes later and changes only the list.
    devices->terminated({SerialDevice::forNode(firstPath.toStdString())});
    pumpFor(50);
    EXPECT_EQ(c.outText->toPlainText(), firstPath + " was unplugged\n");
    EXPECT_FALSE(listedPaths(c.lineEndingPopUpButton).contains(firstPath));

    // The discovery notices first, on the joystick page.
    c.btn_CalibratioonJoystick_->click();
    ASSERT_TRUE(h.openPort(second.slavePath()));
    devices->terminated({secondDevice});
    pumpFor(50);
    const QString secondGone = QString::fromStdString(second.slavePath()) + " was unplugged";
    EXPECT_EQ(c.outText->toPlainText(), firstPath + " was unplugged\n" + secondGone + "\n");
    EXPECT_EQ(c.m_JoystickMessageShow->text(), secondGone);
    EXPECT_TRUE(c.btn_Open->isEnabled());
}

TEST_F(Desktop, PortListFollowsDevicesAndOffersAPortAtStartUp) {
    const std::vector<SerialDevice> present = {SerialDevice::forNode("/dev/ttyS4"),
                                               usbAdapter("/dev/ttyUSB7")};
    {
        // The only USB serial adapter is offered.
        auto devices = useFakeDevices(present);
        WindowHarness h;
        QComboBox* list = h.ctrl.lineEndingPopUpButton;
        ASSERT_TRUE(waitForDiscovery(h, 2));
        EXPECT_EQ(list->currentText(), "/dev/ttyUSB7");

        // Devices come and go without Search; the path typed stays.
        list->setEditText("/dev/typed-by-hand");
        devices->published({usbAdapter("/dev/ttyUSB8")});
        devices->terminated({usbAdapter("/dev/ttyUSB7")});
        EXPECT_EQ(listedPaths(list), QStringList({"/dev/ttyS4", "/dev/ttyUSB8"}));
        EXPECT_EQ(list->currentText(), "/dev/typed-by-hand");
    }
    {
        // The port that opened last wins when it is present.
        remembered::setLastPort("/dev/ttyS4");
        useFakeDevices(present);
        WindowHarness h;
        ASSERT_TRUE(waitForDiscovery(h, 2));
        EXPECT_EQ(h.ctrl.lineEndingPopUpButton->currentText(), "/dev/ttyS4");
    }
    {
        // Neither: nothing is offered.
        remembered::setLastPort("/dev/ttyUSB3");
        useFakeDevices({usbAdapter("/dev/ttyUSB7"), usbAdapter("/dev/ttyUSB8")});
        WindowHarness h;
        ASSERT_TRUE(waitForDiscovery(h, 2));
        EXPECT_EQ(h.ctrl.lineEndingPopUpButton->currentText(), "");
    }
}

TEST_F(Desktop, FirmwareChooserOpensInTheFolderOfTheLastFile) {
    QTemporaryDir folder;
    WindowHarness h;
    h.ctrl.OpenPanelDidEnd(folder.filePath("missing.plov"), 1);
    EXPECT_EQ(remembered::firmwareFolder(), folder.path());

    WindowHarness next;
    next.ctrl.btn_OpenFile->click();
    auto* panel = next.window.findChild<QFileDialog*>("openPanel");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->directory().absolutePath(), folder.path());
    panel->reject();
}

TEST_F(Desktop, LogIsSavedAsUtf8AndCopied) {
    WindowHarness h;
    h.ctrl.setOut(QStringLiteral("Open serial fail\x18!\n"));
    h.ctrl.setOut(QStringLiteral("Grüße µ\n"));
    const QByteArray expected = QStringLiteral("Open serial fail\x18!\nGrüße µ\n").toUtf8();

    QTemporaryDir dir;
    QString error;
    ASSERT_TRUE(h.ctrl.saveLogTo(dir.filePath("log.txt"), &error)) << error.toStdString();
    QFile saved(dir.filePath("log.txt"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), expected);
    EXPECT_FALSE(h.ctrl.saveLogTo(dir.filePath("no-such-folder/log.txt"), &error));
    EXPECT_TRUE(error.contains("no-such-folder")) << error.toStdString();

    auto* copy = h.window.findChild<QAction*>("actionCopyLog");
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->text(), "Copy Log");
    EXPECT_EQ(h.window.findChild<QAction*>("actionSaveLog")->text(), "Save Log…");
    copy->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toUtf8(), expected);
}

// Every interface in the accessibility tree below `iface` that offers an
// action while it, or a widget above it, is hidden, or that offers one without
// a name. Menus are navigated while closed, as everywhere; their items do what
// choosing them does.
void faultyActions(QAccessibleInterface* iface, bool hidden, QStringList& found) {
    auto* widget = qobject_cast<QWidget*>(iface->object());
    if (qobject_cast<QMenu*>(widget)) return;
    hidden = hidden || (widget && !widget->isVisible());
    QAccessibleActionInterface* actions = iface->actionInterface();
    const QString name = iface->text(QAccessible::Name);
    if ((hidden || name.isEmpty()) && actions && !actions->actionNames().isEmpty()) {
        found << (hidden ? "hidden " : "unnamed ") + name + " " + actions->actionNames().join(",");
    }
    for (int i = 0; i < iface->childCount(); ++i) {
        if (QAccessibleInterface* child = iface->child(i)) faultyActions(child, hidden, found);
    }
}

TEST_F(Desktop, PagesSwitchByToggleAndKeyboardAndNothingHiddenIsReachable) {
    WindowHarness h;
    UartToolCtrl& c = h.ctrl;
    QAccessibleInterface* root = QAccessible::queryAccessibleInterface(&h.window);
    ASSERT_NE(root, nullptr);

    const std::tuple<QPushButton*, int, const char*> pages[] = {
        {c.btn_AttitudeCalibration_, 1, "Ctrl+2"},
        {c.btn_CalibratioonJoystick_, 2, "Ctrl+3"},
        {c.btn_FirmwareUpgrade_, 0, "Ctrl+1"},
    };
    for (const auto& [button, index, shortcut] : pages) {
        QAccessibleActionInterface* actions =
            QAccessible::queryAccessibleInterface(button)->actionInterface();
        ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
        actions->doAction(QAccessibleActionInterface::toggleAction());
        EXPECT_TRUE(button->isChecked());
        EXPECT_EQ(c.functionTab->currentIndex(), index);
        EXPECT_EQ(c.TabSelectNum, index + 1);
        QStringList found;
        faultyActions(root, false, found);
        EXPECT_TRUE(found.isEmpty()) << found.join("; ").toStdString();
    }

    h.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&h.window));
    for (const auto& [button, index, shortcut] : pages) {
        QTest::keySequence(&h.window, QKeySequence(shortcut));
        EXPECT_TRUE(pumpUntil([&, index = index] { return c.TabSelectNum == index + 1; }))
            << shortcut;
        EXPECT_EQ(c.functionTab->currentIndex(), index);
    }
}

}  // namespace
