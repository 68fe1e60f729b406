#include "station/OperatorScreen.h"

#include <fcntl.h>
#include <httplib.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "station/ScreenGate.h"
#include "station/screen/ScreenFiles.h"

namespace gimbalctl {
namespace {

using Clock = std::chrono::steady_clock;

// Connections served at once, each on a thread that mostly sleeps; those
// beyond are refused at once (ScreenGate.h). Fewer when the descriptors
// left beside the units' reserve are fewer.
constexpr std::size_t kMostConnections = 110;
constexpr rlim_t kDescriptorsForUnits = 256;
constexpr std::size_t kLeastConnections = 4;
// A stream sends at least this often, so a page notices a station gone...
constexpr auto kBeat = std::chrono::seconds(1);
// ...and a new state at most this often: a burst of progress becomes one.
constexpr auto kLeastBetweenStates = std::chrono::milliseconds(100);

std::string millisecondsNow() {
    return std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count());
}

// The host as a URL or a message shows it: in brackets when it is an IPv6 address.
std::string hostText(const std::string& host) {
    return host.find(':') == std::string::npos ? host : "[" + host + "]";
}

// Where to open the screen: a wildcard address is every address of this
// PC, which other PCs reach by its name.
std::string urlOf(const ServeAddress& address) {
    std::string host = address.host;
    if (host == "0.0.0.0" || host == "::") {
        char name[256] = {};
        host = ::gethostname(name, sizeof name - 1) == 0 && name[0] ? name : "localhost";
    }
    return "http://" + hostText(host) + ":" + std::to_string(address.port) + "/";
}

// The listening socket: its address free again as soon as a station ends
// (no second station on it at the same time), and not passed to the units'
// processes.
void listeningSocketOptions(int socket) {
    const int yes = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    ::fcntl(socket, F_SETFD, FD_CLOEXEC);
}

// What the descriptor limit leaves the screen once the units have their reserve.
std::size_t connectionLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return kMostConnections;
    }
    const rlim_t left =
        limit.rlim_cur > kDescriptorsForUnits ? limit.rlim_cur - kDescriptorsForUnits : 0;
    return std::clamp<std::size_t>(left, kLeastConnections, kMostConnections);
}

}  // namespace

std::optional<ServeAddress> parseServeAddress(const std::string& text, std::string& error) {
    ServeAddress address{"127.0.0.1", 0};
    std::string port = text;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find("]:");
        if (close == std::string::npos) {
            error = "--serve " + text + ": an IPv6 address is written [ADDRESS]:PORT";
            return std::nullopt;
        }
        address.host = text.substr(1, close - 1);
        port = text.substr(close + 2);
    } else if (const std::size_t colon = text.rfind(':'); colon != std::string::npos) {
        address.host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (address.host.find(':') != std::string::npos) {
            error = "--serve " + text + ": an IPv6 address is written [ADDRESS]:PORT";
            return std::nullopt;
        }
    }
    if (address.host.empty()) {
        error = "--serve " + text + ": no address before the colon (PORT alone serves 127.0.0.1)";
        return std::nullopt;
    }
    const bool digits = !port.empty() && port.size() <= 5 &&
                        port.find_first_not_of("0123456789") == std::string::npos;
    if (!digits || std::stoi(port) > 65535) {
        error = "--serve " + text + ": the port is a number from 1 to 65535 (0: any free port)";
        return std::nullopt;
    }
    address.port = std::stoi(port);
    return address;
}

OperatorScreen::OperatorScreen() : server_(std::make_unique<httplib::Server>()) {}

std::unique_ptr<OperatorScreen> OperatorScreen::start(const std::string& text, std::string& error,
                                                      const std::string& refusal) {
    std::optional<ServeAddress> address = parseServeAddress(text, error);
    if (!address) return nullptr;
    std::unique_ptr<OperatorScreen> screen(new OperatorScreen);
    httplib::Server& server = *screen->server_;
    OperatorScreen* self = screen.get();
    server.set_socket_options([self](int socket) {
        listeningSocketOptions(socket);
        self->listening_ = socket;
    });
    // A connection a browser keeps for later is let go after 2 s idle between
    // requests, and one that sends or takes nothing holds a thread for a few
    // seconds at most; one whose request trickles in is shut down by the gate.
    server.set_keep_alive_timeout(2);
    server.set_read_timeout(3);
    server.set_write_timeout(3);
    server.set_payload_max_length(4096);
    screen->route();

    errno = 0;
    const bool bound = address->port == 0
                           ? (address->port = server.bind_to_any_port(address->host)) > 0
                           : server.bind_to_port(address->host, address->port);
    if (!bound) {
        const std::string where =
            hostText(address->host) + (address->port ? ":" + std::to_string(address->port) : "");
        error = translations::filledIn(
            N_("--serve %1: cannot listen on %2: %3"),
            {text, where, errno ? std::strerror(errno) : N_("not an address of this PC")});
        return nullptr;
    }
    screen->url_ = urlOf(*address);
    const std::size_t connections = connectionLimit();
    // Streams mostly: a few connections are left for the page's files.
    screen->maxStreams_ = connections > 20 ? connections - 10 : connections / 2;
    screen->refusal_ = refusal;
    screen->gate_ = std::make_unique<ScreenGate>(connections, screen->listening_, refusal);
    server.new_task_queue = [self] { return new GateHandle(*self->gate_); };
    screen->running_ = true;
    screen->thread_ = std::thread([self] {
        self->server_->listen_after_bind();
        self->running_ = false;
    });
    return screen;
}

