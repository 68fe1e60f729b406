// The firmware file button: a window-modal file chooser, then the loading of
// the chosen file into the process-wide firmware variables, shown in the log
// alike for a chosen file and a chosen release (ReleaseChoice.cpp).

#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QProgressBar>
#include <algorithm>

#include "app/FileChooser.h"
#include "app/RememberedChoices.h"
#include "app/UartToolCtrl.h"
#include "platform/NumberText.h"
#include "platform/SteadyMillis.h"
#include "serial/ULXSerialPort.h"
#include "upgrade/FirmwareFile.h"
#include "upgrade/ImageInUse.h"

void UartToolCtrl::OpenFile() {
    QFileDialog* panel =
        makeFileChooser(window, QStringLiteral("Open firmware file"), QStringLiteral("openPanel"),
                        QStringLiteral("Firmware file chooser"));
    panel->setFileMode(QFileDialog::ExistingFile);
    panel->setAcceptMode(QFileDialog::AcceptOpen);
    panel->setLabelText(QFileDialog::Accept, QStringLiteral("plov file"));
    panel->setNameFilter(QStringLiteral("plov file (*.plov *.1plov *.2plov *.3plov)"));
    if (const QString folder = remembered::firmwareFolder(); !folder.isEmpty()) {
        panel->setDirectory(folder);
    }
    connect(panel, &QFileDialog::finished, this, [this, panel](int result) {
        const QStringList files = panel->selectedFiles();
        const bool confirmed = result == QDialog::Accepted && !files.isEmpty();
        OpenPanelDidEnd(confirmed ? files.first() : QString(), confirmed ? 1 : 0);
    });
    panel->open();
}

void UartToolCtrl::OpenPanelDidEnd(const QString& path, int returnCode) {
    if (returnCode != 1) return;  // cancelled: the previous file stays loaded
    if (!firmwareMayChangeNow()) return;
    m_File_Path->setText(path);
    remembered::setFirmwareFolderOf(path);
    showLoadResult(firmware::load(QFile::encodeName(path).toStdString()));
}

bool UartToolCtrl::firmwareMayChangeNow() {
    // One image per transfer: while the gimbal is being served blocks, they
    // keep coming from the file in use.
    const auto lastBlock = m_ULXSerialPort ? m_ULXSerialPort->lastBlockAnswered() : std::nullopt;
    if (upgrade::firmwareMayChange(rTimerFlag, lastBlock, steadyMillis())) return true;
    setOut(QString::fromLatin1(upgrade::kFileKeptMessage));
    return false;
}

void UartToolCtrl::showLoadResult(const firmware::LoadResult& result) {
    for (const std::string& message : result.messages) setOut(QString::fromStdString(message));
    fileVersion = result.usable ? fixedPointText(result.firmwareVersion, 3) : std::string();
    if (!result.usable) return;

    MaxProgress = result.maxProgress;
    progressIndicator->setValue(0);
    progressIndicator->setMinimum(0);
    // A range of 0..0 would turn the bar into a busy indicator; an empty image
    // shows an empty bar instead.
    progressIndicator->setMaximum(std::max(MaxProgress, 1));
}
