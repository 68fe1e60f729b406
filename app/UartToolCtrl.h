#pragma once
// The main-window controller: owns the port object in use, the three timers
// and every control of the window; every button sends its action here.
//
// Member functions are defined by subsystem:
//   app/UartToolCtrl.cpp          start-up, tab buttons, message log, clear actions
//   app/PortSelection.cpp         Search, Open, Close, the live port list, unplugging
//   app/PortWatch.cpp             device arrivals, removals and the open port's device
//   app/LogActions.cpp            Save Log and Copy Log
//   app/HelpPanel.cpp             joystick help panel
//   calibration/CalibrationRequests.cpp  request buttons
//   calibration/StatusPoll.cpp    status poll
//   upgrade/FileLoading.cpp       firmware file chooser and loading
//   upgrade/ReleaseChoice.cpp     the maker's releases listed, one fetched and loaded
//   upgrade/UpgradeSupervision.cpp  upgrade button, supervision timer, progress
//   upgrade/VersionCheck.cpp      the gimbal's version asked after a complete upgrade

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/WindowFrame.h"
#include "platform/SteadyMillis.h"
#include "upgrade/FirmwareFile.h"
#include "upgrade/UpgradeSupervisor.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLineEdit;
class QListWidget;
class QMainWindow;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTimer;
class QWidget;
class PortWatch;
class ULXSerialPort;
class ULXSerialPortManager;

namespace Ui {
class MainWindow;
}

class UartToolCtrl : public QObject {
    Q_OBJECT

public:
    // Builds the window description into `window` and connects every control
    // to its action. Call init() afterwards for the start-up step.
    explicit UartToolCtrl(QMainWindow* window, QObject* parent = nullptr);
    ~UartToolCtrl() override;

    // ---- Start-up, tabs, message log (app/UartToolCtrl.cpp) ----
    UartToolCtrl* init();
    void setOut(const QString& text);
    // Replaces the attitude page's message; while the joystick page shows,
    // its message field shows the text too, so that it is seen.
    void showAttitudeMessage(const QString& text);

public slots:
    void btn_FirmwareUpgrade();
    void btn_AttitudeCalibration();
    void btn_CalibratioonJoystick();
    void ClearMessageShow();
    void ClearJoystickMessageShow();

    // ---- Port selection (app/PortSelection.cpp) ----
    void TestFindPort();
    void SearchUart();
    void OpenPort();
    void ClosePort();

    // ---- Message log (app/LogActions.cpp) ----
    void SaveLog();  // through a file chooser
    void CopyLog();  // to the clipboard

    // ---- Help panel (app/HelpPanel.cpp) ----
    void btn_CalibrHelp();
    void handleTimerGuide();

    // ---- Calibration requests and status poll (calibration/) ----
    void InitGyro();
    void CalibrAcc();
    void SaveAll();
    void ReadVer();
    void ResetAcc();
    void ReadAcc();
    void SendData();
    void btn_CalibrUp();
    void btn_CalibrDown();
    void btn_CalibrLeft();
    void btn_CalibrRight();
    void btn_CalibrMid();
    void btn_CalibrSave();
    void handleTimer();

    // ---- Firmware upgrade (upgrade/) ----
    void OpenFile();
    // End of the file chooser: returnCode 1 when the user confirmed `path`.
    void OpenPanelDidEnd(const QString& path, int returnCode);
    void Upgrade();
    void handleUpgradeTimer();
    // The maker's releases (upgrade/ReleaseChoice.cpp): the source's list,
    // and the chosen one fetched, verified and loaded, off the GUI thread.
    void ListReleases();
    void LoadRelease();
    // After a complete upgrade (upgrade/VersionCheck.cpp): the version asked
    // until the gimbal answers or the wait is over.
    void handleVersionTimer();

public:
    // Saves the log as UTF-8 text; on failure false with the reason in `error`.
    bool saveLogTo(const QString& path, QString* error);

    // ---- Port list and unplugging (app/PortSelection.cpp) ----
    // Adds and removes paths in the port list; the path chosen or typed stays.
    void updatePortList(const QStringList& added, const QStringList& removed);
    // The open port's device went away: says so and gives the port controls
    // back (an upgrade in progress gives them back when it ends).
    void portWasUnplugged(const QString& path);

    // Lists the source typed in m_ReleaseSource; `quiet` says nothing when
    // it cannot (at start, with the remembered source).
    void listReleases(bool quiet);
    // False, with the log's line, while the gimbal is being served blocks
    // from the file in use.
    bool firmwareMayChangeNow(const std::string& chosenName);
    // A loaded file's lines in the log, and the progress bar set for it.
    void showLoadResult(const firmware::LoadResult& result);

    // The version check after a complete upgrade, and the controls given
    // back once the upgrade (and its check) is over.
    void startVersionCheck();
    void endVersionCheck(const std::optional<firmware::Version>& reported);
    void giveControlsBack();
    // The log's line, once, when block requests show a gimbal in its boot
    // loader; run by the status poll.
    void showBootLoaderNotice();

