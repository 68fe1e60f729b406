#include "serial/OpenFailure.h"

#include <cstring>

std::string describeOpenFailure(const std::string& path, int error) {
    return path + ": " + std::strerror(error);
}
