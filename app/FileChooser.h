#pragma once
// The window's file choosers: Qt's own dialog (so labels and filters look the
// same everywhere), window-modal, deleted when it closes, named for tests and
// assistive technology. The caller sets the mode and filter, connects
// finished() and opens it.

#include <QFileDialog>

inline QFileDialog* makeFileChooser(QWidget* window, const QString& title,
                                    const QString& objectName, const QString& accessibleName) {
    auto* panel = new QFileDialog(window, title);  // owned by the window
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setObjectName(objectName);
    panel->setAccessibleName(accessibleName);
    panel->setOption(QFileDialog::DontUseNativeDialog);
    panel->setWindowModality(Qt::WindowModal);
    return panel;
}
