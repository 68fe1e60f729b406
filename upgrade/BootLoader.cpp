#include "upgrade/BootLoader.h"

#include <vector>

namespace upgrade {
namespace {

// The values of `line` filled into `pattern` (%1..%9 each standing for a
// value with no line feed), or none when the line is not one of its kind.
std::optional<std::vector<std::string>> valuesIn(const std::string& pattern,
                                                 const std::string& line) {
    std::vector<std::string> values;
    std::size_t p = 0, l = 0;
    while (p < pattern.size()) {
        const bool placeholder = pattern[p] == '%' && p + 1 < pattern.size() &&
                                 pattern[p + 1] >= '1' && pattern[p + 1] <= '9';
        if (!placeholder) {
            if (l >= line.size() || line[l] != pattern[p]) return std::nullopt;
            ++p, ++l;
            continue;
        }
        const std::size_t index = static_cast<std::size_t>(pattern[p + 1] - '1');
        p += 2;
        // The value runs to the first place the literal text after it begins.
        std::size_t literalEnd = pattern.find('%', p);
        const std::string literal =
            pattern.substr(p, literalEnd == std::string::npos ? std::string::npos : literalEnd - p);
        const std::size_t end = literal.empty() ? line.size() : line.find(literal, l);
        if (end == std::string::npos || end == l) return std::nullopt;
        if (values.size() <= index) values.resize(index + 1);
        values[index] = line.substr(l, end - l);
        l = end;
    }
    if (l != line.size()) return std::nullopt;
    return values;
}

}  // namespace

std::optional<translations::Wording> bootLoaderWording(const std::string& line) {
    for (const char* text : {kBootLoaderTryMessage, kBootLoaderFailedMessage}) {
        std::string pattern = text;
        // Found with or without its line feed.
        if (line.empty() || line.back() != '\n') pattern.pop_back();
        if (auto values = valuesIn(pattern, line)) return translations::Wording{text, *values};
    }
    return std::nullopt;
}

void BootLoaderWatch::beginTry() {
    upgrading_ = true;
    firstBlockAsked_ = laterBlockAsked_ = false;
    restart_ = false;
    lastAskOutsideUpgrade_.reset();
}

void BootLoaderWatch::endUpgrade() {
    upgrading_ = false;
    restart_ = false;
}

bool BootLoaderWatch::blockRequest(int gimbalId, int block, int updateRange, bool accepted,
                                   protocol::Millis now) {
    const std::optional<protocol::Millis> heardBefore = lastHeard_;
    lastHeard_ = now;
    if (!upgrading_) {
        lastAskOutsideUpgrade_ = now;
        return false;
    }
    if (!accepted) return false;
    // The board a gimbal asks for first: ID2 for a one-image file for ID2,
    // else ID3, which is also what a boot loader asks for.
    const int firstBoard = updateRange == 2 ? 2 : 3;
    if (block != 0 || (gimbalId != firstBoard && gimbalId != 3)) {
        laterBlockAsked_ = true;
        return false;
    }
    const bool afterSilence = heardBefore && now - *heardBefore >= kRestartSilenceMs;
    if (laterBlockAsked_ || (firstBlockAsked_ && afterSilence)) {
        restart_ = true;
        firstBlockAsked_ = laterBlockAsked_ = false;  // the restart's own ask opens the next try
        return true;
    }
    firstBlockAsked_ = true;
    return false;
}

bool BootLoaderWatch::takeRestart() {
    const bool seen = restart_;
    restart_ = false;
    return seen;
}

bool BootLoaderWatch::inBootLoader(protocol::Millis now) const {
    return !upgrading_ && lastAskOutsideUpgrade_ &&
           now - *lastAskOutsideUpgrade_ < kBootLoaderQuietMs;
}

}  // namespace upgrade
