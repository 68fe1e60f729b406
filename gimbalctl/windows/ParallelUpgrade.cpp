// Several gimbals at once on Windows: one thread per port, each with its own
// line and link session, so that a fault on one port never stops another.
// A stop reaches every thread through stopRequested(); each closes its line.

#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>

#include "gimbalctl/Commands.h"
#include "unitupgrade/Output.h"
#include "unitupgrade/ProgressView.h"
#include "unitupgrade/Stop.h"
#include "unitupgrade/Upgrade.h"
#include "unitupgrade/Verification.h"

namespace gimbalctl {

int upgradeInParallel(const std::vector<std::string>& ports, const std::string& file,
                      int maxProgress, bool json, const UpgradeChecks& checks) {
    std::fflush(stdout);
    std::optional<ProgressView> view;
    if (!json) {
        view.emplace(ports, standardOutputIsTerminal());
        for (std::size_t k = 0; k < ports.size(); ++k) view->progress(k, 0, maxProgress);
    }
    std::mutex viewMutex;
    std::vector<UpgradeOutcome> outcomes(ports.size());
    std::vector<std::thread> threads;
    for (std::size_t k = 0; k < ports.size(); ++k) {
        threads.emplace_back([&, k] {
            UpgradeEvents events{[&](const std::string& line) {
                                     std::lock_guard lock(viewMutex);
                                     if (view) view->message(k, line);
                                 },
                                 [&](int value, int maximum) {
                                     std::lock_guard lock(viewMutex);
                                     if (view) view->progress(k, value, maximum);
                                 }};
            outcomes[k] = upgradeChecked(ports[k], maxProgress, events, checks);
        });
    }
    for (std::thread& thread : threads) thread.join();
    if (view) view->finish();
    return reportOutcomes(outcomes, file, json);
}

}  // namespace gimbalctl