OperatorScreen::~OperatorScreen() {
    feed_.close();  // every stream ends, freeing its thread
    // stop() holds only once the server runs: it may not have started yet.
    while (running_ && !server_->is_running()) std::this_thread::yield();
    server_->stop();
    if (thread_.joinable()) thread_.join();
    if (gate_) gate_->shutdown();  // when the server never ran
}

int OperatorScreen::descriptor() const { return gate_ ? gate_->descriptor() : -1; }

std::optional<translations::Wording> OperatorScreen::takeNews() {
    return gate_ ? gate_->takeNews() : std::nullopt;
}

void OperatorScreen::route() {
    // A request read whole: its connection is no longer held to the deadline for one,
    // until it is answered (a keep-alive connection's next request has its own).
    const auto peerOf = [](const httplib::Request& request) {
        return request.remote_addr + ":" + std::to_string(request.remote_port);
    };
    server_->set_pre_routing_handler(
        [this, peerOf](const httplib::Request& request, httplib::Response&) {
            if (gate_) gate_->requestArrived(peerOf(request));
            return httplib::Server::HandlerResponse::Unhandled;
        });
    server_->set_post_routing_handler(
        [this, peerOf](const httplib::Request& request, httplib::Response& response) {
            const bool streaming = response.get_header_value("Content-Type") == "text/event-stream";
            if (gate_) gate_->requestAnswered(peerOf(request), streaming);
        });
    server_->set_default_headers(
        {{"Cache-Control", "no-cache"},
         {"X-Content-Type-Options", "nosniff"},
         {"Referrer-Policy", "no-referrer"},
         {"Content-Security-Policy",
          "default-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'"}});

    // The station's state as it changes, with a beat between.
    server_->Get("/events", [this](const httplib::Request&, httplib::Response& response) {
        if (++streams_ > static_cast<int>(maxStreams_)) {
            --streams_;
            response.status = 503;
            response.set_content(refusal_, "text/plain; charset=utf-8");
            return;
        }
        response.set_header("Cache-Control", "no-store");
        auto seen = std::make_shared<std::uint64_t>(0);
        response.set_chunked_content_provider(
            "text/event-stream",
            [this, seen](std::size_t, httplib::DataSink& sink) {
                std::string event = *seen == 0 ? "retry: 1000\n" : "";
                const Clock::time_point now = Clock::now();
                if (const auto state = feed_.newerThan(*seen, now + kBeat)) {
                    *seen = state->version;
                    event += "event: state\ndata: {\"now\":" + millisecondsNow() +
                             ",\"state\":" + state->json + "}\n\n";
                } else if (feed_.closed()) {
                    sink.done();
                    return true;
                } else {
                    event += "event: beat\ndata: {\"now\":" + millisecondsNow() + "}\n\n";
                }
                if (!sink.write(event.data(), event.size())) return false;
                feed_.sleepUntil(now + kLeastBetweenStates);
                return true;
            },
            [this](bool) { --streams_; });
    });

    // The page's own files; "/" is the page.
    server_->Get(R"(/[^/]*)", [](const httplib::Request& request, httplib::Response& response) {
        const std::string path = request.path == "/" ? "/index.html" : request.path;
        for (const ScreenFile& file : screenFiles()) {
            if (file.path != path) continue;
            response.set_content(reinterpret_cast<const char*>(file.bytes.data()),
                                 file.bytes.size(), std::string(file.type));
            return;
        }
        response.status = 404;
    });
    server_->set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (!response.body.empty()) return;
        response.set_content("Not here: the station's screen is at /, and it only shows.\n",
                             "text/plain; charset=utf-8");
    });
}

}  // namespace gimbalctl
