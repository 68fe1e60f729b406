// The notice board: who is told, and what observers may do while being told.

#include <gtest/gtest.h>

#include "platform/NotificationCenter.h"

TEST(NotificationCenterTest, DeliversByNameAndSenderWhileObserversChangeTheCentre) {
    NotificationCenter center;
    const int sender = 0, stranger = 0;
    std::vector<std::string> calls;
    NotificationCenter::Token second = 0;
    center.addObserver("Ping", &sender, [&](const Notification& n) {
        calls.push_back("mine " + std::to_string(*n.value<int>("count")));
        EXPECT_EQ(n.value<std::string>("count"), nullptr);  // another type reads as absent
        center.removeObserver(second);                      // skipped for this post already
        center.addObserver("Ping", nullptr, [&](const Notification&) { calls.push_back("late"); });
        center.post("Echo", nullptr);
    });
    second = center.addObserver("Ping", nullptr,
                                [&](const Notification&) { calls.push_back("second"); });
    center.addObserver("", nullptr,
                       [&](const Notification& n) { calls.push_back("all " + n.name); });

    center.post("Ping", &sender, {{"count", 3}});
    EXPECT_EQ(calls, (std::vector<std::string>{"mine 3", "all Echo", "all Ping"}));
    calls.clear();
    center.post("Ping", &stranger);
    EXPECT_EQ(calls, (std::vector<std::string>{"all Ping", "late"}));
}
