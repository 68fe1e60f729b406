// fetch() for the programs: the fetcher library (FetchLibrary.cpp, with
// libcurl and the many libraries libcurl brings) is opened the first time a
// release folder is fetched, not at start, as most starts never fetch. It is
// looked for beside the program (the build tree) and where the package
// installs it, relative to the program, so an unpacked package finds its own.
#include "releases/Fetch.h"
#include "releases/FetchLibrary.h"

#include <dlfcn.h>
#include <unistd.h>

namespace releases {

namespace {

struct Opened {
    FetchEntry entry = nullptr;
    std::string error;  // why the library could not be opened
};

std::string programFolder() {
    std::string path(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0) return ".";
    path.resize(static_cast<std::size_t>(length));
    return path.substr(0, path.rfind('/'));
}

Opened openLibrary() {
    const std::string folder = programFolder();
    Opened opened;
    for (const std::string& path : {folder + "/" + kFetchLibraryName,
                                    folder + "/" GIMBAL_FETCH_LIBRARY_DIR "/" + kFetchLibraryName}) {
        if (access(path.c_str(), F_OK) != 0) continue;
        void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            opened.error = dlerror();
            continue;
        }
        opened.entry = reinterpret_cast<FetchEntry>(dlsym(library, kFetchEntryName));
        if (opened.entry) return opened;
        opened.error = path + " has no " + kFetchEntryName;
    }
    if (opened.error.empty()) opened.error = std::string("no ") + kFetchLibraryName + " in " + folder;
    return opened;
}

}  // namespace

Fetched fetch(const std::string& location, std::size_t maxBytes, const FetchProgress& progress) {
    static const Opened opened = openLibrary();  // once, by whichever thread fetches first
    if (!opened.entry) return {{}, location + ": the HTTP client cannot start (" + opened.error + ")"};
    Fetched fetched;
    opened.entry(location, maxBytes, progress, fetched);
    return fetched;
}

}  // namespace releases
