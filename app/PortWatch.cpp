#include "app/PortWatch.h"

#include <malloc.h>

#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include "app/RememberedChoices.h"
#include "app/UartToolCtrl.h"
#include "platform/MainQueue.h"

namespace {

constexpr int kSettleMs = 500;

QStringList pathsOf(const ULXSerialPortManager::PortList& ports) {
    QStringList paths;
    for (const auto& port : ports) {
        if (port) paths << QString::fromStdString(port->path());
    }
    return paths;
}

}  // namespace

PortWatch::PortWatch(UartToolCtrl& ctrl) : QObject(&ctrl), ctrl_(ctrl) {}

PortWatch::~PortWatch() {
    forget();
    for (auto token : announcements_) NotificationCenter::defaultCenter().removeObserver(token);
}

void PortWatch::startAfterFirstPaint(QWidget* window) {
    if (started_ || paintedWindow_) return;
    paintedWindow_ = window;
    window->installEventFilter(this);
}

bool PortWatch::eventFilter(QObject* watched, QEvent* event) {
    if (watched == paintedWindow_ && event->type() == QEvent::Paint) {
        paintedWindow_->removeEventFilter(this);
        paintedWindow_ = nullptr;
        QTimer::singleShot(0, this, &PortWatch::start);
    }
    return QObject::eventFilter(watched, event);
}

void PortWatch::start() {
    if (started_) return;
    started_ = true;
    manager_ = ULXSerialPortManager::sharedSerialPortManager();

    NotificationCenter& center = NotificationCenter::defaultCenter();
    QPointer<PortWatch> self(this);
    announcements_.push_back(center.addObserver(
        ULXSerialPortsWereConnectedNotification, manager_.get(), [self](const Notification& n) {
            const auto* ports = n.value<ULXSerialPortManager::PortList>(ULXConnectedSerialPortsKey);
            if (self && ports) self->portsConnected(*ports);
        }));
    announcements_.push_back(center.addObserver(
        ULXSerialPortsWereDisconnectedNotification, manager_.get(), [self](const Notification& n) {
            const auto* ports =
                n.value<ULXSerialPortManager::PortList>(ULXDisconnectedSerialPortsKey);
            if (self && ports) self->portsDisconnected(*ports);
        }));

    const bool typed = !ctrl_.lineEndingPopUpButton->currentText().isEmpty();
    const ULXSerialPortManager::PortList present =
        manager_->availablePorts().value_or(ULXSerialPortManager::PortList{});
    ctrl_.updatePortList(pathsOf(present), {});
    if (!typed) offerStartPort(present);

    // Building the window, listing the devices and the help panel's first
    // tick leave freed memory behind; hand it back once the window has
    // settled, so the idle tool holds only what it uses.
    QTimer::singleShot(kSettleMs, this, [] { ::malloc_trim(0); });
}

// The port that opened last when it is present, else the only USB serial
// adapter; with neither, no port is offered.
void PortWatch::offerStartPort(const ULXSerialPortManager::PortList& present) {
    QString offer;
    const QString last = remembered::lastPort();
    if (!last.isEmpty()) {
        const QString node = QFileInfo(last).canonicalFilePath();  // a udev link's device
        for (const QString& path : pathsOf(present)) {
            if (path == last || path == node) offer = last;
        }
    }
    if (offer.isEmpty()) {
        ULXSerialPortManager::PortList adapters;
        for (const auto& port : present) {
            if (port && port->IOKitDevice().isUsbAdapter()) adapters.push_back(port);
        }
        if (adapters.size() == 1) offer = QString::fromStdString(adapters.front()->path());
    }

    QComboBox* list = ctrl_.lineEndingPopUpButton;
    const int index = offer.isEmpty() ? -1 : list->findText(offer, Qt::MatchExactly);
    list->setCurrentIndex(index);
    if (index < 0) list->setEditText(offer);
}

void PortWatch::portsConnected(const ULXSerialPortManager::PortList& ports) {
    ctrl_.updatePortList(pathsOf(ports), {});
}

void PortWatch::portsDisconnected(const ULXSerialPortManager::PortList& ports) {
    for (const auto& port : ports) {
        if (port) portVanished(port);
    }
    ctrl_.updatePortList({}, pathsOf(ports));
}

void PortWatch::watch(const std::shared_ptr<ULXSerialPort>& port) {
    forget();
    if (!port) return;
    watched_ = port;
    QPointer<PortWatch> self(this);
    std::weak_ptr<ULXSerialPort> weak = port;
    openObserver_ = port->addIsOpenObserver([self, weak](ULXSerialPort& changed) {
        // On the main thread a port is closed by Close, the end of an upgrade,
        // system sleep or the discovery (which announces the removal). Only the
        // port's own line threads close it off the main thread: its device is gone.
        MainQueue& main = MainQueue::current();
        if (changed.isOpen() || main.isMainThread()) return;
        main.post([self, weak] {
            const auto port = weak.lock();
            if (self && port) self->portVanished(port);
        });
    });
}

void PortWatch::forget() {
    if (auto port = watched_.lock()) port->removeIsOpenObserver(openObserver_);
    watched_.reset();
    openObserver_ = 0;
}

void PortWatch::portVanished(const std::shared_ptr<ULXSerialPort>& port) {
    if (watched_.lock() != port || port->isOpen()) return;
    forget();
    // Closed already by the window (the end of an upgrade) and then removed.
    if (ctrl_.m_ULXSerialPort != port || ctrl_.btn_Open->isEnabled()) return;
    ctrl_.portWasUnplugged(QString::fromStdString(port->path()));
}
