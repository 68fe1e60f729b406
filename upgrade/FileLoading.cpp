// The firmware file button: a window-modal file chooser, then the loading of
// the chosen file into the process-wide firmware variables, shown in the log
// alike for a chosen file and a chosen release (ReleaseChoice.cpp).

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <algorithm>

#include "app/FileChooser.h"
#include "app/RememberedChoices.h"
#include "app/Translation.h"
#include "app/UartToolCtrl.h"
#include "platform/NumberText.h"
#include "platform/SteadyMillis.h"
#include "serial/ULXSerialPort.h"
#include "upgrade/FirmwareFile.h"
#include "upgrade/FirmwareVariables.h"
#include "upgrade/ImageInUse.h"

void UartToolCtrl::OpenFile() {
    QFileDialog* panel = makeFileChooser(window, tr("Open firmware file"),
                                         QStringLiteral("openPanel"), tr("Firmware file chooser"));
    panel->setFileMode(QFileDialog::ExistingFile);
    panel->setAcceptMode(QFileDialog::AcceptOpen);
    panel->setLabelText(QFileDialog::Accept, tr("plov file"));
    panel->setNameFilter(tr("plov file (*.plov *.1plov *.2plov *.3plov)"));
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
    if (!firmwareMayChangeNow(QFileInfo(path).fileName().toStdString())) return;
    m_File_Path->setText(path);
    remembered::setFirmwareFolderOf(path);
    showLoadResult(firmware::load(QFile::encodeName(path).toStdString()));
}

bool UartToolCtrl::firmwareMayChangeNow(const std::string& chosenName) {
    // One image per transfer: while a gimbal asks for blocks outside an
    // upgrade, they keep coming from the file in use, which stays shown.
    const auto lastBlock =
        m_ULXSerialPort ? m_ULXSerialPort->lastBlockOutsideUpgrade() : std::nullopt;
    const upgrade::FileChoice choice = upgrade::fileChoice(rTimerFlag, lastBlock, steadyMillis());
    if (choice.allowed) return true;
    const translations::Wording versions = firmware::versionsOf(firmwareVariables()).wording();
    const std::string inUse =
        m_File_Path->text().toStdString() + ", " +
        translations::filledIn(coreText(versions.text).toStdString(), versions.values);
    setOut(QString::fromStdString(upgrade::fileKeptMessage(
        choice, chosenName, inUse,
        [](const char* english) { return coreText(english).toStdString(); })));
    return false;
}

void UartToolCtrl::showLoadResult(const firmware::LoadResult& result) {
    for (const std::string& message : result.messages) setOut(coreText(message));
    fileVersion = result.usable ? std::optional(result.versions.firmware) : std::nullopt;
    if (!result.usable) return;

    MaxProgress = result.maxProgress;
    progressIndicator->setValue(0);
    progressIndicator->setMinimum(0);
    // A range of 0..0 would turn the bar into a busy indicator; an empty image
    // shows an empty bar instead.
    progressIndicator->setMaximum(std::max(MaxProgress, 1));
}
