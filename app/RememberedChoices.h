#pragma once
// Choices the window remembers between runs, in the user's configuration
// folder (~/.config/gimbal-tool/gimbal-tool.conf).

#include <QString>

namespace remembered {

// The last port path that opened successfully; empty when none yet.
QString lastPort();
void setLastPort(const QString& path);

// The folder of the last firmware file chosen; empty when none yet.
QString firmwareFolder();
void setFirmwareFolderOf(const QString& filePath);

// The source of the maker's releases last listed; empty when none yet.
QString releaseSource();
void setReleaseSource(const QString& source);

}  // namespace remembered
