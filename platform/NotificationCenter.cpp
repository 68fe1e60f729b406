#include "platform/NotificationCenter.h"

#include <algorithm>
#include <atomic>

struct NotificationCenter::Entry {
    Token token;
    std::string name;
    const void* sender;
    Observer observer;
    std::atomic<bool> removed{false};
};

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

NotificationCenter::Token NotificationCenter::addObserver(std::string name, const void* sender,
                                                          Observer observer) {
    std::lock_guard lock(mutex_);
    auto entry = std::make_shared<Entry>();
    entry->token = nextToken_++;
    entry->name = std::move(name);
    entry->sender = sender;
    entry->observer = std::move(observer);
    entries_.push_back(entry);
    return entry->token;
}

void NotificationCenter::removeObserver(Token token) {
    std::lock_guard lock(mutex_);
    auto found = std::find_if(entries_.begin(), entries_.end(),
                              [&](const auto& entry) { return entry->token == token; });
    if (found == entries_.end()) return;
    (*found)->removed = true;
    entries_.erase(found);
}

void NotificationCenter::post(const std::string& name, const void* sender,
                              std::map<std::string, std::any> userInfo) {
    std::vector<std::shared_ptr<Entry>> matching;
    {
        std::lock_guard lock(mutex_);
        for (const auto& entry : entries_) {
            if ((entry->name.empty() || entry->name == name) &&
                (entry->sender == nullptr || entry->sender == sender)) {
                matching.push_back(entry);
            }
        }
    }
    // Observers run without the lock held, so they can use the centre freely.
    const Notification notification{name, sender, std::move(userInfo)};
    for (const auto& entry : matching) {
        if (!entry->removed) entry->observer(notification);
    }
}