    void TransmitFile();
    void ProgressCtrl();
    void ProgressCtrl0x02();
    void ProgressCtrl2();
    void Askupdate();

    // ---- Owned objects and outlets ----
    std::shared_ptr<ULXSerialPort> m_ULXSerialPort;  // may be absent
    QTimer* timer = nullptr;                         // status poll, 0.1 s
    QTimer* UpgradeTimer = nullptr;                  // upgrade supervision, 0.04 s
    QTimer* timerGuide = nullptr;                    // help panel, 0.1 s
    QTimer* versionTimer = nullptr;                  // version check after an upgrade, 0.1 s

    QLineEdit* m_MessageShow = nullptr;
    QLineEdit* m_Gyro_x = nullptr;
    QLineEdit* m_Gyro_y = nullptr;
    QLineEdit* m_Gyro_z = nullptr;
    QLineEdit* m_Acc_x = nullptr;
    QLineEdit* m_Acc_y = nullptr;
    QLineEdit* m_Acc_z = nullptr;
    QLineEdit* m_File_Path = nullptr;
    QLineEdit* m_ReleaseSource = nullptr;
    QListWidget* m_ReleaseList = nullptr;
    QPushButton* btn_ListReleases = nullptr;
    QPushButton* btn_LoadRelease = nullptr;
    QString listedSource;    // the source whose releases the list shows
    int releaseListing = 0;  // counts listings: only the latest one's result shows
    QProgressBar* progressIndicator = nullptr;
    QComboBox* lineEndingPopUpButton = nullptr;
    QStackedWidget* functionTab = nullptr;
    // Outlets whose name is also an action carry a trailing underscore.
    QPushButton* btn_Search = nullptr;
    QPushButton* btn_Open = nullptr;
    QPushButton* btn_Close = nullptr;
    QPushButton* btn_FirmwareUpgrade_ = nullptr;
    QPushButton* btn_AttitudeCalibration_ = nullptr;
    QPushButton* btn_CalibratioonJoystick_ = nullptr;
    QPushButton* btn_Upgrade = nullptr;
    QPushButton* btn_OpenFile = nullptr;
    QComboBox* popupbtn_ComSelect = nullptr;
    QPushButton* btn_CalibrUp_ = nullptr;
    QPushButton* btn_CalibrDown_ = nullptr;
    QPushButton* btn_CalibrMid_ = nullptr;
    QPushButton* btn_CalibrLeft_ = nullptr;
    QPushButton* btn_CalibrRight_ = nullptr;
    QPushButton* btn_CalibrSave_ = nullptr;
    QPushButton* btn_CalibrHelp_ = nullptr;
    QLineEdit* m_JoystickMessageShow = nullptr;
    QLineEdit* m_JoystickValue1 = nullptr;
    QLineEdit* m_JoystickValue2 = nullptr;
    QPlainTextEdit* m_UserGuideText = nullptr;
    QFrame* m_SplitLine = nullptr;
    QMainWindow* m_Mainwindow = nullptr;

    // ---- Properties ----
    // The upgrade's schedule, timeout, progress and messages; the window
    // drives it from UpgradeTimer and shows what it reports.
    upgrade::UpgradeSupervisor upgradeSupervisor;
    std::function<protocol::Millis()> upgradeClock = steadyMillis;  // the supervision's time
    bool& rTimerFlag = upgradeSupervisor.rTimerFlag;                // true while an upgrade runs
    int& fnum = upgradeSupervisor.fnum;  // the port's block number as last seen
    bool InitUserGuideFlag = false;
    int MaxProgress = 0;
    std::optional<firmware::Version> fileVersion;  // the loaded file's firmware version, if any
    protocol::Millis versionCheckStart = 0;
    std::optional<protocol::Millis> versionAskedAt;  // the last read-version request
    int TabSelectNum = 1;
    int m_CalibrHelpIsOpen = 1;
    int m_CalibrHelpFirstClose = 1;
    QPlainTextEdit* outText = nullptr;
    std::shared_ptr<ULXSerialPortManager> serialPortManager;
    QWidget* window = nullptr;  // parent of the file chooser; not owned
    WindowRect SpiltLine{0.0, 0.0, 0.0, 0.0};
    PortWatch* portWatch = nullptr;  // device arrivals and removals, the open port's device

    // Stops a repeating timer and lets it go (nothing when absent).
    void invalidate(QTimer*& repeating);
    // A started repeating timer, owned by the controller, calling `callback`.
    QTimer* startRepeatingTimer(int intervalMs, void (UartToolCtrl::*callback)());

private:
    void bindOutlets(QMainWindow* mainWindow);
    void connectActions();
    void selectFunction(int tabIndex, QPushButton* selector);
    // Help panel (app/HelpPanel.cpp).
    void hideHelpPanelWithFreshMeasurement();
    void changeWindowHeight(double delta);

    std::unique_ptr<Ui::MainWindow> ui_;
};
