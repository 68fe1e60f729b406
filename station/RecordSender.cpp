#include "station/RecordSender.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>

namespace gimbalctl {
namespace {

using namespace std::chrono_literals;

constexpr auto kFirstPause = 500ms;
constexpr auto kLongestPause = std::chrono::milliseconds(30s);
constexpr std::size_t kBatch = 500;  // records a statement

// A journal line the database can take: a JSON object naming its station and
// its sequence number (lines from before the station had them are not sent).
bool sendable(const std::string& line) {
    const nlohmann::json record = nlohmann::json::parse(line, nullptr, false);
    return record.is_object() && record.contains("station") && record["station"].is_string() &&
           record.contains("sequence") && record["sequence"].is_number_unsigned();
}

std::string waitingText(std::size_t count) { return "records waiting: " + std::to_string(count); }

}  // namespace

RecordSender::RecordSender(std::string journal, std::string conninfo, RecordDatabase database,
                           RecordDatabase::State state, const std::string& why)
    : journal_(std::move(journal)),
      cursorPath_(journal_ + ".sent"),
      conninfo_(std::move(conninfo)),
      target_(connectionTarget(conninfo_)),
      database_(std::move(database)) {
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
        newsRead_.reset(ends[0]);
        newsWrite_.reset(ends[1]);
    }
    std::ifstream cursor(cursorPath_);
    cursor >> offset_;
    waiting_ = readPending().size();
    if (state != RecordDatabase::State::kReady) {
        trouble(why);
        fresh_ = false;
        retryAt_ = Clock::now() + kFirstPause;
    }
    thread_ = std::thread([this] { run(); });
}

RecordSender::~RecordSender() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void RecordSender::recorded() {
    {
        std::lock_guard lock(mutex_);
        fresh_ = true;
    }
    ++waiting_;
    wake_.notify_all();
}

std::vector<std::string> RecordSender::takeNews() {
    char drain[64];
    while (::read(newsRead_.get(), drain, sizeof drain) > 0) {
    }
    std::lock_guard lock(newsMutex_);
    return std::exchange(news_, {});
}

std::size_t RecordSender::finish(std::chrono::milliseconds patience) {
    std::unique_lock lock(mutex_);
    finishing_ = true;
    fresh_ = true;
    wake_.notify_all();
    done_.wait_for(lock, patience, [&] { return finished_; });
    return waiting_;
}

void RecordSender::run() {
    std::unique_lock lock(mutex_);
    auto pause = std::chrono::milliseconds(kFirstPause);
    while (!stop_) {
        if (!fresh_ && Clock::now() < retryAt_) {
            if (finishing_) break;  // all sent, or the database does not take them now
            if (retryAt_ == Clock::time_point::max()) {
                wake_.wait(lock);
            } else {
                wake_.wait_until(lock, retryAt_);
            }
            continue;
        }
        fresh_ = false;
        lock.unlock();
        const bool sent = sendWaiting();
        wakeStation();  // the count of records waiting has moved
        lock.lock();
        if (sent) {
            pause = kFirstPause;
            retryAt_ = Clock::time_point::max();
        } else {
            retryAt_ = Clock::now() + pause;
            pause = std::min(pause * 2, kLongestPause);
        }
    }
    finished_ = true;
    done_.notify_all();
}

bool RecordSender::sendWaiting() {
    const std::vector<Pending> pending = readPending();
    waiting_ = pending.size();
    if (pending.empty()) return true;
    if (!database_.connected()) {
        std::string why;
        const RecordDatabase::State state = database_.connect(conninfo_, why);
        if (state != RecordDatabase::State::kReady) return trouble(why);
    }
    std::size_t sent = 0;
    for (auto from = pending.begin(); from != pending.end() && !stop_;) {
        const auto to =
            from + static_cast<std::ptrdiff_t>(std::min<std::size_t>(kBatch, pending.end() - from));
        const std::vector<Pending> batch(from, to);
        std::vector<std::string> records;
        for (const Pending& one : batch) records.push_back(one.record);
        std::string why;
        const RecordDatabase::State state = database_.insert(records, why);
        if (state == RecordDatabase::State::kBadRecord) {
            if (!sendOneByOne(batch)) return false;
        } else if (state != RecordDatabase::State::kReady) {
            return trouble(why);
        }
        moveCursor(batch.back().end);
        sent += batch.size();
        waiting_ = pending.size() - sent;
        from = to;
    }
    if (outage_ && waiting_ == 0) {
        tell(target_ + ": taking records again; " + waitingText(0));
        outage_ = false;
    }
    return waiting_ == 0;
}

// A batch the database refused for one of its records: each alone, and a
// record it cannot take is named and left to the journal.
bool RecordSender::sendOneByOne(const std::vector<Pending>& batch) {
    for (const Pending& one : batch) {
        std::string why;
        const RecordDatabase::State state = database_.insert({one.record}, why);
        if (state == RecordDatabase::State::kBadRecord) {
            tell(target_ + ": a record the database cannot take stays in the journal only (" +
                 journal_ + ", byte " + std::to_string(one.end - one.record.size() - 1) +
                 "): " + why);
        } else if (state != RecordDatabase::State::kReady) {
            return trouble(why);
        }
        moveCursor(one.end);
    }
    return true;
}

bool RecordSender::trouble(const std::string& why) {
    if (!outage_) {
        tell(target_ + ": " + why + "; " + waitingText(waiting_) +
             " (kept in the journal, sent when the database takes them)");
    }
    outage_ = true;
    return false;
}

void RecordSender::tell(const std::string& news) {
    {
        std::lock_guard lock(newsMutex_);
        news_.push_back(news);
    }
    wakeStation();
}

void RecordSender::wakeStation() {
    const char one = 1;
    (void)!::write(newsWrite_.get(), &one, 1);
}

std::vector<RecordSender::Pending> RecordSender::readPending() {
    std::ifstream in(journal_, std::ios::binary | std::ios::ate);
    const auto size = static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0));
    if (offset_ > size) offset_ = 0;  // another journal now: resending is harmless
    in.seekg(static_cast<std::streamoff>(offset_));
    std::vector<Pending> pending;
    std::size_t end = offset_;
    for (std::string line; std::getline(in, line) && !in.eof();) {
        end += line.size() + 1;
        if (sendable(line)) pending.push_back({line, end});
    }
    if (pending.empty() && end != offset_) moveCursor(end);  // nothing to send before here
    return pending;
}

// The cursor is replaced whole (a new file renamed over it), so a crash
// leaves the old one or the new one.
void RecordSender::moveCursor(std::size_t offset) {
    offset_ = offset;
    const std::string temporary = cursorPath_ + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << offset << '\n';
        if (out.flush() && std::rename(temporary.c_str(), cursorPath_.c_str()) == 0) return;
    }
    if (!cursorTold_) {
        tell(cursorPath_ +
             ": cannot be written; the records are sent again after a restart "
             "(the database keeps each once)");
        cursorTold_ = true;
    }
}

std::unique_ptr<RecordSender> startRecordSender(const std::string& journal,
                                                const std::string& conninfo, std::string& error) {
    if (error = connectionStringProblem(conninfo); !error.empty()) return nullptr;
    RecordDatabase database;
    std::string why;
    const RecordDatabase::State state = database.connect(conninfo, why);
    if (state == RecordDatabase::State::kWrongSchema) {
        error = connectionTarget(conninfo) + ": " + why;
        return nullptr;
    }
    return std::make_unique<RecordSender>(journal, conninfo, std::move(database), state, why);
}

}  // namespace gimbalctl
