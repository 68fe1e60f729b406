#include "upgrade/BootLoader.h"

#include <vector>

#include "translations/FilledText.h"

namespace upgrade {

std::optional<translations::Wording> bootLoaderWording(const std::string& line) {
    for (const char* text : {kBootLoaderTryMessage, kBootLoaderFailedMessage}) {
        std::string pattern = text;
        // Found with or without its line feed.
        if (line.empty() || line.back() != '\n') pattern.pop_back();
        std::vector<std::string> values;
        if (translations::filledInFrom(pattern.c_str(), line, values)) {
            return translations::Wording{text, values};
        }
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
