#pragma once
// What an upgrade checks beyond its conversation with the gimbal: the file is
// the approved one (its SHA-256), the gimbal's firmware version before the
// upgrade (a gimbal already on the file's version can be left alone) and
// after it (the gimbal restarts into the new firmware and must report the
// file's version). The versions are read with the read-version request only.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "unitupgrade/Upgrade.h"
#include "upgrade/FirmwareVersion.h"
#include "upgrade/VersionAfterUpgrade.h"

namespace CLI {
class App;
}

namespace gimbalctl {

// Before the upgrade the version is asked once and waited for as `gimbalctl
// version` waits; afterwards as upgrade/VersionAfterUpgrade.h says, while the
// gimbal restarts.
inline constexpr auto kVersionBeforeWait = std::chrono::seconds(2);

struct UpgradeChecks {
    bool verify = false;            // read the version before and after; a mismatch fails (4)
    bool skipCurrent = false;       // a gimbal already on the file's version is not upgraded
    std::string expectSha256;       // the approved file's digest (any case), or empty
    firmware::Version fileVersion;  // the file's firmware version, once it is loaded

    // The same checks as `gimbalctl upgrade` options, for a child process.
    std::vector<std::string> arguments() const;
};

// Why the file's bytes are not the approved file (both digests named), or
// empty when they are or no digest is expected.
std::string digestMismatch(const std::vector<uint8_t>& bytes, const std::string& expectSha256);

// Why `text` is not a SHA-256 digest (64 hexadecimal digits), or empty when it is.
std::string whyNotSha256(const std::string& text);

// Declares `--expect-sha256 SHA256` on `command` (upgrade, station), checked as a digest.
void addExpectSha256Option(CLI::App& command, std::string& digest);

// The firmware version the gimbal on `path` reports, or none when it does
// not answer in time. With resendEvery the request is repeated.
struct VersionReply {
    std::optional<firmware::Version> version;
    std::string portError;  // the port could not be opened
    bool lineGone = false;
    bool bootLoader = false;  // no version: the gimbal is in its boot loader
};
VersionReply readFirmwareVersion(const std::string& path, std::chrono::milliseconds timeout,
                                 std::chrono::milliseconds resendEvery = {});

// The upgrade of one port (upgradeOnePort) with the checks asked for: the
// versions read around it, a current gimbal skipped ("skipped", status 0),
// and a completed upgrade whose gimbal does not then report the file's
// version failed ("not verified", status 4) with what it reported.
UpgradeOutcome upgradeChecked(const std::string& path, int maxProgress, const UpgradeEvents& events,
                              const UpgradeChecks& checks);

}  // namespace gimbalctl
