#pragma once
// A failed POSIX call as handed to a port's delegate.

#include <cerrno>
#include <cstring>
#include <string>

struct PosixError {
    static constexpr const char* kDomain = "NSPOSIXErrorDomain";
    std::string domain = kDomain;
    int code = 0;             // errno at the time of the report
    std::string description;  // strerror(code)
    std::string path;         // the port's path

    static PosixError fromErrno(int code, const std::string& path) {
        return PosixError{kDomain, code, std::strerror(code), path};
    }
};
