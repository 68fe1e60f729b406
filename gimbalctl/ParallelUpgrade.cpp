// Several gimbals at once, one child process each (UpgradeChild.h). No child
// outlives the parent: a stop is passed on, every child is waited for, and a
// child whose parent dies gets SIGTERM (PR_SET_PDEATHSIG) or finds its output
// closed.

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>

#include "unitupgrade/ProgressView.h"
#include "unitupgrade/Stop.h"
#include "unitupgrade/Upgrade.h"
#include "unitupgrade/UpgradeChild.h"
#include "unitupgrade/Verification.h"

namespace gimbalctl {

namespace {

// A stop asked of this process goes on to every child still running (a closed
// output as SIGTERM): each closes its line and reports its result.
void passOnStop(const std::vector<UpgradeChild>& children) {
    const int signal = stopRequested() == SIGPIPE ? SIGTERM : stopRequested();
    for (const UpgradeChild& child : children) {
        if (child.pid > 0 && child.output) ::kill(child.pid, signal);
    }
}

// Reads what the children write until every one has closed its output.
void collect(std::vector<UpgradeChild>& children, ProgressView* view) {
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
            const std::size_t k = owners[f];
            readChild(children[k], {[&](const std::string& line) {
                                        if (view) view->message(k, line);
                                    },
                                    [&](int value, int maximum) {
                                        if (view) view->progress(k, value, maximum);
                                    }});
        }
    }
}

}  // namespace

int upgradeInParallel(const std::vector<std::string>& ports, const std::string& file,
                      int maxProgress, bool json, const UpgradeChecks& checks) {
    std::fflush(stdout);  // what was printed so far comes before the children's progress
    std::vector<UpgradeChild> children(ports.size());
    for (std::size_t k = 0; k < ports.size(); ++k) {
        children[k].port = ports[k];
        spawnChild(children[k], file, checks.arguments());
    }

    std::optional<ProgressView> view;
    if (!json) {
        view.emplace(ports, ::isatty(STDOUT_FILENO) == 1);
        for (std::size_t k = 0; k < ports.size(); ++k) view->progress(k, 0, maxProgress);
    }
    collect(children, view ? &*view : nullptr);
    if (view) view->finish();

    std::vector<UpgradeOutcome> outcomes;
    for (UpgradeChild& child : children) outcomes.push_back(reapChild(child));
    return reportOutcomes(outcomes, file, json);
}

}  // namespace gimbalctl
