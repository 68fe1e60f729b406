#pragma once
// Waiting for a condition with a deadline, instead of fixed sleeps.

#include <chrono>
#include <functional>
#include <thread>

inline bool waitFor(const std::function<bool()>& condition,
                    std::chrono::milliseconds timeout = std::chrono::milliseconds(3000),
                    std::chrono::milliseconds step = std::chrono::milliseconds(2)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return condition();
        std::this_thread::sleep_for(step);
    }
    return true;
}
