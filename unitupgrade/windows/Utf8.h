#pragma once
// Text between Windows' UTF-16 and the UTF-8 gimbalctl works in, so that
// names in any language (file names, the command line, a port's friendly
// name, the system's messages) come out as the same bytes as on Linux.

#include <string>
#include <string_view>

namespace gimbalctl::windows {

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string utf8(std::wstring_view text);

// UTF-8 to UTF-16, for the ...W calls; bytes that are not UTF-8 become U+FFFD.
std::wstring utf16(std::string_view text);

}  // namespace gimbalctl::windows
