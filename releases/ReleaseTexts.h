#pragma once
// What the window and the page show of the maker's releases, written once so
// that both faces say the same: a listed release, the line once a release's
// file is loaded, the line when the cached catalogue serves.

#include <string>

#include "releases/Catalogue.h"

namespace releases {

// What the page adds to "no release key is trusted": where its keys are.
inline constexpr const char* kPageAddKeyHint =
    ": add the maker's public key file (.pub) to trusted-keys.pub beside the page";

// A release as the lists show it: "2.010 (2026-12-01, stable): notes", the
// notes on one line.
inline std::string releaseListLabel(const Release& release) {
    std::string notes = release.notes;
    for (char& c : notes) {
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    }
    return release.version + " (" + release.date + ", " + release.channel + ")" +
           (notes.empty() ? "" : ": " + notes);
}

// The line written after a release's file was loaded as a chosen file is,
// begun as the file's own lines are.
inline std::string releaseLoadedLine(const Release& release, const std::string& keyNumberHex,
                                     const std::string& keyComment) {
    return "\r\nRelease " + release.version + " (" + release.date + ", " + release.channel +
           "), signed by key " + keyNumberHex + " (" + keyComment + ")";
}

// "offline: releases as of <published>", the line a face shows when the
// source cannot be reached and the cached catalogue serves.
inline constexpr const char* kOfflineLine = N_("offline: releases as of %1");
inline std::string offlineLine(const Catalogue& catalogue) {
    return translations::filledIn(kOfflineLine, {catalogue.published});
}

}  // namespace releases
