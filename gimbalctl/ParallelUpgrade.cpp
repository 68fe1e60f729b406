// Several gimbals at once. The link state is process-wide, one port per
// process, so every port gets a child process: gimbalctl itself, upgrading
// that one port and reporting to this parent through a pipe in JSON lines.
// No child outlives the parent: a stop is passed on, every child is waited
// for, and a child whose parent dies gets SIGTERM (PR_SET_PDEATHSIG) or
// finds its output closed.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "gimbalctl/Commands.h"
#include "gimbalctl/ProgressView.h"
#include "gimbalctl/Session.h"
#include "gimbalctl/Stop.h"
#include "gimbalctl/Upgrade.h"
#include "platform/UniqueFd.h"

extern char** environ;

namespace gimbalctl {
namespace {

struct Child {
    std::string port;
    pid_t pid = -1;
    UniqueFd output;      // the child's standard output; closed at its end
    std::string pending;  // a line not yet complete
    bool haveResult = false;
    UpgradeOutcome outcome;
};

// Starts `gimbalctl upgrade --port P FILE --report-to-parent` with its
// standard output on a new pipe; 0, or the error number of what failed.
int spawnChild(Child& child, const std::string& file) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return errno;
    UniqueFd readEnd(fds[0]);
    UniqueFd writeEnd(fds[1]);

    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return length < 0 ? errno : ENOENT;
    self[length] = '\0';
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), STDOUT_FILENO);
    std::vector<std::string> args = {"gimbalctl", "upgrade", "--port",
                                     child.port,  file,      "--report-to-parent"};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int spawned = ::posix_spawn(&child.pid, self, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return spawned;  // posix_spawn returns its error; errno is not set
    child.output = std::move(readEnd);
    return 0;
}

void handleLine(Child& child, std::size_t index, const std::string& line, ProgressView* view) {
    const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
    if (!object.is_object()) return;  // not ours: dropped
    if (object.contains("result")) {
        child.outcome = outcomeFromJson(object["result"]);
        child.outcome.port = child.port;  // as given, bytes the JSON line may have replaced
        child.haveResult = true;
    } else if (object.contains("progress") && view) {
        view->progress(index, object.value("progress", 0), object.value("maximum", 0));
    } else if (object.contains("message") && view) {
        view->message(index, object.value("message", ""));
    }
}

// A stop asked of this process goes on to every child still running (a closed
// output as SIGTERM): each closes its line and reports its result.
void passOnStop(const std::vector<Child>& children) {
    const int signal = stopRequested() == SIGPIPE ? SIGTERM : stopRequested();
    for (const Child& child : children) {
        if (child.pid > 0 && child.output) ::kill(child.pid, signal);
    }
}

// Reads what the children write until every one has closed its output.
void collect(std::vector<Child>& children, ProgressView* view) {
    bool stopPassedOn = false;
    for (;;) {
        std::vector<pollfd> fds;
        std::vector<std::size_t> owners;
        for (std::size_t k = 0; k < children.size(); ++k) {
            if (!children[k].output) continue;
            fds.push_back({children[k].output.get(), POLLIN, 0});
            owners.push_back(k);
        }
        if (fds.empty()) return;
        if (!stopPassedOn) {
            fds.push_back({stopSignalDescriptor(), POLLIN, 0});
            fds.push_back({STDOUT_FILENO, 0, 0});  // POLLERR once its reader has gone
        }
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) return;
        if (!stopPassedOn && stopRequested()) {
            passOnStop(children);
            stopPassedOn = true;
        }
        for (std::size_t f = 0; f < owners.size(); ++f) {
            if (fds[f].revents == 0) continue;
            Child& child = children[owners[f]];
            char buffer[4096];
            const ssize_t n = ::read(fds[f].fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                child.output.reset();
                continue;
            }
            child.pending.append(buffer, static_cast<std::size_t>(n));
            std::size_t end;
            while ((end = child.pending.find('\n')) != std::string::npos) {
                handleLine(child, owners[f], child.pending.substr(0, end), view);
                child.pending.erase(0, end + 1);
            }
        }
    }
}

}  // namespace

int upgradeInParallel(const std::vector<std::string>& ports, const std::string& file,
                      int maxProgress, bool json) {
    std::fflush(stdout);  // what was printed so far comes before the children's progress
    std::vector<Child> children(ports.size());
    for (std::size_t k = 0; k < ports.size(); ++k) {
        children[k].port = ports[k];
        if (const int error = spawnChild(children[k], file); error != 0) {
            children[k].outcome = {ports[k],
                                   kLostUpgrade,
                                   "not started",
                                   std::string("cannot start a process: ") + std::strerror(error),
                                   {}};
            children[k].haveResult = true;
        }
    }

    std::optional<ProgressView> view;
    if (!json) {
        view.emplace(ports, ::isatty(STDOUT_FILENO) == 1);
        for (std::size_t k = 0; k < ports.size(); ++k) view->progress(k, 0, maxProgress);
    }
    collect(children, view ? &*view : nullptr);
    if (view) view->finish();

    std::vector<UpgradeOutcome> outcomes;
    for (Child& child : children) {
        if (child.pid > 0) {
            int ignored = 0;
            while (::waitpid(child.pid, &ignored, 0) < 0 && errno == EINTR) {
            }
        }
        if (!child.haveResult) {
            child.outcome = {
                child.port, kLostUpgrade, "lost", "the upgrade process ended without a result", {}};
        }
        outcomes.push_back(child.outcome);
    }
    return reportOutcomes(outcomes, file, json);
}

}  // namespace gimbalctl
