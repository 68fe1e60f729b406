// The Tools menu's log actions: save the message log as a UTF-8 text file,
// or copy it to the clipboard.

#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSaveFile>

#include "app/FileChooser.h"
#include "app/UartToolCtrl.h"

void UartToolCtrl::SaveLog() {
    QFileDialog* panel = makeFileChooser(window, tr("Save log"), QStringLiteral("saveLogPanel"),
                                         tr("Log file chooser"));
    panel->setAcceptMode(QFileDialog::AcceptSave);
    panel->setNameFilter(tr("Text files (*.txt)"));
    panel->setDefaultSuffix(QStringLiteral("txt"));
    panel->setDirectory(QDir::homePath());
    panel->selectFile(QStringLiteral("gimbal-tool-log.txt"));
    connect(panel, &QFileDialog::finished, this, [this, panel](int result) {
        const QStringList files = panel->selectedFiles();
        if (result != QDialog::Accepted || files.isEmpty()) return;
        QString error;
        if (saveLogTo(files.first(), &error)) return;
        auto* box =
            new QMessageBox(QMessageBox::Warning, tr("Save log"),
                            tr("The log was not saved: %1").arg(error), QMessageBox::Ok, window);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::WindowModal);
        box->open();
    });
    panel->open();
}

bool UartToolCtrl::saveLogTo(const QString& path, QString* error) {
    // Written aside and renamed at the end: a failed save leaves any earlier
    // file at that path as it was.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(outText->toPlainText().toUtf8()) >= 0 &&
        file.commit()) {
        return true;
    }
    if (error) *error = QStringLiteral("%1: %2").arg(path, file.errorString());
    return false;
}

void UartToolCtrl::CopyLog() { QGuiApplication::clipboard()->setText(outText->toPlainText()); }
