#pragma once
// A pseudo-terminal whose slave another process holds open under the
// exclusive lock, as a program already using a serial port does (its own, or
// the one at `path`, such as a simulated gimbal's). The holding process runs
// under the given program name (a link to sleep).

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "tests/support/PtyPair.h"

extern char** environ;

class HeldPort {
public:
    explicit HeldPort(std::string name = "ModemManager", std::string path = {})
        : name_(std::move(name)), path_(path.empty() ? pty_.slavePath() : std::move(path)) {
        std::string dir = std::filesystem::temp_directory_path() / "holderXXXXXX";
        if (!::mkdtemp(dir.data())) throw std::runtime_error("mkdtemp");
        dir_ = dir;
        program_ = dir_ + "/" + name_;
        if (::symlink("/usr/bin/sleep", program_.c_str()) != 0) throw std::runtime_error("symlink");

        // Inherited by the child; the lock belongs to the open file, so it
        // stays with the child once this process lets its descriptor go.
        const int fd = ::open(path_.c_str(), O_RDWR | O_NOCTTY);
        if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) throw std::runtime_error("lock");
        char* argv[] = {name_.data(), const_cast<char*>("60"), nullptr};
        const int spawned = ::posix_spawn(&pid_, program_.c_str(), nullptr, nullptr, argv, environ);
        ::close(fd);
        if (spawned != 0) throw std::runtime_error("posix_spawn");
    }
    ~HeldPort() {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        ::unlink(program_.c_str());
        ::rmdir(dir_.c_str());
    }
    HeldPort(const HeldPort&) = delete;
    HeldPort& operator=(const HeldPort&) = delete;

    const std::string& path() const { return path_; }
    const std::string& name() const { return name_; }
    pid_t pid() const { return pid_; }

private:
    PtyPair pty_;
    std::string name_, path_, dir_, program_;
    pid_t pid_ = -1;
};
