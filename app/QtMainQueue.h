#pragma once
// The main-thread queue over the Qt event loop of the application.

#include "platform/MainQueue.h"

class QtMainQueue : public MainQueue {
public:
    void post(Task task) override;
    void postAndWait(Task task) override;
    bool isMainThread() const override;
};
