#include "station/RecordSender.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

namespace gimbalctl {
namespace {

using namespace std::chrono_literals;

constexpr auto kFirstPause = 500ms;
constexpr auto kLongestPause = std::chrono::milliseconds(30s);
constexpr std::size_t kBatch = 500;                   // records a statement
constexpr std::size_t kReadAtMost = 8 * 1024 * 1024;  // journal bytes read at a time
constexpr auto kCancelGrace = 1s;  // for a cancelled statement to end, before the cut

// A journal line the database can take: a JSON object naming its station and
// its sequence number (lines from before the station had them are not sent).
bool sendable(const std::string& line) {
    const nlohmann::json record = nlohmann::json::parse(line, nullptr, false);
    return record.is_object() && record.contains("station") && record["station"].is_string() &&
           record.contains("sequence") && record["sequence"].is_number_unsigned();
}

}  // namespace

RecordSender::RecordSender(std::shared_ptr<JournalFile> journal, std::string conninfo,
                           std::unique_ptr<RecordDatabase> database, RecordDatabase::State state,
                           const std::string& why)
    : file_(std::move(journal)),
      cursorPath_(file_->path() + ".sent"),
      conninfo_(std::move(conninfo)),
      target_(connectionTarget(conninfo_)),
      database_(std::move(database)) {
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
        newsRead_.reset(ends[0]);
        newsWrite_.reset(ends[1]);
    }
    startFromCursor();
    waiting_ = readPending().pending.size();
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
    database_->cancel(true);
    if (thread_.joinable()) thread_.join();
}

// The cursor counts for this journal when the journal in effect at its offset
// is the one it names, and the offset ends a line; else the journal is sent
// from its start (the database keeps each record once).
void RecordSender::startFromCursor() {
    std::ifstream cursor(cursorPath_);
    std::size_t offset = 0;
    std::string journal;
    if (!(cursor >> offset) || offset == 0) return;
    cursor >> journal;  // none in a cursor from before journals had identities
    if (journal == "-") journal.clear();
    JournalHeader there;
    const int fd = file_->descriptor();
    if (offset <= file_->flushed() && readJournalAt(fd, offset - 1, 1) == "\n") {
        lastHeader(fd, offset, there);
        if (there.journal == journal) {
            offset_ = offset;
            header_ = there;
            return;
        }
    }
    tell({N_("%1: counted for journal %2, which is no longer at %3: records it had not sent stay "
             "in that journal; this one is sent from its start"),
          {cursorPath_, journal.empty() ? "(none)" : journal, file_->path()}});
}

void RecordSender::recorded() {
    {
        std::lock_guard lock(mutex_);
        fresh_ = true;
    }
    ++waiting_;
    wake_.notify_all();
}

std::vector<translations::Wording> RecordSender::takeNews() {
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
    if (done_.wait_for(lock, patience, [&] { return finished_; })) return waiting_;
    // A statement still waits (for a lock, a slow server): cancelled, then cut.
    stop_ = true;
    wake_.notify_all();
    database_->cancel(false);
    if (!done_.wait_for(lock, kCancelGrace, [&] { return finished_; })) database_->cancel(true);
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
    for (;;) {
        const std::shared_ptr<JournalFile> next = file_->next();  // before reading: then final
        const Reading reading = readPending();
        waiting_ = reading.pending.size();
        if (!reading.pending.empty()) {
            if (!database_->connected()) {
                std::string why;
                const RecordDatabase::State state = database_->connect(conninfo_, why);
                if (state != RecordDatabase::State::kReady) return trouble(why);
            }
            for (auto from = reading.pending.begin(); from != reading.pending.end();) {
                if (stop_) return false;
                // A batch is one journal's: it ends where the journal in effect changes.
                auto to = from + 1;
                while (to != reading.pending.end() && to - from < std::ptrdiff_t(kBatch) &&
                       to->record.journal == from->record.journal) {
                    ++to;
                }
                if (!sendBatch({from, to})) return false;
                waiting_ = static_cast<std::size_t>(reading.pending.end() - to);
                from = to;
            }
        }
        const bool progressed = reading.end != offset_;
        if (progressed) moveCursor(reading.end, reading.header);
        if (progressed && offset_ < file_->flushed()) continue;  // more than one reading holds
        if (offset_ < file_->flushed()) break;  // a line longer than a reading: never sent
        if (!next) break;
        // The station writes a new journal: this one is sent; the cursor follows.
        file_ = next;
        moveCursor(0, {});
    }
    if (outage_ && waiting_ == 0 && database_->connected()) {  // sent, not just nothing to send
        tell({N_("%1: taking records again; records waiting: %2"), {target_, "0"}});
        outage_ = false;
    }
    return waiting_ == 0;
}

