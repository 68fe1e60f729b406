#include "unitupgrade/Stop.h"

#include <poll.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>

#include "platform/UniqueFd.h"
#include "unitupgrade/Output.h"
#include "unitupgrade/Translation.h"

namespace gimbalctl {
namespace {

UniqueFd signals;
int stopSignal = 0;
int stopsAsked = 0;  // every stop signal read, the first included

sigset_t stopSignalSet() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, s);
    return set;
}

// The reader of a pipe or socket on standard output has gone. A terminal,
// a file or /dev/null never reports this.
bool standardOutputClosed() {
    pollfd out{STDOUT_FILENO, 0, 0};
    return ::poll(&out, 1, 0) == 1 && (out.revents & (POLLERR | POLLHUP)) != 0;
}

}  // namespace

void watchForStop() {
    std::signal(SIGPIPE, SIG_IGN);
    const sigset_t set = stopSignalSet();
    ::sigprocmask(SIG_BLOCK, &set, nullptr);
    signals = UniqueFd(::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC));
}

int stopRequested() {
    signalfd_siginfo info{};
    while (signals && ::read(signals.get(), &info, sizeof info) == sizeof info) {
        if (stopSignal == 0) stopSignal = static_cast<int>(info.ssi_signo);
        ++stopsAsked;
    }
    if (stopSignal == 0 && standardOutputClosed()) {
        stopSignal = SIGPIPE;
        ++stopsAsked;
    }
    return stopSignal;
}

int stopsRequested() {
    stopRequested();
    return stopsAsked;
}

int stopStatus() { return 128 + stopRequested(); }

int stopSignalDescriptor() { return signals.get(); }

void stopWithParent() { ::prctl(PR_SET_PDEATHSIG, SIGTERM); }

int reportStop(const std::string& consequence) {
    const int signal = stopRequested();
    const std::string cause =
        signal == SIGPIPE
            ? _("interrupted: standard output was closed")
            : formatted(_("interrupted by %1"), {std::string("SIG") + ::sigabbrev_np(signal)});
    const std::string line =
        consequence.empty() ? cause : cause + ": " + translatedLine(consequence);
    std::fprintf(stderr, "gimbalctl: %s\n", line.c_str());
    return stopStatus();
}

}  // namespace gimbalctl
