#include <gtest/gtest.h>

#include <thread>

#include "platform/Clock.h"
#include "platform/Event.h"

TEST(WaitForAny, NamesTheFirstSignalledEventOrMinusOneAfterTheTime) {
    platform::VirtualClock clock;
    platform::ManualResetEvent a, b;
    EXPECT_EQ(platform::WaitForAny(clock, {&a, &b}, 8000), -1);
    EXPECT_EQ(clock.NowMs(), 8000u);
    b.Set();
    EXPECT_EQ(platform::WaitForAny(clock, {&a, &b}, 8000), 1);
    a.Set();
    EXPECT_EQ(platform::WaitForAny(clock, {&a, &b}, 8000), 0);  // both: the earlier one
    EXPECT_EQ(clock.NowMs(), 8000u);
}

TEST(WaitForAny, WakesWhenAnotherThreadSetsAnEvent) {
    platform::VirtualClock clock(5000);  // a long real grace: the setter comes first
    platform::ManualResetEvent a, b;
    std::thread setter([&b] {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        b.Set();
    });
    EXPECT_EQ(platform::WaitForAny(clock, {&a, &b}, 8000), 1);
    setter.join();
    EXPECT_EQ(clock.NowMs(), 0u);
}
