#pragma once
// A process-wide notice board: observers register for a name (and optionally
// one sender) and are called synchronously, on the posting thread, before
// post() returns.

#include <any>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct Notification {
    std::string name;
    const void* sender = nullptr;  // identity of the posting object, compared only
    std::map<std::string, std::any> userInfo;

    // The user-info value under key as a T, or nullptr when absent or of another type.
    template <typename T>
    const T* value(const std::string& key) const {
        auto found = userInfo.find(key);
        return found == userInfo.end() ? nullptr : std::any_cast<T>(&found->second);
    }
};

class NotificationCenter {
public:
    using Observer = std::function<void(const Notification&)>;
    using Token = int;

    static NotificationCenter& defaultCenter();

    // Calls observer for every notification with this name (every name when
    // empty) from this sender (any sender when null). The token removes it.
    Token addObserver(std::string name, const void* sender, Observer observer);
    // Once this returns no delivery calls the observer again, including one
    // already under way (a call running on another thread at that moment may
    // still finish). Unknown tokens are ignored.
    void removeObserver(Token token);

    // Delivers to the observers registered when the post starts, in the order
    // they registered. Observers may post, add or remove observers meanwhile.
    void post(const std::string& name, const void* sender,
              std::map<std::string, std::any> userInfo = {});

private:
    struct Entry;
    std::mutex mutex_;
    std::vector<std::shared_ptr<Entry>> entries_;
    Token nextToken_ = 1;
};
