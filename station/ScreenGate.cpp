#include "station/ScreenGate.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace gimbalctl {
namespace {

// The whole answer to a connection the gate turns away.
std::string refusalResponse(const std::string& words) {
    return "HTTP/1.1 503 Service Unavailable\r\nContent-Type: text/plain; charset=utf-8\r\n"
           "Connection: close\r\nContent-Length: " +
           std::to_string(words.size()) + "\r\n\r\n" + words;
}

}  // namespace

ScreenGate::ScreenGate(std::size_t limit, int listening, const std::string& refusal)
    : limit_(limit), listening_(listening), refusal_(refusalResponse(refusal)) {
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
        wake_[0].reset(ends[0]);
        wake_[1].reset(ends[1]);
    }
    for (std::size_t k = 0; k < limit_; ++k) workers_.emplace_back([this] { serve(); });
    refuser_ = std::thread([this] { refuse(); });
}

ScreenGate::~ScreenGate() { shutdown(); }

void ScreenGate::enqueue(std::function<void()> job) {
    std::unique_lock lock(mutex_);
    const uint64_t number = ++jobsGiven_;
    noteAccepted(number);
    job = [this, number, served = std::move(job)] {
        served();
        const std::lock_guard done(mutex_);
        connections_.erase(number);  // the server has closed it
    };
    while (busy_ >= limit_ && !stopping_) {
        full_ = true;
        changed_.notify_all();
        changed_.wait(lock);
    }
    full_ = false;
    jobs_.push_back(std::move(job));
    ++busy_;
    changed_.notify_all();
}

void ScreenGate::shutdown() {
    {
        const std::lock_guard lock(mutex_);
        if (stopping_) return;
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& worker : workers_) worker.join();
    refuser_.join();
}

void ScreenGate::serve() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return !jobs_.empty() || stopping_; });
            if (jobs_.empty()) return;  // stopping, every job done
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
        const std::lock_guard lock(mutex_);
        --busy_;
        changed_.notify_all();
    }
}

void ScreenGate::noteAccepted(uint64_t job) {
    sockaddr_storage own{};
    socklen_t size = sizeof own;
    if (::getsockname(listening_, reinterpret_cast<sockaddr*>(&own), &size) != 0) return;
    const auto portOf = [](const sockaddr_storage& a) {
        return a.ss_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6&>(a).sin6_port
                                       : reinterpret_cast<const sockaddr_in&>(a).sin_port;
    };
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ignored)) {
        const int fd = std::atoi(entry.path().filename().c_str());
        struct stat info {};
        if (fd == listening_ || ::fstat(fd, &info) != 0 || !S_ISSOCK(info.st_mode)) continue;
        const bool known =
            std::any_of(connections_.begin(), connections_.end(),
                        [&](const auto& c) { return c.second.inode == info.st_ino; });
        sockaddr_storage local{}, peer{};
        socklen_t localSize = sizeof local, peerSize = sizeof peer;
        if (known || ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) != 0 ||
            local.ss_family != own.ss_family || portOf(local) != portOf(own) ||
            ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) != 0) {
            continue;
        }
        char host[NI_MAXHOST] = {}, service[NI_MAXSERV] = {};
        ::getnameinfo(reinterpret_cast<sockaddr*>(&peer), peerSize, host, sizeof host, service,
                      sizeof service, NI_NUMERICHOST | NI_NUMERICSERV);
        connections_[job] = {fd, info.st_ino, std::string(host) + ":" + service,
                             std::chrono::steady_clock::now(), false};
    }
}

void ScreenGate::requestArrived(const std::string& peer) {
    const std::lock_guard lock(mutex_);
    for (auto& [job, connection] : connections_) {
        if (connection.peer == peer) connection.requested = true;
    }
}

void ScreenGate::requestAnswered(const std::string& peer, bool streaming) {
    if (streaming) return;
    const std::lock_guard lock(mutex_);
    for (auto& [job, connection] : connections_) {
        if (connection.peer != peer) continue;
        connection.since = std::chrono::steady_clock::now();
        connection.requested = false;
    }
}

void ScreenGate::shutDownLate(std::chrono::steady_clock::time_point now) {
    const std::lock_guard lock(mutex_);
    for (auto& [job, connection] : connections_) {
        if (connection.requested || now - connection.since < kRequestDeadline) continue;
        struct stat info {};
        if (::fstat(connection.fd, &info) == 0 && info.st_ino == connection.inode) {
            ::shutdown(connection.fd, SHUT_RDWR);  // its read fails: the server closes it
        }
        connection.requested = true;  // once
    }
}

void ScreenGate::refuse() {
    for (;;) {
        tellLater(std::chrono::steady_clock::now());
        shutDownLate(std::chrono::steady_clock::now());
        {
            std::unique_lock lock(mutex_);
            changed_.wait_for(lock, std::chrono::milliseconds(200),
                              [this] { return full_ || stopping_; });
            if (stopping_) return;
            if (!full_) continue;
        }
        pollfd waiting{listening_, POLLIN, 0};
        if (::poll(&waiting, 1, 200) <= 0 || !(waiting.revents & POLLIN)) continue;
        {
            const std::lock_guard lock(mutex_);
            if (!full_ || stopping_) continue;  // the server accepts again
        }
        const int fd = ::accept4(listening_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            // Out of descriptors (or a connection reset before it was taken):
            // the connection waits in the queue for a moment.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        [[maybe_unused]] const ssize_t sent =
            ::send(fd, refusal_.data(), refusal_.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        ::close(fd);
        const std::lock_guard lock(newsMutex_);
        ++refused_;
    }
}

// A line is due once there are refusals and none was told in the last minute.
void ScreenGate::tellLater(std::chrono::steady_clock::time_point now) {
    const std::lock_guard lock(newsMutex_);
    if (refused_ == 0 || (toldOnce_ && now - toldAt_ < kTellEvery)) return;
    toldOnce_ = true;
    toldAt_ = now;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake_[1].get(), &byte, 1);
}

std::optional<translations::Wording> ScreenGate::takeNews() {
    char drained[64];
    while (::read(wake_[0].get(), drained, sizeof drained) > 0) {
    }
    const std::lock_guard lock(newsMutex_);
    if (refused_ == 0) return {};
    translations::Wording line =
        refused_ == 1
            ? translations::Wording{N_("the operator's screen refused 1 connection beyond the %1 "
                                       "it serves at once."),
                                    {std::to_string(limit_)}}
            : translations::Wording{N_("the operator's screen refused %1 connections beyond the "
                                       "%2 it serves at once."),
                                    {std::to_string(refused_), std::to_string(limit_)}};
    refused_ = 0;
    return line;
}

GateHandle::~GateHandle() = default;

}  // namespace gimbalctl
