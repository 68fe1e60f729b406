// fetch(), ed25519Verify() and sha256Hex() for the programs: the releases'
// library (ReleasesLibrary.cpp, with libcurl, libcrypto and the many
// libraries they bring) is opened the first time one is called, not at
// start, as most starts never fetch or check a release. It is looked for
// beside the program (the build tree) and where the package installs it,
// relative to the program, so an unpacked package finds its own.
#include <dlfcn.h>
#include <unistd.h>

#include "releases/Crypto.h"
#include "releases/Fetch.h"
#include "releases/ReleasesLibrary.h"

namespace releases {

namespace {

struct Library {
    FetchEntry fetch = nullptr;
    Ed25519VerifyEntry ed25519Verify = nullptr;
    Sha256HexEntry sha256Hex = nullptr;
    std::string error;  // why the library could not be opened
};

std::string programFolder() {
    std::string path(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0) return ".";
    path.resize(static_cast<std::size_t>(length));
    return path.substr(0, path.rfind('/'));
}

template <typename Entry>
bool find(void* handle, const char* name, Entry& entry) {
    entry = reinterpret_cast<Entry>(dlsym(handle, name));
    return entry != nullptr;
}

Library openLibrary() {
    const std::string folder = programFolder();
    Library library;
    for (const std::string& path :
         {folder + "/" + kReleasesLibraryName,
          folder + "/" GIMBAL_RELEASES_LIBRARY_DIR "/" + kReleasesLibraryName}) {
        if (access(path.c_str(), F_OK) != 0) continue;
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            library.error = dlerror();
            continue;
        }
        if (find(handle, kFetchEntryName, library.fetch) &&
            find(handle, kEd25519VerifyEntryName, library.ed25519Verify) &&
            find(handle, kSha256HexEntryName, library.sha256Hex)) {
            return library;
        }
        library = {};
        library.error = path + " lacks an entry";
    }
    if (library.error.empty()) {
        library.error = std::string("no ") + kReleasesLibraryName + " in " + folder;
    }
    return library;
}

const Library& opened() {
    static const Library library = openLibrary();  // once, by whichever thread comes first
    return library;
}

}  // namespace

Fetched fetch(const std::string& location, std::size_t maxBytes, const FetchProgress& progress) {
    const Library& library = opened();
    if (!library.fetch) {
        return {{}, location + ": the HTTP client cannot start (" + library.error + ")"};
    }
    Fetched fetched;
    library.fetch(location, maxBytes, progress, fetched);
    return fetched;
}

// Without the library nothing verifies: every signature is refused.
bool ed25519Verify(const Ed25519Key& key, std::string_view message,
                   const Ed25519Signature& signature) {
    const Library& library = opened();
    return library.ed25519Verify && library.ed25519Verify(key, message, signature);
}

// Without the library no digest: "" matches none.
std::string sha256Hex(std::string_view bytes) {
    const Library& library = opened();
    std::string hex;
    if (library.sha256Hex) library.sha256Hex(bytes, hex);
    return hex;
}

}  // namespace releases
