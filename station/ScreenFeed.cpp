#include "station/ScreenFeed.h"

#include <nlohmann/json.hpp>

#include "unitupgrade/Upgrade.h"
#include "upgrade/BootLoader.h"
#include "upgrade/FirmwareVariables.h"

namespace gimbalctl {
namespace {

std::int64_t millisecondsNow() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

nlohmann::json countOrNull(const std::optional<int>& count) {
    return count ? nlohmann::json(*count) : nlohmann::json(nullptr);
}

nlohmann::json verdictJson(const UnitVerdict& verdict) {
    return {{"word", verdict.word},       {"passed", verdict.passed},
            {"status", verdict.status},   {"statusWord", verdict.statusWord},
            {"result", verdict.result},   {"detail", verdict.detail},
            {"seconds", verdict.seconds}, {"bootLoader", verdict.bootLoader}};
}

// The board after the one a "-----IDk Upgrade complete-----" line reports;
// the boards are served from ID3 down to ID1. 0 for any other line.
int boardAfter(const std::string& line) {
    const std::string head = "-----ID", tail = " Upgrade complete-----";
    if (line.size() != head.size() + 1 + tail.size() || line.compare(0, head.size(), head) != 0 ||
        line.compare(head.size() + 1, tail.size(), tail) != 0) {
        return 0;
    }
    const int board = line[head.size()] - '0';
    return board >= 2 && board <= 3 ? board - 1 : 0;
}

}  // namespace

void ScreenFeed::firmware(const std::string& name, const std::string& version,
                          const std::string& sha256) {
    const std::lock_guard lock(mutex_);
    firmwareName_ = name, firmwareVersion_ = version, firmwareSha256_ = sha256;
    // A single image for ID2 starts there; every other file starts with ID3.
    firstBoard_ = firmwareVariables().update_range == 2 ? 2 : 3;
    changed();
}

void ScreenFeed::unitStarted(const std::string& slot) {
    const std::lock_guard lock(mutex_);
    Tile& started = tile(slot);
    started.state = "upgrading";
    started.board = "ID" + std::to_string(firstBoard_);
    started.progress = started.maximum = 0;
    started.since = millisecondsNow();
    started.bootLoader = false;
    started.verdict = {};
    changed();
}

void ScreenFeed::unitMessage(const std::string& slot, const std::string& line) {
    // Found in its boot loader, or restarted into it: the tile says so from now on.
    if (line == kFoundInBootLoader || upgrade::bootLoaderWording(line)) {
        const std::lock_guard lock(mutex_);
        tile(slot).bootLoader = true;
        changed();
        return;
    }
    const int next = boardAfter(line);
    if (next == 0) return;
    const std::lock_guard lock(mutex_);
    tile(slot).board = "ID" + std::to_string(next);
    changed();
}

void ScreenFeed::unitProgress(const std::string& slot, int value, int maximum) {
    const std::lock_guard lock(mutex_);
    Tile& moved = tile(slot);
    if (moved.progress == value && moved.maximum == maximum) return;
    moved.progress = value, moved.maximum = maximum;
    changed();
}

void ScreenFeed::unitFinished(const UnitVerdict& verdict) {
    const std::lock_guard lock(mutex_);
    Tile& ended = tile(verdict.slot);
    ended.state = verdict.passed ? "passed" : "failed";
    ended.since = millisecondsNow();
    ended.bootLoader = ended.bootLoader || verdict.bootLoader;
    ended.verdict = verdict;
    recent_.push_front({ended.since, ended.label, verdict});
    if (recent_.size() > kRecentUnits) recent_.pop_back();
    changed();
}

void ScreenFeed::tallyChanged(const StationTally& tally) {
    const std::lock_guard lock(mutex_);
    tally_ = tally;
    changed();
}

void ScreenFeed::stopping() {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
    changed();
}

void ScreenFeed::addSlot(const std::string& slot, const std::string& label) {
    const std::lock_guard lock(mutex_);
    tile(slot).label = label.empty() ? slot : label;
    changed();
}

void ScreenFeed::setRecordsWaiting(int count) {
    const std::lock_guard lock(mutex_);
    if (recordsWaiting_ == count) return;
    recordsWaiting_ = count;
    changed();
}

std::optional<ScreenFeed::Snapshot> ScreenFeed::newerThan(
    std::uint64_t seen, std::chrono::steady_clock::time_point until) {
    std::unique_lock lock(mutex_);
    if (!changes_.wait_until(lock, until, [&] { return closed_ || version_ > seen; }) || closed_) {
        return std::nullopt;
    }
    return Snapshot{version_, toJson()};
}

void ScreenFeed::sleepUntil(std::chrono::steady_clock::time_point until) {
    std::unique_lock lock(mutex_);
    changes_.wait_until(lock, until, [&] { return closed_; });
}

void ScreenFeed::close() {
    {
        const std::lock_guard lock(mutex_);
        closed_ = true;
    }
    changes_.notify_all();
}

bool ScreenFeed::closed() const {
    const std::lock_guard lock(mutex_);
    return closed_;
}

ScreenFeed::Tile& ScreenFeed::tile(const std::string& slot) {
    const auto [found, added] = tiles_.try_emplace(slot);
    if (added) found->second.label = slot;
    return found->second;
}

void ScreenFeed::changed() {
    ++version_;
    changes_.notify_all();
}

std::string ScreenFeed::toJson() const {
    if (jsonVersion_ == version_) return json_;
    nlohmann::json slots = nlohmann::json::array();
    for (const auto& [slot, tile] : tiles_) {
        nlohmann::json shown = {{"slot", slot},
                                {"label", tile.label},
                                {"state", tile.state},
                                {"since", tile.since},
                                {"board", tile.board},
                                {"progress", tile.progress},
                                {"maximum", tile.maximum},
                                {"bootLoader", tile.bootLoader}};
        if (tile.state == "passed" || tile.state == "failed") {
            shown.update(verdictJson(tile.verdict));
            shown["bootLoader"] = tile.bootLoader;
        }
        slots.push_back(std::move(shown));
    }
    nlohmann::json recent = nlohmann::json::array();
    for (const Finished& unit : recent_) {
        nlohmann::json shown = verdictJson(unit.verdict);
        shown["at"] = unit.at;
        shown["label"] = unit.label;
        recent.push_back(std::move(shown));
    }
    const nlohmann::json state = {
        {"stopping", stopping_},
        {"firmware",
         {{"name", firmwareName_}, {"version", firmwareVersion_}, {"sha256", firmwareSha256_}}},
        {"tally",
         {{"upgraded", tally_.upgraded},
          {"verified", countOrNull(tally_.verified)},
          {"failed", tally_.failed},
          {"skipped", countOrNull(tally_.skipped)},
          {"recordsWaiting", countOrNull(recordsWaiting_)}}},
        {"slots", std::move(slots)},
        {"recent", std::move(recent)}};
    // Port names need not be UTF-8: their stray bytes become U+FFFD.
    json_ = state.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    jsonVersion_ = version_;
    return json_;
}

}  // namespace gimbalctl
