#pragma once
// Where a release folder's pieces are, given the source the user named
// (an https/http/file URL or a plain path, with or without a final slash),
// and the name of the source's own folder in a cache.

#include <string>
#include <string_view>

namespace releases {

// `source` joined with a name in its folder: ("https://x/fw/", "releases.json")
// gives "https://x/fw/releases.json".
std::string sourceEntry(std::string_view source, std::string_view name);

// One folder name per source, distinct for distinct sources and safe on any
// file system: letters, digits, '.' and '-' stay, every other byte becomes
// '_' and two hex digits ("http_3a_2f_2f127.0.0.1_3a8000"). A final slash
// does not count, so "x/" and "x" share a folder. At most 200 bytes: a
// longer name ends in a hash of the whole instead.
std::string cacheFolderName(std::string_view source);

}  // namespace releases
