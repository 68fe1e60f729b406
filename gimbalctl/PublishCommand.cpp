// gimbalctl publish DIR: the release catalogue for the firmware files in a
// folder, for the maker to sign with signify-openbsd and serve as it is.
// Each file is loaded as the tool loads a chosen file (a refused one stops
// it); the file's version names its release; a release's notes are its
// files' NAME.notes (the firmware file's name with .notes for its kind);
// date and channel stay as the catalogue already there has them (new
// releases: today, stable), and its serial is raised.

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "gimbalctl/Commands.h"
#include "platform/TimeText.h"
#include "releases/Catalogue.h"
#include "unitupgrade/FirmwareLoading.h"
#include "unitupgrade/Output.h"
#include "unitupgrade/Releases.h"
#include "unitupgrade/Sha256.h"
#include "unitupgrade/Translation.h"

namespace gimbalctl {

namespace {

namespace fs = std::filesystem;

bool isFirmwareName(const fs::path& path) {
    const std::string kind = path.extension().string();
    return kind == ".plov" || kind == ".1plov" || kind == ".2plov" || kind == ".3plov";
}

// A word for a shell: as it is when it holds nothing a shell reads, else in single quotes.
std::string shellWord(const std::string& word) {
    const bool plain = !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || std::strchr("_-./+,:=@%", c);
    });
    if (plain) return word;
    std::string quoted = "'";
    for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The name with each byte that is not printable ASCII as \xNN, for a name that is not UTF-8.
std::string escapedName(const std::string& name) {
    std::string shown;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
        shown += byte >= 0x20 && byte < 0x7F ? std::string(1, c) : std::string(escaped);
    }
    return shown;
}

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

int runPublish(const std::string& folder, bool json) {
    const nlohmann::json context = {{"command", "publish"}, {"folder", folder}};
    const fs::path cataloguePath = fs::path(folder) / releases::kCatalogueName;
    std::error_code error;
    std::vector<fs::path> names;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (entry.is_regular_file() && isFirmwareName(entry.path())) names.push_back(entry.path());
    }
    if (error) {
        printFailure(json, context, folder + ": " + error.message());
        return kBadInput;
    }
    if (names.empty()) {
        printFailure(json, context, N_("%1: no firmware files (.plov, .1plov, .2plov, .3plov)"),
                     {folder});
        return kBadInput;
    }
    std::sort(names.begin(), names.end());

    releases::Catalogue before;
    if (fs::exists(cataloguePath)) {
        const auto parsed = releases::parseCatalogue(readText(cataloguePath));
        if (!parsed.catalogue) {
            printFailure(json, context, cataloguePath.string() + ": " + parsed.error);
            return kBadInput;
        }
        before = *parsed.catalogue;
    }
    const auto earlier = [&](const std::string& version) -> const releases::Release* {
        for (const releases::Release& release : before.releases) {
            if (release.version == version) return &release;
        }
        return nullptr;
    };

    // A name the tools would refuse in the catalogue is refused before anything is written.
    for (const fs::path& path : names) {
        const std::string name = path.filename().string();
        if (!releases::isUtf8(name)) {
            printFailure(json, context, N_("%1: the file name %2 is not UTF-8: rename the file"),
                         {folder, escapedName(name)});
            return kRefusedFile;
        }
        if (!releases::isPlainFileName(name)) {
            printFailure(json, context,
                         N_("%1: the file name %2 has a character a release file may not have "
                            "(/ \\ : or a control character): rename the file"),
                         {folder, name});
            return kRefusedFile;
        }
    }

    const std::time_t now = std::time(nullptr);
    std::map<std::string, releases::Release> byVersion;
    for (const fs::path& path : names) {
        std::string why;
        std::vector<uint8_t> content;
        const auto loaded = loadFirmwareFile(path.string(), why, &content);
        if (!loaded || !loaded->usable) {
            printFailure(json, context, loaded ? path.string() + ": " + loaded->refusal : why);
            return kRefusedFile;
        }
        const std::string version = loaded->versions.firmware.text();
        releases::Release& release = byVersion[version];
        if (release.version.empty()) {
            const releases::Release* known = earlier(version);
            release.version = version;
            release.date = known ? known->date : timeText(now, "%Y-%m-%d", true);
            release.channel = known ? known->channel : "stable";
            release.notes = known ? known->notes : "";
        }
        fs::path notes = path;
        notes.replace_extension(".notes");
        if (fs::is_regular_file(notes)) release.notes = readText(notes);
        release.files.push_back({path.filename().string(), content.size(), sha256Hex(content)});
    }

    releases::Catalogue catalogue;
    catalogue.serial = before.serial + 1;
    catalogue.published = timeText(now, kRecordTimeFormat, true);
    for (auto& [version, release] : byVersion) catalogue.releases.push_back(std::move(release));
    releases::sortNewestFirst(catalogue.releases);
    {
        std::ofstream out(cataloguePath, std::ios::binary | std::ios::trunc);
        out << releases::catalogueText(catalogue);
        if (!out.flush()) {
            printFailure(json, context, N_("%1: cannot be written"), {cataloguePath.string()});
            return kWriteFailed;
        }
    }
    const std::string sign = "signify-openbsd -S -s KEY.sec -m " +
                             shellWord(cataloguePath.string()) + " -x " +
                             shellWord(cataloguePath.string() + ".sig");
    if (json) {
        nlohmann::json versions = nlohmann::json::array();
        for (const releases::Release& release : catalogue.releases)
            versions.push_back(release.version);
        printJson({{"command", "publish"},
                   {"folder", folder},
                   {"ok", true},
                   {"serial", catalogue.serial},
                   {"releases", versions},
                   {"sign", sign}});
        return kOk;
    }
    for (const releases::Release& release : catalogue.releases) {
        std::printf("%s %s %s: %zu file%s\n", release.version.c_str(), release.date.c_str(),
                    release.channel.c_str(), release.files.size(),
                    release.files.size() == 1 ? "" : "s");
    }
    std::printf("%s\n", formatted(_("%1 written, serial %2. Sign it with your release key:\n  %3"),
                                  {cataloguePath.string(), std::to_string(catalogue.serial), sign})
                            .c_str());
    return kOk;
}

}  // namespace gimbalctl
