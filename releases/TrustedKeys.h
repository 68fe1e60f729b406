#pragma once
// The release keys a native face trusts, gathered from every place a key can
// be put: those built into the program (releases/keys/*.pub and the build's
// GIMBAL_MAKER_KEYS), /etc/gimbal-tool/trusted-keys/*.pub for the machine,
// ~/.config/gimbalctl/trusted-keys/*.pub for the user ($XDG_CONFIG_HOME when
// set), and the files named on the command line.

#include <string>
#include <vector>

#include "releases/Signify.h"

namespace releases {

inline constexpr const char* kSystemKeyFolder = "/etc/gimbal-tool/trusted-keys";

struct TrustedKeys {
    std::vector<PublicKey> keys;
    std::vector<std::string> skipped;  // a folder's file that is not a key: one line each
    std::string error;                 // a named file that cannot be read or is not a key
};

// Every trusted key; `namedFiles` are --trust-key's.
TrustedKeys loadTrustedKeys(const std::vector<std::string>& namedFiles);

// The user's key folder, where the refusal for no trusted key tells to put one.
std::string userKeyFolder();

}  // namespace releases
