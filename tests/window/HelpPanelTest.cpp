// The joystick help panel: filled and hidden by the first tick, shown and
// hidden by its button, hidden off the joystick page; the window keeps its
// lower-left corner and its two heights, and the panel is cut off cleanly.

#include <gtest/gtest.h>

#include <QFrame>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cmath>

#include "app/WindowFrame.h"
#include "tests/support/WindowHarness.h"

namespace {

// Top and bottom of a widget in the window's central area, which shows
// everything above its own height.
struct Span {
    int top;
    int bottom;
};
Span spanInCentral(const QWidget* widget, const QMainWindow& window) {
    const QPoint top = widget->mapTo(window.centralWidget(), QPoint(0, 0));
    return {top.y(), top.y() + widget->height()};
}
int centralHeight(const QMainWindow& window) { return window.centralWidget()->height(); }

bool panelFullyShown(const WindowHarness& h) {
    return spanInCentral(h.ctrl.m_UserGuideText, h.window).bottom <= centralHeight(h.window);
}
bool panelFullyHidden(const WindowHarness& h) {
    return spanInCentral(h.ctrl.m_SplitLine, h.window).top >= centralHeight(h.window);
}

TEST(HelpPanel, FirstTickFillsTheTextAndHidesThePanelOnAnyPage) {
    WindowHarness h;
    UartToolCtrl& c = h.ctrl;
    const WindowRect full = windowFrame(&h.window);
    const int bottomEdge = h.window.geometry().bottom();
    const QPoint openButton = c.btn_Open->mapTo(&h.window, QPoint(0, 0));
    EXPECT_TRUE(panelFullyShown(h));

    ASSERT_TRUE(h.waitForHelpPanelStart());
    EXPECT_TRUE(c.InitUserGuideFlag);
    const QByteArray help = c.m_UserGuideText->toPlainText().toLatin1();
    EXPECT_EQ(help.size(), 980);
    EXPECT_TRUE(help.startsWith("Calibration of the joystick\n\n1.Power off the Gimbal"));
    EXPECT_TRUE(help.endsWith("the joystick calibration is completed.\n"));
    EXPECT_EQ(c.btn_CalibrHelp_->text(), "Help>>");
    EXPECT_EQ(c.m_CalibrHelpIsOpen, 0);
    EXPECT_EQ(c.TabSelectNum, 1);

    const WindowRect hidden = windowFrame(&h.window);
    EXPECT_GT(c.SpiltLine.y, 100.0);  // the panel lies below the line
    EXPECT_DOUBLE_EQ(full.height - hidden.height, c.SpiltLine.y + 3.0);
    EXPECT_DOUBLE_EQ(hidden.x, full.x);
    EXPECT_DOUBLE_EQ(hidden.y, full.y);
    EXPECT_EQ(h.window.geometry().bottom(), bottomEdge);
    EXPECT_TRUE(panelFullyHidden(h));
    EXPECT_EQ(c.btn_Open->mapTo(&h.window, QPoint(0, 0)), openButton);  // anchored at the top
    EXPECT_TRUE(c.outText->isVisible());

    // Later ticks fill nothing in again.
    c.m_UserGuideText->setPlainText("changed");
    pumpFor(250);
    EXPECT_EQ(c.m_UserGuideText->toPlainText(), "changed");
    EXPECT_EQ(windowFrame(&h.window).height, hidden.height);
}

TEST(HelpPanel, ButtonTogglesBetweenTheSameTwoHeights) {
    WindowHarness h;
    UartToolCtrl& c = h.ctrl;
    const double full = windowFrame(&h.window).height;
    ASSERT_TRUE(h.waitForHelpPanelStart());
    c.btn_CalibratioonJoystick_->click();
    const WindowRect hidden = windowFrame(&h.window);
    const int bottomEdge = h.window.geometry().bottom();

    for (int round = 0; round < 5; ++round) {
        c.btn_CalibrHelp_->click();
        pumpFor(120);  // a tick on the joystick page keeps the panel
        WindowRect frame = windowFrame(&h.window);
        EXPECT_EQ(c.btn_CalibrHelp_->text(), "Help<<");
        EXPECT_EQ(c.m_CalibrHelpIsOpen, 1);
        EXPECT_DOUBLE_EQ(frame.height, full);
        EXPECT_DOUBLE_EQ(frame.y, hidden.y);
        EXPECT_EQ(h.window.geometry().bottom(), bottomEdge);
        EXPECT_TRUE(panelFullyShown(h));

        c.btn_CalibrHelp_->click();
        frame = windowFrame(&h.window);
        EXPECT_EQ(c.btn_CalibrHelp_->text(), "Help>>");
        EXPECT_DOUBLE_EQ(frame.height, hidden.height);
        EXPECT_DOUBLE_EQ(frame.x, hidden.x);
        EXPECT_DOUBLE_EQ(frame.y, hidden.y);
        EXPECT_TRUE(panelFullyHidden(h));
    }
}

TEST(HelpPanel, LeavingTheJoystickPageHidesThePanelOnTheNextTick) {
    WindowHarness h;
    UartToolCtrl& c = h.ctrl;
    ASSERT_TRUE(h.waitForHelpPanelStart());
    const WindowRect hidden = windowFrame(&h.window);
    c.btn_CalibratioonJoystick_->click();
    c.btn_CalibrHelp_->click();
    ASSERT_EQ(c.m_CalibrHelpIsOpen, 1);

    c.btn_FirmwareUpgrade_->click();
    ASSERT_TRUE(pumpUntil([&] { return c.m_CalibrHelpIsOpen == 0; }, 1000));
    EXPECT_EQ(c.btn_CalibrHelp_->text(), "Help>>");
    const WindowRect frame = windowFrame(&h.window);
    EXPECT_DOUBLE_EQ(frame.height, hidden.height);
    EXPECT_DOUBLE_EQ(frame.y, hidden.y);
    EXPECT_TRUE(panelFullyHidden(h));
}

}  // namespace
