#pragma once
// The release catalogue: releases.json in a release folder, beside its
// signature (releases.json.sig) and the firmware files it names.
//
//   {"format": 1, "serial": 7, "published": "2026-12-08T15:00:00Z",
//    "releases": [{"version": "2.010", "date": "2026-12-01", "channel": "stable",
//                  "notes": "...", "files": [{"name": "gimbal-2.010.plov",
//                                             "size": 12345, "sha256": "<64 hex>"}]}]}
//
// Parsing and the rules on it, with no I/O: every face (gimbalctl, the
// window, the page) judges a catalogue and its files alike. The face fetches
// the bytes, computes SHA-256 and checks the signature (Trust.h) first.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "translations/Marked.h"

namespace releases {

// Fetching stops past these sizes: a catalogue, and one firmware file (the
// same limit as a chosen file's).
inline constexpr std::size_t kMaxCatalogueSize = 1u << 20;
inline constexpr std::size_t kMaxReleaseFileSize = 16u << 20;

inline constexpr const char* kCatalogueName = "releases.json";
inline constexpr const char* kSignatureName = "releases.json.sig";

struct ReleaseFile {
    std::string name;  // a plain file name beside the catalogue (no folders)
    std::uint64_t size = 0;
    std::string sha256;  // 64 lower-case hexadecimal digits
};

struct Release {
    std::string version;             // as the gimbal reports it, "2.010"
    std::string date;                // as the maker wrote it, "2026-12-01"
    std::string channel;             // "stable" or "beta"
    std::string notes;               // free text, may hold line breaks
    std::vector<ReleaseFile> files;  // at least one
};

struct Catalogue {
    std::int64_t serial = 0;        // raised at each publication, never lower
    std::string published;          // UTC, as the maker wrote it ("offline: releases as of ...")
    std::vector<Release> releases;  // newest first (sortNewestFirst)
};

struct ParsedCatalogue {
    std::optional<Catalogue> catalogue;
    std::string error;  // one line when `catalogue` is none
};

// The catalogue in `text`, its releases newest first. Refused with one line
// naming the fault: not JSON, a format other than 1, a field missing or of
// the wrong type ("release 2.010: \"channel\" is missing"), a channel other
// than stable or beta, a version not written as the gimbal reports it
// (firmware::parseVersion), a SHA-256 that is not 64 hex digits, a size of 0 or
// over kMaxReleaseFileSize, a file name with a folder in it, a version
// listed twice. Fields the format does not name are ignored.
ParsedCatalogue parseCatalogue(std::string_view text);

// The catalogue as releases.json (format 1, two-space indent, newest first),
// for `gimbalctl publish`. parseCatalogue reads it back unchanged.
std::string catalogueText(const Catalogue& catalogue);

// A name that stays in the release folder on every system: not empty, not
// "." or "..", no / \ : and no control characters.
bool isPlainFileName(std::string_view name);
// Whether `text` is well-formed UTF-8 (JSON carries nothing else).
bool isUtf8(std::string_view text);

// Versions compare as their two numbers, whole part first: "2.010" after
// "2.009", "10.000" after "9.000". A text that is no version is older than any.
bool isNewer(std::string_view version, std::string_view than);

// Sorts the releases newest version first.
void sortNewestFirst(std::vector<Release>& releases);

// `wanted` is a version or "latest" (the newest stable release). Returns the
// release, or none with one line in `error` ("no release 2.011 in the
// catalogue (releases: 2.010, 2.009)", "no stable release in the catalogue").
const Release* chooseRelease(const Catalogue& catalogue, std::string_view wanted,
                             std::string& error);

// The release's file named `name`, or its only file when `name` is empty.
// None with one line in `error` when there is no such file, or several and
// none named.
const ReleaseFile* chooseFile(const Release& release, std::string_view name, std::string& error);

// Why fetched bytes are not the catalogue's file, or empty when they are:
// "gimbal-2.010.plov: 12000 bytes where the catalogue says 12345", or the
// same for the SHA-256 (both digests named). `sha256Hex` is the face's
// digest of the bytes, in any case.
std::string fileMismatch(const ReleaseFile& file, std::uint64_t size, std::string_view sha256Hex);

// Why upgrading a gimbal that runs `running` to `release` is a downgrade, or
// empty when it is not (or the running version is unknown, empty):
// "release 2.009 is a downgrade from 2.010, the version the gimbal runs".
std::string downgradeRefusal(std::string_view release, std::string_view running);
inline constexpr const char* kDowngradeRefusal =
    N_("release %1 is a downgrade from %2, the version the gimbal runs");

}  // namespace releases
