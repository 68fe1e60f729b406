#pragma once
// Keeps the port list in step with the devices present and notices when the
// open port's device goes away.
//
// Once the window has been painted for the first time it follows the port
// discovery's announcements: devices plugged in appear in the port list,
// devices removed disappear from it, and the list offers the port that opened
// last (or the only USB serial adapter). While a port opened by the window is
// watched, its device going away is reported to the controller once, whether
// the port's own line threads or the discovery notice it first.

#include <QObject>
#include <memory>
#include <vector>

#include "platform/NotificationCenter.h"
#include "serial/ULXSerialPortManager.h"

class QWidget;
class UartToolCtrl;

class PortWatch : public QObject {
    Q_OBJECT

public:
    explicit PortWatch(UartToolCtrl& ctrl);
    ~PortWatch() override;

    // Runs start() once, right after the first paint of `window`.
    void startAfterFirstPaint(QWidget* window);
    // Follows the discovery's announcements and fills and offers the port list.
    void start();

    // Watches the port the window just opened; forget() stops watching.
    void watch(const std::shared_ptr<ULXSerialPort>& port);
    void forget();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void portsConnected(const ULXSerialPortManager::PortList& ports);
    void portsDisconnected(const ULXSerialPortManager::PortList& ports);
    void portVanished(const std::shared_ptr<ULXSerialPort>& port);
    void offerStartPort(const ULXSerialPortManager::PortList& present);

    UartToolCtrl& ctrl_;
    QWidget* paintedWindow_ = nullptr;
    bool started_ = false;
    std::shared_ptr<ULXSerialPortManager> manager_;
    std::vector<NotificationCenter::Token> announcements_;
    std::weak_ptr<ULXSerialPort> watched_;
    int openObserver_ = 0;
};
