// One port's upgrade in a child process (UpgradeChild.h): started, read and
// waited for.

#include "unitupgrade/UpgradeChild.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/UniqueFd.h"
#include "unitupgrade/ExitStatuses.h"
#include "unitupgrade/Upgrade.h"

extern char** environ;

namespace gimbalctl {

void spawnChild(UpgradeChild& child, const std::string& file,
                const std::vector<std::string>& options, bool ownProcessGroup) {
    const auto notStarted = [&child] {
        child.outcome = {child.port,
                         kLostUpgrade,
                         "not started",
                         std::string("cannot start a process: ") + std::strerror(errno),
                         {}};
        child.haveResult = true;
    };
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return notStarted();
    UniqueFd readEnd(fds[0]);
    UniqueFd writeEnd(fds[1]);

    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return notStarted();
    self[length] = '\0';
    const std::string& opens = child.opens.empty() ? child.port : child.opens;
    std::vector<std::string> args = {"gimbalctl", "upgrade", "--port",
                                     opens,       file,      "--report-to-parent"};
    if (!child.fileName.empty()) args.insert(args.end(), {"--file-name", child.fileName});
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), STDOUT_FILENO);
    int keep = STDERR_FILENO;
    if (child.fileDescriptor >= 0) {  // the file the child reads as kHandedFile
        keep = STDERR_FILENO + 1;
        posix_spawn_file_actions_adddup2(&actions, child.fileDescriptor, keep);
    }
    // Nothing else of this process's: a socket another thread just accepted
    // (the station's screen) would stay open as long as the child runs.
    posix_spawn_file_actions_addclosefrom_np(&actions, keep + 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (ownProcessGroup) {
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
    }
    const int spawned =
        ::posix_spawn(&child.pid, self, &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        errno = spawned;
        return notStarted();
    }
    child.output = std::move(readEnd);
}

namespace {

void handleLine(UpgradeChild& child, const std::string& line, const UpgradeEvents& events) {
    const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
    if (!object.is_object()) return;  // not ours: dropped
    if (object.contains("result")) {
        child.outcome = outcomeFromJson(object["result"]);
        child.outcome.port = child.port;  // as given, bytes the JSON line may have replaced
        child.haveResult = true;
    } else if (object.contains("progress")) {
        events.progress(object.value("progress", 0), object.value("maximum", 0));
    } else if (object.contains("message")) {
        events.message(object.value("message", ""));
    }
}

}  // namespace

bool readChild(UpgradeChild& child, const UpgradeEvents& events) {
    char buffer[4096];
    const ssize_t n = ::read(child.output.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) return true;
    if (n <= 0) {
        child.output.reset();
        return false;
    }
    child.pending.append(buffer, static_cast<std::size_t>(n));
    std::size_t end;
    while ((end = child.pending.find('\n')) != std::string::npos) {
        handleLine(child, child.pending.substr(0, end), events);
        child.pending.erase(0, end + 1);
    }
    return true;
}

UpgradeOutcome reapChild(UpgradeChild& child) {
    if (child.pid > 0) {
        int ignored = 0;
        while (::waitpid(child.pid, &ignored, 0) < 0 && errno == EINTR) {
        }
        child.pid = -1;
    }
    if (!child.haveResult) {
        child.outcome = {
            child.port, kLostUpgrade, "lost", "the upgrade process ended without a result", {}};
    }
    return child.outcome;
}

}  // namespace gimbalctl
