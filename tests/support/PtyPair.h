#pragma once
// A pseudo-terminal pair: the master end for the test (or the simulated
// gimbal), the slave path for the tool to open.

#include <string>

#include "platform/UniqueFd.h"

class PtyPair {
public:
    PtyPair();  // throws std::runtime_error when no pseudo-terminal can be made

    int master() const { return master_.get(); }
    const std::string& slavePath() const { return slavePath_; }
    // Closes the master end: the tool's side sees a hang-up.
    void closeMaster() { master_.reset(); }
    // Keeps a slave descriptor open so the master does not read EIO before
    // the tool opens the slave; released with releaseSlaveHold().
    void releaseSlaveHold() { slaveHold_.reset(); }

    // Writes all bytes to the master; returns false on error.
    bool writeMaster(const void* data, std::size_t size);

private:
    UniqueFd master_;
    UniqueFd slaveHold_;
    std::string slavePath_;
};
