#pragma once
// The release keys a native face trusts, gathered from every place a key can
// be put: those built into the program (releases/keys/*.pub and the build's
// GIMBAL_MAKER_KEYS), /etc/gimbal-tool/trusted-keys/*.pub for the machine,
// ~/.config/gimbalctl/trusted-keys/*.pub for the user ($XDG_CONFIG_HOME when
// set), and the local files named on the command line. A folder or key file
// that another user could write (group- or world-writable, or owned by
// another user than root or this one) is skipped.

#include <string>
#include <vector>

#include "releases/Signify.h"

namespace releases {

inline constexpr const char* kSystemKeyFolder = "/etc/gimbal-tool/trusted-keys";

struct TrustedKeys {
    std::vector<PublicKey> keys;
    // A folder's file that is not a key, or a folder or file that another
    // user could write: one line each.
    std::vector<std::string> skipped;
    std::string error;  // a named file that is a URL, cannot be read or is not a key
};

// Every trusted key; `namedFiles` are --trust-key's.
TrustedKeys loadTrustedKeys(const std::vector<std::string>& namedFiles);

// The user's key folder, where the refusal for no trusted key tells to put one.
std::string userKeyFolder();

}  // namespace releases
