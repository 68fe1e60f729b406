#include "releases/Catalogue.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <set>

#include "translations/Marked.h"
#include "upgrade/FirmwareVersion.h"

namespace releases {

namespace {

using nlohmann::json;

// Reads the fields of one JSON object, keeping the first fault as one line
// that names where it is ("release 2.010: ...").
class FieldReader {
public:
    FieldReader(const json& object, std::string where, std::string& error)
        : object_(object), where_(std::move(where)), error_(error) {}

    const json* field(const char* name, bool (json::*isType)() const, const char* typeName) {
        if (!error_.empty()) return nullptr;
        const auto found = object_.find(name);
        if (found == object_.end()) {
            fail(translations::filledIn(N_("\"%1\" is missing"), {name}));
            return nullptr;
        }
        if (!((*found).*isType)()) {
            fail(translations::filledIn(N_("\"%1\" is not %2"), {name, typeName}));
            return nullptr;
        }
        return &*found;
    }

    std::string text(const char* name) {
        const json* value = field(name, &json::is_string, N_("text"));
        return value ? value->get<std::string>() : std::string();
    }

    void fail(const std::string& why) {
        if (error_.empty()) {
            error_ = where_.empty() ? why : translations::filledIn(N_("%1: %2"), {where_, why});
        }
    }

private:
    const json& object_;
    std::string where_;
    std::string& error_;
};

bool isLowerHex(std::string_view text, std::size_t length) {
    return text.size() == length && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

std::optional<ReleaseFile> readFile(const json& object, const std::string& where,
                                    std::string& error) {
    if (!object.is_object()) {
        error = translations::filledIn(N_("%1: a file is not an object"), {where});
        return std::nullopt;
    }
    FieldReader fields(object, where, error);
    ReleaseFile file;
    file.name = fields.text("name");
    const json* size = fields.field("size", &json::is_number_unsigned, N_("a whole number"));
    file.sha256 = fields.text("sha256");
    if (!error.empty()) return std::nullopt;
    file.size = size->get<std::uint64_t>();
    const std::string named = translations::filledIn(N_("%1: file \"%2\""), {where, file.name});
    if (!isPlainFileName(file.name)) {
        error = translations::filledIn(N_("%1 is not a plain file name"), {named});
    } else if (file.size == 0 || file.size > kMaxReleaseFileSize) {
        error = translations::filledIn(
            N_("%1: size %2 is not 1 to %3 bytes"),
            {named, std::to_string(file.size), std::to_string(kMaxReleaseFileSize)});
    } else if (!isLowerHex(lowerCase(file.sha256), 64)) {
        error = translations::filledIn(N_("%1: \"sha256\" is not 64 hexadecimal digits"), {named});
    }
    file.sha256 = lowerCase(file.sha256);
    return error.empty() ? std::optional(file) : std::nullopt;
}

std::optional<Release> readRelease(const json& object, std::size_t index, std::string& error) {
    if (!object.is_object()) {
        error =
            translations::filledIn(N_("release %1 is not an object"), {std::to_string(index + 1)});
        return std::nullopt;
    }
    Release release;
    // Named by its version once that is known, else by its place in the list.
    const auto version = object.find("version");
    const std::string where =
        version != object.end() && version->is_string()
            ? translations::filledIn(N_("release %1"), {version->get<std::string>()})
            : translations::filledIn(N_("release %1"), {std::to_string(index + 1)});
    FieldReader fields(object, where, error);
    release.version = fields.text("version");
    release.date = fields.text("date");
    release.channel = fields.text("channel");
    release.notes = fields.text("notes");
    const json* files = fields.field("files", &json::is_array, N_("a list"));
    if (!error.empty()) return std::nullopt;
    if (!firmware::parseVersion(release.version)) {
        fields.fail(translations::filledIn(
            N_("version \"%1\" is not a firmware version as the gimbal reports it (such as 2.010)"),
            {release.version}));
    }
    if (release.channel != "stable" && release.channel != "beta") {
        fields.fail(
            translations::filledIn(N_("channel \"%1\" is not stable or beta"), {release.channel}));
    }
    if (files->empty()) fields.fail(N_("\"files\" is empty"));
    if (!error.empty()) return std::nullopt;
    std::set<std::string> names;
    for (const json& entry : *files) {
        const auto file = readFile(entry, where, error);
        if (!file) return std::nullopt;
        if (!names.insert(file->name).second) {
            error =
                translations::filledIn(N_("%1: file \"%2\" is listed twice"), {where, file->name});
            return std::nullopt;
        }
        release.files.push_back(*file);
    }
    return release;
}

}  // namespace

bool isPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\:") == std::string_view::npos &&
           std::none_of(name.begin(), name.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

bool isUtf8(std::string_view text) {
    for (std::size_t k = 0; k < text.size();) {
        const auto byte = static_cast<unsigned char>(text[k]);
        const std::size_t length = byte < 0x80                   ? 1
                                   : byte >= 0xC2 && byte < 0xE0 ? 2
                                   : byte >= 0xE0 && byte < 0xF0 ? 3
                                   : byte >= 0xF0 && byte < 0xF5 ? 4
                                                                 : 0;
        if (length == 0 || k + length > text.size()) return false;
        std::uint32_t code = length == 1 ? byte : byte & (0x7F >> length);
        for (std::size_t m = 1; m < length; ++m) {
            const auto next = static_cast<unsigned char>(text[k + m]);
            if ((next & 0xC0) != 0x80) return false;
            code = code << 6 | (next & 0x3F);
        }
        const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) {
            return false;  // overlong, beyond Unicode, or a surrogate
        }
        k += length;
    }
    return true;
}

namespace {

std::string versionList(const Catalogue& catalogue) {
    std::string list;
    for (const Release& release : catalogue.releases) {
        list += (list.empty() ? "" : ", ") + release.version;
    }
    return list.empty() ? "none" : list;
}

}  // namespace

ParsedCatalogue parseCatalogue(std::string_view text) {
    if (text.size() > kMaxCatalogueSize) {
        return {std::nullopt, translations::filledIn(N_("the catalogue is larger than %1 bytes"),
                                                     {std::to_string(kMaxCatalogueSize)})};
    }
    // No exceptions: the WebAssembly build does not catch them.
    const json document = json::parse(text.begin(), text.end(), nullptr, false);
    if (document.is_discarded()) return {std::nullopt, N_("the catalogue is not JSON")};
    if (!document.is_object()) return {std::nullopt, N_("the catalogue is not a JSON object")};
    std::string error;
    FieldReader fields(document, "", error);
    const json* format = fields.field("format", &json::is_number_integer, N_("a whole number"));
    const json* serial = fields.field("serial", &json::is_number_integer, N_("a whole number"));
    Catalogue catalogue;
    catalogue.published = fields.text("published");
    const json* list = fields.field("releases", &json::is_array, N_("a list"));
    if (!error.empty()) {
        return {std::nullopt, translations::filledIn(N_("the catalogue's %1"), {error})};
    }
    if (format->get<std::int64_t>() != 1) {
        return {std::nullopt,
                translations::filledIn(
                    N_("the catalogue's format %1 is not 1: a newer gimbalctl may read it"),
                    {format->dump()})};
    }
    catalogue.serial = serial->get<std::int64_t>();
    if (catalogue.serial < 0) return {std::nullopt, N_("the catalogue's serial is negative")};
    std::set<std::string> versions;
    for (std::size_t k = 0; k < list->size(); ++k) {
        auto release = readRelease((*list)[k], k, error);
        if (!release) {
            return {std::nullopt, translations::filledIn(N_("the catalogue's %1"), {error})};
        }
        if (!versions.insert(release->version).second) {
            return {std::nullopt, translations::filledIn(N_("the catalogue lists version %1 twice"),
                                                         {release->version})};
        }
        catalogue.releases.push_back(std::move(*release));
    }
    sortNewestFirst(catalogue.releases);
    return {std::move(catalogue), {}};
}

std::string catalogueText(const Catalogue& catalogue) {
    json releases = json::array();
    for (const Release& release : catalogue.releases) {
        json files = json::array();
        for (const ReleaseFile& file : release.files) {
            files.push_back({{"name", file.name}, {"size", file.size}, {"sha256", file.sha256}});
        }
        releases.push_back({{"version", release.version},
                            {"date", release.date},
                            {"channel", release.channel},
                            {"notes", release.notes},
                            {"files", std::move(files)}});
    }
    const json document = {{"format", 1},
                           {"serial", catalogue.serial},
                           {"published", catalogue.published},
                           {"releases", std::move(releases)}};
    return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

bool isNewer(std::string_view version, std::string_view than) {
    return firmware::parseVersion(version) > firmware::parseVersion(than);
}

void sortNewestFirst(std::vector<Release>& releases) {
    std::stable_sort(releases.begin(), releases.end(), [](const Release& a, const Release& b) {
        return isNewer(a.version, b.version);
    });
}

const Release* chooseRelease(const Catalogue& catalogue, std::string_view wanted,
                             std::string& error) {
    for (const Release& release : catalogue.releases) {
        if (wanted == "latest" ? release.channel == "stable" : release.version == wanted) {
            return &release;  // newest first: the first stable one is the latest
        }
    }
    error = wanted == "latest"
                ? translations::filledIn(N_("no stable release in the catalogue (releases: %1)"),
                                         {versionList(catalogue)})
                : translations::filledIn(N_("no release %1 in the catalogue (releases: %2)"),
                                         {std::string(wanted), versionList(catalogue)});
    return nullptr;
}

const ReleaseFile* chooseFile(const Release& release, std::string_view name, std::string& error) {
    if (name.empty() && release.files.size() == 1) return &release.files.front();
    std::string names;
    for (const ReleaseFile& file : release.files) {
        if (file.name == name) return &file;
        names += (names.empty() ? "" : ", ") + file.name;
    }
    error = name.empty() ? translations::filledIn(N_("release %1 has several files (%2): name one"),
                                                  {release.version, names})
                         : translations::filledIn(N_("release %1 has no file %2 (files: %3)"),
                                                  {release.version, std::string(name), names});
    return nullptr;
}

std::string fileMismatch(const ReleaseFile& file, std::uint64_t size, std::string_view sha256Hex) {
    if (size != file.size) {
        return translations::filledIn(N_("%1: %2 bytes where the catalogue says %3"),
                                      {file.name, std::to_string(size), std::to_string(file.size)});
    }
    const std::string digest = lowerCase(sha256Hex);
    if (digest != file.sha256) {
        return translations::filledIn(N_("%1: SHA-256 %2 where the catalogue says %3"),
                                      {file.name, digest, file.sha256});
    }
    return {};
}

std::string downgradeRefusal(std::string_view release, std::string_view running) {
    if (running.empty() || !isNewer(running, release)) return {};
    return translations::filledIn(kDowngradeRefusal, {std::string(release), std::string(running)});
}

}  // namespace releases
