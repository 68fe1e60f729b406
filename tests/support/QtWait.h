#pragma once
// Runs the Qt event loop while waiting for a condition with a deadline, so
// timers fire and posted tasks run.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <functional>

inline bool pumpUntil(const std::function<bool()>& condition, int timeoutMs = 3000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() >= timeoutMs) return condition();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

// Runs the event loop for the given time.
inline void pumpFor(int ms) {
    pumpUntil([] { return false; }, ms);
}
