// Start-up of the controller, its wiring to the window, the tab selectors,
// the message log and the two clear actions.

#include "app/UartToolCtrl.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTextCursor>
#include <QTimer>
#include <algorithm>

#include "app/PortWatch.h"
#include "app/RememberedChoices.h"
#include "app/Translation.h"
#include "serial/ULXSerialPort.h"
#include "serial/ULXSerialPortManager.h"
#include "ui_MainWindow.h"
#include "upgrade/FirmwareVariables.h"

namespace {

// The bridge's device node where the tool first looks for the gimbal.
constexpr const char* kDefaultPortPath = "/dev/cu.SLAB_USBtoUART";
constexpr int kHelpPanelTickMs = 100;

}  // namespace

UartToolCtrl::UartToolCtrl(QMainWindow* mainWindow, QObject* parent)
    : QObject(parent),
      upgradeSupervisor({[this](const char* text) { setOut(supervisionLine(text)); },
                         [this](int value) {
                             // Past the maximum (the last reports of a single
                             // image) the bar shows full.
                             progressIndicator->setValue(
                                 std::min(value, progressIndicator->maximum()));
                         }}),
      ui_(std::make_unique<Ui::MainWindow>()) {
    ui_->setupUi(mainWindow);
    bindOutlets(mainWindow);
    connectActions();

    // The three buttons above the pages are the one way to switch pages, so
    // TabSelectNum always names the page shown.
    functionTab->setCurrentIndex(0);
    // The port list's own text field, named for assistive technology too.
    lineEndingPopUpButton->lineEdit()->setAccessibleName(lineEndingPopUpButton->accessibleName());
    portWatch = new PortWatch(*this);

    // Start at the contents' preferred size: the help panel arithmetic takes
    // the window's first height as the full height with the panel shown.
    mainWindow->resize(mainWindow->sizeHint().expandedTo(mainWindow->size()).width(),
                       mainWindow->sizeHint().height());
}

UartToolCtrl::~UartToolCtrl() = default;

void UartToolCtrl::bindOutlets(QMainWindow* mainWindow) {
    Ui::MainWindow& w = *ui_;
    m_MessageShow = w.m_MessageShow;
    m_Gyro_x = w.m_Gyro_x;
    m_Gyro_y = w.m_Gyro_y;
    m_Gyro_z = w.m_Gyro_z;
    m_Acc_x = w.m_Acc_x;
    m_Acc_y = w.m_Acc_y;
    m_Acc_z = w.m_Acc_z;
    m_File_Path = w.m_File_Path;
    m_ReleaseSource = w.m_ReleaseSource;
    m_ReleaseList = w.m_ReleaseList;
    btn_ListReleases = w.btn_ListReleases;
    btn_LoadRelease = w.btn_LoadRelease;
    progressIndicator = w.progressIndicator;
    lineEndingPopUpButton = w.lineEndingPopUpButton;
    popupbtn_ComSelect = w.lineEndingPopUpButton;  // one list serves both roles
    functionTab = w.functionTab;
    btn_Search = w.btn_Search;
    btn_Open = w.btn_Open;
    btn_Close = w.btn_Close;
    btn_FirmwareUpgrade_ = w.btn_FirmwareUpgrade;
    btn_AttitudeCalibration_ = w.btn_AttitudeCalibration;
    btn_CalibratioonJoystick_ = w.btn_CalibratioonJoystick;
    btn_Upgrade = w.btn_Upgrade;
    btn_OpenFile = w.btn_OpenFile;
    btn_CalibrUp_ = w.btn_CalibrUp;
    btn_CalibrDown_ = w.btn_CalibrDown;
    btn_CalibrMid_ = w.btn_CalibrMid;
    btn_CalibrLeft_ = w.btn_CalibrLeft;
    btn_CalibrRight_ = w.btn_CalibrRight;
    btn_CalibrSave_ = w.btn_CalibrSave;
    btn_CalibrHelp_ = w.btn_CalibrHelp;
    m_JoystickMessageShow = w.m_JoystickMessageShow;
    m_JoystickValue1 = w.m_JoystickValue1;
    m_JoystickValue2 = w.m_JoystickValue2;
    m_UserGuideText = w.m_UserGuideText;
    m_SplitLine = w.m_SplitLine;
    m_Mainwindow = mainWindow;
    outText = w.outText;
    window = mainWindow;
}

