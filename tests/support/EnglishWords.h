#pragma once
// Whether a text shown in German or Chinese still holds English: the first
// common English word found in it, or "" when none. Paths, option names and
// file names (any word with '/', '-', '.' or '_' about it) are left out, as
// they read the same in every language.

#include <regex>
#include <string>

inline std::string englishWordIn(const std::string& text) {
    static const std::regex word(
        R"((^|[\s(:,;'"])(the|is|are|were|not|of|to|with|and|or|for|no|required|expected|)"
        R"(present|such|directory|range|value|bytes|blocks|kind|maker|matches|hardware|)"
        R"(firmware|refused|went|away|see|image|version|out|failed|cannot|could|argument|)"
        R"(following|unplugged|mistyped|reply|Usage|Options|Excludes|Value|Ports|No)(?=[\s),.:;!'"]|$))");
    std::smatch found;
    return std::regex_search(text, found, word) ? found[2].str() : std::string();
}
