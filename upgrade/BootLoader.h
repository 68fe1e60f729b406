#pragma once
// A gimbal whose upgrade was cut (power lost, the cable pulled, the tool gone)
// restarts in its boot loader. The boot loader asks for block 0 of ID3 about
// once a second and answers nothing but an upgrade request, which it accepts
// as a running gimbal does.
//
// During an upgrade, a request for block 0 of the first board (or of ID3)
// after later blocks were asked for, or after the gimbal was silent for
// kRestartSilenceMs, means it restarted there: the request is not answered
// and the supervision asks for the upgrade again from the start, at most
// kUpgradeTries tries in all. Block requests while no upgrade runs mean a
// gimbal found in its boot loader, whose last upgrade did not finish.

#include <optional>
#include <string>

#include "protocol/Millis.h"
#include "translations/Marked.h"

namespace upgrade {

inline constexpr int kUpgradeTries = 3;
// A gimbal asks for its next block within a few tenths of a second of the last.
inline constexpr protocol::Millis kRestartSilenceMs = 800;
// A boot loader not heard from this long has left it (it asks every second).
inline constexpr protocol::Millis kBootLoaderQuietMs = 3000;

// The supervision's lines: a try begins again, and the last try ended so.
// ID%1 is the board and %2 the blocks of it done when the gimbal restarted.
inline constexpr const char* kBootLoaderTryMessage =
    N_("The gimbal restarted in its boot loader at ID%1, block %2 of %3: upgrading it again from "
       "the start, try %4 of %5.\n");
inline constexpr const char* kBootLoaderFailedMessage =
    N_("Upgrade failed: the gimbal restarted in its boot loader in each of %1 tries, the last "
       "time at ID%2, block %3 of %4.\n");

// The core's lines with values, as the wording they were filled from, so that
// a face can show them in its user's language; none for any other line.
std::optional<translations::Wording> bootLoaderWording(const std::string& line);

// Watches the gimbal's upgrade frames on one link for the restarts above and
// for a gimbal in its boot loader outside an upgrade. Not thread-safe: a link
// whose frames arrive on another thread than its supervision locks it.
class BootLoaderWatch {
public:
    // An upgrade's try begins: nothing asked for in it yet.
    void beginTry();
    // The upgrade ended (completed, failed or given up).
    void endUpgrade();

    // A block request of board `gimbalId` for `block` at `now`; updateRange of
    // the file served; accepted: the gimbal has accepted this try's upgrade
    // request (before that, a request is the gimbal's own and tells nothing
    // of this try). True when it shows the gimbal restarted in its boot
    // loader during the try: it is then not to be answered.
    bool blockRequest(int gimbalId, int block, int updateRange, bool accepted,
                      protocol::Millis now);
    // Any other upgrade frame from the gimbal.
    void heard(protocol::Millis now) { lastHeard_ = now; }

    // True once for every restart seen since the last call.
    bool takeRestart();
    // Whether the gimbal asked for blocks while no upgrade ran, lately.
    bool inBootLoader(protocol::Millis now) const;

private:
    bool upgrading_ = false;
    bool firstBlockAsked_ = false;  // block 0 of the first board, in this try
    bool laterBlockAsked_ = false;  // any other block, in this try
    std::optional<protocol::Millis> lastHeard_;
    bool restart_ = false;
    std::optional<protocol::Millis> lastAskOutsideUpgrade_;
};

}  // namespace upgrade
