#pragma once
// The supervision of a firmware upgrade, with no window: the checks before
// the start, the upgrade request resent on a fixed schedule until the gimbal
// answers, the tick counting and the timeout, the progress arithmetic, the
// per-board messages and the ending. The transfer itself runs where the link
// answers the gimbal; the supervisor only watches the link's upgrade state and
// takes every block report in the order it came.
//
// Whoever drives it (the window's timer, gimbalctl's loop, the page) calls
// handleTick about every kTickMs with the time of its clock, on the thread that
// started the upgrade, and shows what the supervisor reports through its Output.
// The timeout and the request schedule are kept on that clock, not by counting
// calls: a tick that comes late does the work its time calls for, once (one
// request at most, the timeout when 8 s have passed without progress); a tick
// that comes early does nothing but show progress. With ticks every kTickMs
// this is exactly one step of the schedule per tick.

#include <cstdint>
#include <functional>

#include "protocol/Millis.h"
#include "translations/Marked.h"
#include "upgrade/UpgradeLink.h"

namespace upgrade {

inline constexpr int kTickMs = 40;
inline constexpr int kTimeoutTicks = 200;  // 8 s without progress
inline constexpr protocol::Millis kTimeoutMs = protocol::Millis{kTimeoutTicks} * kTickMs;

inline constexpr const char* kPortNotOpenMessage = N_("The serial port is not open!\n");
inline constexpr const char* kNoFileMessage = N_("Please select a file first\n");
inline constexpr const char* kBeginMessage = N_("Begin upgrade firmware...\n");
inline constexpr const char* kTimeoutMessage = N_("Connection timeout,please try again!\n");
inline constexpr const char* kErrorMessage = N_("Error\n");

// How the last upgrade ended; kBootLoader: the gimbal restarted in its boot
// loader in every try.
enum class Ending { kNone, kComplete, kTimeout, kError, kBootLoader };

class UpgradeSupervisor {
public:
    struct Output {
        std::function<void(const char* text)> message;  // for the message log; brings its line feed
        std::function<void(int value)> progress;        // may pass the maximum at the very end
    };

    explicit UpgradeSupervisor(Output output) : out_(std::move(output)) {}

    // The upgrade button: refuses with a message (false) when the port is
    // absent or closed or no file is loaded; otherwise shows progress 0 and
    // the start message and puts the port into its requesting state.
    // maxProgress is the progress maximum of the loaded file; the first tick
    // is due kTickMs after `now`.
    bool Upgrade(UpgradeLink* port, int maxProgress, protocol::Millis now);

    // One tick at `now`: a supervision step while the upgrade runs (true); on
    // the tick after its end the port is closed and the caller stops ticking (false).
    bool handleTick(UpgradeLink* port, protocol::Millis now);

    // One supervision step: the progress update, then the port's upgrade
    // state decides: resend the request when due, count, time out, fail.
    void TransmitFile(UpgradeLink* port, protocol::Millis now);
    // The progress update of each way an upgrade runs; each acts only for
    // its update_range, once for every report that changed board or block.
    void ProgressCtrl(UpgradeLink* port);      // single image, ID3 then ID2, ID1
    void ProgressCtrl0x02(UpgradeLink* port);  // single image, ID2 then ID1
    void ProgressCtrl2(UpgradeLink* port);     // three images
    // Writes the upgrade request built from the loaded file.
    void Askupdate(UpgradeLink* port);

    bool rTimerFlag = false;  // true while an upgrade runs; false ends it at the next tick
    int tries = 0;            // the try running, 1 to kUpgradeTries (upgrade/BootLoader.h)
    int fnum = 0;             // the block number of the last report
    int board = -1;           // the board of the last report
    Ending ending = Ending::kNone;

private:
    // The progress update for each new block report, while the upgrade runs.
    template <typename Step>
    void handleReports(UpgradeLink& port, Step step);
    void show(UpgradeLink& port, int value, const char* boardMessage, bool finished);
    void end(Ending how, const char* message);
    // The gimbal restarted in its boot loader: the upgrade again from the
    // start, or its end when no try is left.
    void restartInBootLoader(UpgradeLink& port, protocol::Millis now);
    void beginTry(UpgradeLink& port, protocol::Millis now);
    // The ticks without progress, counted on the clock: the timeout, and the
    // upgrade request while the gimbal has not answered.
    void superviseIdleTime(UpgradeLink& port, bool requesting, protocol::Millis now);

    Output out_;
    int maxProgress_ = 0;
    protocol::Millis idleSince_ = 0;  // when the current run of idle ticks began (its tick 0)
    int countLeft_ = 0;               // the link's idle count as the last tick left it
};

}  // namespace upgrade
