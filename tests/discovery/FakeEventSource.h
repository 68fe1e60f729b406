#pragma once
// A device event source driven by the test: it lists the devices it is given
// and keeps the manager's handlers so the test can deliver events itself.

#include <memory>

#include "serial/DeviceEventSource.h"

struct FakeEventState {
    std::vector<SerialDevice> present;
    bool refusePublished = false;
    bool refuseTerminated = false;
    int sourcesMade = 0;

    DeviceEventSource::DevicesHandler published;
    DeviceEventSource::DevicesHandler terminated;
    DeviceEventSource::Handler willSleep;
    DeviceEventSource::Handler didWake;
};

class FakeEventSource : public DeviceEventSource {
public:
    explicit FakeEventSource(std::shared_ptr<FakeEventState> state) : state_(std::move(state)) {}

    std::optional<std::vector<SerialDevice>> followPublished(DevicesHandler published) override {
        if (state_->refusePublished) return std::nullopt;
        state_->published = std::move(published);
        return state_->present;
    }
    bool followTerminated(DevicesHandler terminated) override {
        if (state_->refuseTerminated) return false;
        state_->terminated = std::move(terminated);
        return true;
    }
    void followSleepAndWake(Handler willSleep, Handler didWake) override {
        state_->willSleep = std::move(willSleep);
        state_->didWake = std::move(didWake);
    }

private:
    std::shared_ptr<FakeEventState> state_;
};