bool RecordSender::sendBatch(const std::vector<Pending>& batch) {
    std::vector<OutgoingRecord> records;
    for (const Pending& one : batch) records.push_back(one.record);
    std::string why;
    std::vector<RecordClash> clashes;
    const RecordDatabase::State state = database_->insert(records, clashes, why);
    if (state == RecordDatabase::State::kBadRecord) return sendOneByOne(batch);
    if (state != RecordDatabase::State::kReady) return trouble(why);
    tellClashes(clashes);
    moveCursor(batch.back().end, {batch.back().record.journal, batch.back().record.station});
    return true;
}

// A batch the database refused for one of its records: each alone, and a
// record it cannot take is named and left to the journal.
bool RecordSender::sendOneByOne(const std::vector<Pending>& batch) {
    for (const Pending& one : batch) {
        std::string why;
        std::vector<RecordClash> clashes;
        const RecordDatabase::State state = database_->insert({one.record}, clashes, why);
        if (state == RecordDatabase::State::kBadRecord) {
            tell({N_("%1: a record the database cannot take stays in the journal only (%2, byte "
                     "%3): %4"),
                  {target_, file_->path(), std::to_string(one.end - one.record.line.size() - 1),
                   why}});
        } else if (state != RecordDatabase::State::kReady) {
            return trouble(why);
        }
        tellClashes(clashes);
        moveCursor(one.end, {one.record.journal, one.record.station});
    }
    return true;
}

// Records whose key the database holds with other content: one line for
// each batch, said the first time only (the database keeps them apart once).
void RecordSender::tellClashes(const std::vector<RecordClash>& clashes) {
    if (clashes.empty()) return;
    std::string keys;
    for (std::size_t k = 0; k < clashes.size() && k < 5; ++k) {
        keys += (k ? ", " : "") + std::to_string(clashes[k].sequence);
    }
    if (clashes.size() > 5) keys += ", …";
    if (clashes.size() == 1) {
        tell({N_("%1: 1 record of %2 (journal %3, sequence %4) differ from the ones the database "
                 "holds under the same key: kept apart in unit_conflicts"),
              {target_, file_->path(), clashes.front().journal, keys}});
    } else {
        tell({N_("%1: %2 records of %3 (journal %4, sequence %5) differ from the ones the "
                 "database holds under the same key: kept apart in unit_conflicts"),
              {target_, std::to_string(clashes.size()), file_->path(), clashes.front().journal,
               keys}});
    }
}

bool RecordSender::trouble(const std::string& why) {
    if (!outage_) {
        tell({N_("%1: %2; records waiting: %3 (kept in the journal, sent when the database takes "
                 "them)"),
              {target_, why, std::to_string(waiting_)}});
    }
    outage_ = true;
    return false;
}

void RecordSender::tell(translations::Wording news) {
    {
        std::lock_guard lock(newsMutex_);
        news_.push_back(std::move(news));
    }
    wakeStation();
}

void RecordSender::wakeStation() {
    const char one = 1;
    (void)!::write(newsWrite_.get(), &one, 1);
}

RecordSender::Reading RecordSender::readPending() {
    Reading reading{{}, offset_, header_};
    const std::size_t flushed = file_->flushed();
    if (flushed <= offset_) return reading;
    std::istringstream in(
        readJournalAt(file_->descriptor(), offset_, std::min(flushed - offset_, kReadAtMost)));
    for (std::string line; std::getline(in, line) && !in.eof();) {
        reading.end += line.size() + 1;
        if (readHeader(line, reading.header)) continue;
        if (sendable(line)) {
            reading.pending.push_back(
                {{line, reading.header.journal, reading.header.station}, reading.end});
        }
    }
    return reading;
}

// The cursor is replaced whole (a new file renamed over it), so a crash
// leaves the old one or the new one.
void RecordSender::moveCursor(std::size_t offset, const JournalHeader& header) {
    offset_ = offset;
    header_ = header;
    const std::string temporary = cursorPath_ + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << offset << ' ' << (header.journal.empty() ? "-" : header.journal) << '\n';
        if (out.flush() && std::rename(temporary.c_str(), cursorPath_.c_str()) == 0) return;
    }
    if (!cursorTold_) {
        tell({N_("%1: cannot be written; the records are sent again after a restart (the "
                 "database keeps each once)"),
              {cursorPath_}});
        cursorTold_ = true;
    }
}

std::unique_ptr<RecordSender> startRecordSender(std::shared_ptr<JournalFile> journal,
                                                const std::string& conninfo, std::string& error) {
    if (error = connectionStringProblem(conninfo); !error.empty()) return nullptr;
    if (!journal || !journal->regular()) {
        error = "--db needs a journal that is a file: " +
                (journal ? journal->path() : std::string("none")) +
                " is not a regular file (a pipe, a terminal or a device); give --log FILE";
        return nullptr;
    }
    auto database = std::make_unique<RecordDatabase>();
    std::string why;
    const RecordDatabase::State state = database->connect(conninfo, why);
    if (state == RecordDatabase::State::kWrongSchema) {
        error = connectionTarget(conninfo) + ": " + why;
        return nullptr;
    }
    return std::make_unique<RecordSender>(std::move(journal), conninfo, std::move(database), state,
                                          why);
}

}  // namespace gimbalctl
