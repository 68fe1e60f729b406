// The port row: Search lists the serial devices present, Open opens the path
// chosen or typed in the port list, Close gives the device back. A failed Open
// says why in the log; a port whose device goes away says so and frees the row.

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QThreadPool>
#include <QTimer>
#include <cstdio>

#include "app/PortWatch.h"
#include "app/RememberedChoices.h"
#include "app/Translation.h"
#include "app/UartToolCtrl.h"
#include "calibration/StatusReport.h"
#include "platform/MainQueue.h"
#include "serial/OpenFailure.h"
#include "serial/ULXSerialPort.h"
#include "serial/ULXSerialPortManager.h"

namespace {

// The English open messages carry the control byte 0x18 before the
// exclamation mark; a translation ends with its own script's mark alone.
QString withMark(const char* english) {
    const QString text = QCoreApplication::translate("UartToolCtrl", english);
    if (text == QLatin1String(english)) return text + QStringLiteral("\x18!");
    const bool wide = !text.isEmpty() && text.back().unicode() >= 0x2E80;  // CJK
    return text + (wide ? QStringLiteral("\uFF01") : QStringLiteral("!"));
}
QString openSucceeded() {
    return withMark(QT_TRANSLATE_NOOP("UartToolCtrl", "Open serial succeed"));
}
QString openFailed() { return withMark(QT_TRANSLATE_NOOP("UartToolCtrl", "Open serial fail")); }

// Adds an item at the end of the list; an item with the same title is removed
// first, so that a title is never listed twice.
void addItemWithTitle(QComboBox* list, const QString& title) {
    for (int index = list->findText(title, Qt::MatchExactly); index >= 0;
         index = list->findText(title, Qt::MatchExactly)) {
        list->removeItem(index);
    }
    list->addItem(title);
}

// The cause in plain words, in the log and on standard error. Finding it asks
// udev, the user database and the descriptors of every process, so it runs
// off the main thread and the line follows once it is known.
void explainOpenFailure(UartToolCtrl* ctrl, const std::string& path, int error) {
    QThreadPool::globalInstance()->start(
        [self = QPointer<UartToolCtrl>(ctrl), path, error]() mutable {
            std::string why = describeOpenFailure(path, error);
            std::fprintf(stderr, "%s\n", why.c_str());
            MainQueue::current().post([self = std::move(self), why = std::move(why)] {
                if (self) self->setOut(coreText(why) + QLatin1Char('\n'));
            });
        });
}

}  // namespace

void UartToolCtrl::TestFindPort() { SearchUart(); }

void UartToolCtrl::SearchUart() {
    serialPortManager = ULXSerialPortManager::sharedSerialPortManager();

    QStringList paths;
    for (std::size_t index = 0; index < serialPortManager->countOfAvailablePorts(); ++index) {
        const std::shared_ptr<ULXSerialPort> port =
            serialPortManager->objectInAvailablePortsAtIndex(index);
        if (port) paths << QString::fromStdString(port->path());
    }
    updatePortList(paths, {});
}

void UartToolCtrl::updatePortList(const QStringList& added, const QStringList& removed) {
    // Removing and re-adding items moves the list's selection; the path the
    // person chose or typed stays chosen.
    const QString chosen = lineEndingPopUpButton->currentText();
    for (const QString& path : removed) {
        for (int index = lineEndingPopUpButton->findText(path, Qt::MatchExactly); index >= 0;
             index = lineEndingPopUpButton->findText(path, Qt::MatchExactly)) {
            lineEndingPopUpButton->removeItem(index);
        }
    }
    for (const QString& path : added) addItemWithTitle(lineEndingPopUpButton, path);
    if (!chosen.isEmpty()) {
        const int index = lineEndingPopUpButton->findText(chosen, Qt::MatchExactly);
        if (index >= 0) {
            lineEndingPopUpButton->setCurrentIndex(index);
        } else {
            lineEndingPopUpButton->setEditText(chosen);
        }
    }
}

void UartToolCtrl::OpenPort() {
    // Spaces around a typed path are a slip of the keyboard, never part of a
    // device node's name.
    const QString title = lineEndingPopUpButton->currentText().trimmed();
    m_ULXSerialPort =
        title.isEmpty() ? nullptr : ULXSerialPort::serialPortWithPath(title.toStdString());
    if (m_ULXSerialPort) m_ULXSerialPort->open();

    if (!m_ULXSerialPort || !m_ULXSerialPort->isOpen()) {
        setOut(openFailed() + QLatin1Char('\n'));
        const std::string path = title.toStdString();
        const int error =
            m_ULXSerialPort ? m_ULXSerialPort->lastOpenError() : whyNoSerialDevice(path);
        explainOpenFailure(this, path, error);
        showAttitudeMessage(openFailed());
        return;
    }
    portWatch->watch(m_ULXSerialPort);
    remembered::setLastPort(title);

    btn_Open->setEnabled(false);
    btn_Search->setEnabled(false);
    popupbtn_ComSelect->setEnabled(false);

    switch (TabSelectNum) {
        case 1:
            setOut(openSucceeded() + QLatin1Char('\n'));
            break;
        case 2:
            m_MessageShow->setText(openSucceeded());
            break;
        case 3:
            m_JoystickMessageShow->setText(openSucceeded());
            break;
        default:
            break;
    }

    invalidate(timer);
    timer = startRepeatingTimer(calibration::kStatusPollMs, &UartToolCtrl::handleTimer);
}

void UartToolCtrl::ClosePort() {
    portWatch->forget();
    btn_Open->setEnabled(true);
    btn_Search->setEnabled(true);
    popupbtn_ComSelect->setEnabled(true);
    if (m_ULXSerialPort) m_ULXSerialPort->close();
}

void UartToolCtrl::portWasUnplugged(const QString& path) {
    const QString text = tr("%1 was unplugged").arg(path);
    setOut(text + QLatin1Char('\n'));
    showAttitudeMessage(text);
    if (rTimerFlag) return;  // the upgrade ends with its own message and frees the controls
    btn_Open->setEnabled(true);
    btn_Search->setEnabled(true);
    popupbtn_ComSelect->setEnabled(true);
}