void UartToolCtrl::connectActions() {
    Ui::MainWindow& w = *ui_;
    const std::pair<QPushButton*, void (UartToolCtrl::*)()> buttons[] = {
        {w.btn_Search, &UartToolCtrl::TestFindPort},
        {w.btn_Open, &UartToolCtrl::OpenPort},
        {w.btn_Close, &UartToolCtrl::ClosePort},
        {w.btn_OpenFile, &UartToolCtrl::OpenFile},
        {w.btn_Upgrade, &UartToolCtrl::Upgrade},
        {w.btn_ListReleases, &UartToolCtrl::ListReleases},
        {w.btn_LoadRelease, &UartToolCtrl::LoadRelease},
        {w.btn_InitGyro, &UartToolCtrl::InitGyro},
        {w.btn_CalibrAcc, &UartToolCtrl::CalibrAcc},
        {w.btn_ReadAcc, &UartToolCtrl::ReadAcc},
        {w.btn_ResetAcc, &UartToolCtrl::ResetAcc},
        {w.btn_SaveAll, &UartToolCtrl::SaveAll},
        {w.btn_ReadVer, &UartToolCtrl::ReadVer},
        {w.btn_ClearMessageShow, &UartToolCtrl::ClearMessageShow},
        {w.btn_CalibrUp, &UartToolCtrl::btn_CalibrUp},
        {w.btn_CalibrDown, &UartToolCtrl::btn_CalibrDown},
        {w.btn_CalibrLeft, &UartToolCtrl::btn_CalibrLeft},
        {w.btn_CalibrRight, &UartToolCtrl::btn_CalibrRight},
        {w.btn_CalibrMid, &UartToolCtrl::btn_CalibrMid},
        {w.btn_CalibrSave, &UartToolCtrl::btn_CalibrSave},
        {w.btn_CalibrHelp, &UartToolCtrl::btn_CalibrHelp},
        {w.btn_ClearJoystickMessageShow, &UartToolCtrl::ClearJoystickMessageShow},
    };
    for (const auto& [button, action] : buttons)
        connect(button, &QPushButton::clicked, this, action);

    // A page button switches the page however it becomes checked: a click,
    // its shortcut, or the toggle action of assistive technology.
    const std::pair<QPushButton*, void (UartToolCtrl::*)()> pageButtons[] = {
        {w.btn_FirmwareUpgrade, &UartToolCtrl::btn_FirmwareUpgrade},
        {w.btn_AttitudeCalibration, &UartToolCtrl::btn_AttitudeCalibration},
        {w.btn_CalibratioonJoystick, &UartToolCtrl::btn_CalibratioonJoystick},
    };
    for (const auto& [button, action] : pageButtons) {
        connect(button, &QPushButton::toggled, this, [this, action = action](bool checked) {
            if (checked) (this->*action)();
        });
    }

    connect(w.m_ReleaseSource, &QLineEdit::returnPressed, this, &UartToolCtrl::ListReleases);
    connect(w.m_ReleaseList, &QListWidget::itemActivated, this, &UartToolCtrl::LoadRelease);
    connect(w.actionSendTestPattern, &QAction::triggered, this, &UartToolCtrl::SendData);
    connect(w.actionSaveLog, &QAction::triggered, this, &UartToolCtrl::SaveLog);
    connect(w.actionCopyLog, &QAction::triggered, this, &UartToolCtrl::CopyLog);
}

UartToolCtrl* UartToolCtrl::init() {
    m_ULXSerialPort = ULXSerialPort::serialPortWithPath(kDefaultPortPath);

    progressIndicator->setRange(0, 100);
    progressIndicator->setValue(0);

    firmwareVariables().iFileLength = 0;

    TabSelectNum = 1;
    InitUserGuideFlag = false;
    m_CalibrHelpIsOpen = 1;
    m_CalibrHelpFirstClose = 1;

    btn_CalibrHelp_->setText(tr("Help<<"));

    invalidate(timerGuide);
    timerGuide = startRepeatingTimer(kHelpPanelTickMs, &UartToolCtrl::handleTimerGuide);

    // Device discovery, remembered choices and the like wait for the window's
    // first paint, so they never delay it.
    portWatch->startAfterFirstPaint(m_Mainwindow);

    // The releases of the source last listed (else gimbalctl's default
    // source), fetched in the background.
    QString source = remembered::releaseSource();
    if (source.isEmpty()) source = qEnvironmentVariable("GIMBAL_RELEASES_URL");
    m_ReleaseSource->setText(source);
    listReleases(true);
    return this;
}

QTimer* UartToolCtrl::startRepeatingTimer(int intervalMs, void (UartToolCtrl::*callback)()) {
    auto* repeating = new QTimer(this);
    repeating->setTimerType(Qt::PreciseTimer);  // timeouts are counted in ticks
    repeating->setInterval(intervalMs);
    connect(repeating, &QTimer::timeout, this, callback);
    repeating->start();
    return repeating;
}

void UartToolCtrl::invalidate(QTimer*& repeating) {
    if (!repeating) return;
    repeating->stop();
    repeating->deleteLater();
    repeating = nullptr;
}

void UartToolCtrl::selectFunction(int tabIndex, QPushButton* selector) {
    functionTab->setCurrentIndex(tabIndex);
    TabSelectNum = tabIndex + 1;
    selector->setChecked(true);
}

void UartToolCtrl::btn_FirmwareUpgrade() { selectFunction(0, btn_FirmwareUpgrade_); }
void UartToolCtrl::btn_AttitudeCalibration() { selectFunction(1, btn_AttitudeCalibration_); }
void UartToolCtrl::btn_CalibratioonJoystick() { selectFunction(2, btn_CalibratioonJoystick_); }

void UartToolCtrl::setOut(const QString& text) {
    // Appended as is: callers bring their own line feeds.
    QTextCursor end(outText->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
    QScrollBar* scroll = outText->verticalScrollBar();
    scroll->setValue(scroll->maximum());
}

void UartToolCtrl::showAttitudeMessage(const QString& text) {
    m_MessageShow->setText(text);
    if (TabSelectNum == 3) m_JoystickMessageShow->setText(text);
}

void UartToolCtrl::ClearMessageShow() { m_MessageShow->clear(); }
void UartToolCtrl::ClearJoystickMessageShow() { m_JoystickMessageShow->clear(); }
