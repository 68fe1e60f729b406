#pragma once
// A FUSE mount in a scratch folder with one file, `file()`, served by a
// Python class `Stalled` (fusepy's Operations) that the test gives: a file
// that stalls the way the test needs. Needs /dev/fuse, fuse3 and
// python3-fusepy, and /dev/fuse open to the user (root, or fuse3's mounter
// for everyone else); mounted() says whether it is there. The mount is made
// in the suite's TMPDIR when it has one, and undone the way its mounter may:
// fusermount3's lazy unmount works for root and for the user alike.

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

extern char** environ;

class StalledMount {
public:
    // `operations` defines the class Stalled; `argument` reaches it as sys.argv[2].
    explicit StalledMount(const std::string& operations, const std::string& argument = {}) {
        std::string dir = std::filesystem::temp_directory_path() / "stalledXXXXXX";
        if (!::mkdtemp(dir.data())) return;
        dir_ = dir;
        mount_ = dir_ + "/mnt";
        ::mkdir(mount_.c_str(), 0755);
        if (::access("/dev/fuse", R_OK | W_OK) != 0) return;
        std::string script = "import errno, stat, sys, time\n"
                             "from fusepy import FUSE, FuseOSError, Operations\n" +
                             operations +
                             "\nFUSE(Stalled(), sys.argv[1], foreground=True, attr_timeout=0,"
                             " entry_timeout=0)\n";
        std::string arg = argument;
        char* argv[] = {const_cast<char*>("python3"), const_cast<char*>("-c"), script.data(),
                        mount_.data(), arg.data(), nullptr};
        if (::posix_spawn(&server_, "/usr/bin/python3", nullptr, nullptr, argv, environ) != 0) {
            server_ = -1;
            return;
        }
        struct stat folder {};
        struct stat mounted {};
        ::stat(dir_.c_str(), &folder);
        for (int tries = 0; tries < 100 && !mounted_; ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (::waitpid(server_, nullptr, WNOHANG) == server_) {  // could not mount
                server_ = -1;
                return;
            }
            mounted_ = ::stat(mount_.c_str(), &mounted) == 0 && mounted.st_dev != folder.st_dev;
        }
    }
    ~StalledMount() {
        if (mounted_) unmount();
        if (server_ > 0) {
            ::kill(server_, SIGKILL);
            ::waitpid(server_, nullptr, 0);
        }
        ::rmdir(mount_.c_str());
        ::rmdir(dir_.c_str());
    }
    StalledMount(const StalledMount&) = delete;
    StalledMount& operator=(const StalledMount&) = delete;

    bool mounted() const { return mounted_; }
    std::string file() const { return mount_ + "/file"; }
    const std::string& dir() const { return dir_; }

private:
    // Detached at once even while a call into the stalled file still waits.
    void unmount() {
        char* argv[] = {const_cast<char*>("fusermount3"), const_cast<char*>("-u"),
                        const_cast<char*>("-z"), mount_.data(), nullptr};
        pid_t pid = -1;
        if (::posix_spawnp(&pid, "fusermount3", nullptr, nullptr, argv, environ) == 0) {
            ::waitpid(pid, nullptr, 0);
        }
    }

    std::string dir_, mount_;
    pid_t server_ = -1;
    bool mounted_ = false;
};
