#pragma once
// gimbalctl station --serve [ADDR:]PORT: the operator's screen, one read-only
// page (station/screen/, built in) and its stream of the station's state
// (Server-Sent Events), served on threads of their own beside the station's
// loop. The station only tells the feed its news; nothing a browser sends
// reaches the station.

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "station/ScreenFeed.h"
#include "translations/Marked.h"

namespace httplib {
class Server;
}

namespace gimbalctl {

class ScreenGate;

struct ServeAddress {
    std::string host;  // an address of this PC or a name for one
    int port = 0;      // 0: any free port
};

// "8080" (on 127.0.0.1), "0.0.0.0:8080", "[::]:8080"; none, with `error`
// saying why, when `text` is none of these.
std::optional<ServeAddress> parseServeAddress(const std::string& text, std::string& error);

class OperatorScreen {
public:
    // Listens at `address` (as --serve gives it) and serves on threads of its
    // own; none, with `error` saying why, when it cannot. `refusal`: what a
    // browser turned away reads (ScreenGate::kTooManyScreens, translated).
    static std::unique_ptr<OperatorScreen> start(const std::string& address, std::string& error,
                                                 const std::string& refusal);
    // Ends every screen's stream, then the server and its threads.
    ~OperatorScreen();
    OperatorScreen(const OperatorScreen&) = delete;
    OperatorScreen& operator=(const OperatorScreen&) = delete;

    ScreenFeed& feed() { return feed_; }
    // Readable when a line about refused connections is due (takeNews).
    int descriptor() const;
    // That line, at most once a minute; empty when none.
    std::optional<translations::Wording> takeNews();
    // Where to open it: "http://127.0.0.1:8080/"; the PC's name for every address.
    const std::string& url() const { return url_; }

private:
    OperatorScreen();
    void route();

    ScreenFeed feed_;
    std::unique_ptr<httplib::Server> server_;
    int listening_ = -1;                // the server's socket
    std::string refusal_;               // what a screen turned away reads
    std::unique_ptr<ScreenGate> gate_;  // from the bind to after the server's end
    std::size_t maxStreams_ = 0;
    std::atomic<int> streams_{0};       // screens following the station now
    std::atomic<bool> running_{false};  // from the thread's start to its end
    std::thread thread_;
    std::string url_;
};

}  // namespace gimbalctl
