#include "app/RememberedChoices.h"

#include <QFileInfo>
#include <QSettings>

namespace {

QSettings settings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("gimbal-tool"),
                     QStringLiteral("gimbal-tool"));
}

const QString kLastPort = QStringLiteral("port/lastOpened");
const QString kFirmwareFolder = QStringLiteral("firmware/lastFolder");
const QString kReleaseSource = QStringLiteral("firmware/releaseSource");

}  // namespace

namespace remembered {

QString lastPort() { return settings().value(kLastPort).toString(); }

void setLastPort(const QString& path) { settings().setValue(kLastPort, path); }

QString firmwareFolder() { return settings().value(kFirmwareFolder).toString(); }

void setFirmwareFolderOf(const QString& filePath) {
    settings().setValue(kFirmwareFolder, QFileInfo(filePath).absolutePath());
}

QString releaseSource() { return settings().value(kReleaseSource).toString(); }

void setReleaseSource(const QString& source) { settings().setValue(kReleaseSource, source); }

}  // namespace remembered
