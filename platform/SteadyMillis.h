#pragma once
// The steady clock in the core's milliseconds, for the faces that run natively.

#include <chrono>

#include "protocol/Millis.h"

inline protocol::Millis steadyMillis() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
