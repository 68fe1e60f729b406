#pragma once
#include <cstdint>

namespace protocol {

// A steady clock of the face's choosing, in milliseconds. Every time the core
// keeps (the pause after a block, the upgrade's timeout and request schedule)
// is measured on it, so a face whose timers come late only delays work.
using Millis = int64_t;

}  // namespace protocol
