// The notice board: who is told, and what observers may do while being told.

#include <gtest/gtest.h>

#include "platform/NotificationCenter.h"

namespace {

TEST(NotificationCenterTest, DeliversByNameAndSenderSynchronously) {
    NotificationCenter center;
    int mine = 0, anyone = 0, everything = 0, otherName = 0;
    const int sender = 0, stranger = 0;
    center.addObserver("Ping", &sender, [&](const Notification& n) {
        ++mine;
        ASSERT_NE(n.value<int>("count"), nullptr);
        EXPECT_EQ(*n.value<int>("count"), 3);
        EXPECT_EQ(n.value<std::string>("count"), nullptr);  // wrong type reads as absent
        EXPECT_EQ(n.value<int>("missing"), nullptr);
    });
    center.addObserver("Ping", nullptr, [&](const Notification&) { ++anyone; });
    center.addObserver("", nullptr, [&](const Notification&) { ++everything; });
    center.addObserver("Pong", nullptr, [&](const Notification&) { ++otherName; });

    center.post("Ping", &sender, {{"count", 3}});
    center.post("Ping", &stranger, {{"count", 3}});
    EXPECT_EQ(mine, 1);
    EXPECT_EQ(anyone, 2);
    EXPECT_EQ(everything, 2);
    EXPECT_EQ(otherName, 0);
}

TEST(NotificationCenterTest, ObserversMayChangeTheCentreWhileBeingTold) {
    NotificationCenter center;
    std::vector<std::string> calls;
    NotificationCenter::Token second = 0;
    center.addObserver("Ping", nullptr, [&](const Notification&) {
        calls.push_back("first");
        center.removeObserver(second);  // not called for this post either
        center.addObserver("Ping", nullptr, [&](const Notification&) { calls.push_back("late"); });
        center.post("Echo", nullptr);
    });
    second = center.addObserver("Ping", nullptr,
                                [&](const Notification&) { calls.push_back("second"); });
    center.addObserver("Echo", nullptr, [&](const Notification&) { calls.push_back("echo"); });

    center.post("Ping", nullptr);
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "echo"}));
    center.removeObserver(12345);  // unknown tokens are ignored
}

}  // namespace
