#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "app/BasicUiLoop.h"
#include "platform/Clock.h"

using namespace app;

namespace {

constexpr auto kBound = std::chrono::seconds(10);  // a bound against hangs, never waited out

// Runs the loop on its own thread for the lifetime of the object.
class LoopThread {
  public:
    explicit LoopThread(BasicUiLoop& loop) : loop_(loop), thread_([this] { loop_.Run(); }) {
        std::promise<void> started;
        auto future = started.get_future();
        // A task runs only once Run has begun.
        loop_.Post([&] { started.set_value(); });
        EXPECT_EQ(future.wait_for(kBound), std::future_status::ready);
    }
    ~LoopThread() {
        loop_.Quit();
        thread_.join();
    }
    std::thread::id Id() const { return thread_.get_id(); }

  private:
    BasicUiLoop& loop_;
    std::thread thread_;
};

}  // namespace

TEST(BasicUiLoop, TasksRunInOrderOnTheLoopThread) {
    platform::SteadyClock steady;
    BasicUiLoop loop(steady);
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    for (int i = 0; i < 100; ++i) {
        loop.Post([&, i] {
            order.push_back(i);
            threads.push_back(std::this_thread::get_id());
            EXPECT_TRUE(loop.IsLoopThread());
        });
    }
    loop.Post([&] { loop.Quit(); });
    EXPECT_FALSE(loop.IsRunning());
    std::thread runner([&] { loop.Run(); });
    const std::thread::id runnerId = runner.get_id();
    runner.join();
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(order[i], i);
        EXPECT_EQ(threads[i], runnerId);
    }
    EXPECT_FALSE(loop.IsRunning());
    EXPECT_FALSE(loop.IsLoopThread());
}

TEST(BasicUiLoop, QuitEndsRunAndAQuitBeforeRunIsKept) {
    platform::SteadyClock steady;
    BasicUiLoop loop(steady);
    loop.Quit();
    loop.Run();  // returns at once
    int ran = 0;
    loop.Post([&] { ++ran; });
    loop.Post([&] { loop.Quit(); });
    loop.Post([&] { ++ran; });
    loop.Run();  // runs again: the earlier quit was used up
    EXPECT_EQ(ran, 1);
    loop.Post([&] { loop.Quit(); });
    loop.Run();  // the task left behind runs on the next run
    EXPECT_EQ(ran, 2);
}

TEST(BasicUiLoop, PostAndWaitRunsOnTheLoopAndNeverHangs) {
    platform::SteadyClock steady;
    BasicUiLoop loop(steady);
    bool ran = false;
    EXPECT_FALSE(loop.PostAndWait([&] { ran = true; }));  // no loop runs
    EXPECT_FALSE(ran);
    {
        LoopThread thread(loop);
        std::thread::id where;
        EXPECT_TRUE(loop.PostAndWait([&] { where = std::this_thread::get_id(); }));
        EXPECT_EQ(where, thread.Id());
        // On the loop thread itself it runs at once, inside the calling task.
        std::vector<int> order;
        EXPECT_TRUE(loop.PostAndWait([&] {
            order.push_back(1);
            EXPECT_TRUE(loop.PostAndWait([&] { order.push_back(2); }));
            order.push_back(3);
        }));
        EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    }
    // A waiter whose task has not run when the loop quits is released, and says so.
    for (int round = 0; round < 20; ++round) {
        std::atomic<bool> taskRan{false};
        bool reported = false;
        std::thread runner([&] { loop.Run(); });
        loop.Post([&] { loop.Quit(); });
        std::thread waiter([&] { reported = loop.PostAndWait([&] { taskRan = true; }); });
        waiter.join();
        runner.join();
        EXPECT_EQ(reported, taskRan.load());
    }
}

TEST(BasicUiLoop, TimersRunOnVirtualTimeStepByStep) {
    platform::VirtualClock clock;
    BasicUiLoop loop(clock);
    const int ownerA = 0, ownerB = 0;
    std::vector<std::string> fired;
    loop.StartTimer(&ownerA, 1, 30, [&] { fired.push_back("A1"); });
    loop.StartTimer(&ownerB, 1, 80, [&] { fired.push_back("B1"); });  // same id, other owner
    clock.Advance(29);
    EXPECT_EQ(loop.RunPending(), 0u);
    clock.Advance(1);
    EXPECT_EQ(loop.RunPending(), 1u);
    EXPECT_EQ(fired, (std::vector<std::string>{"A1"}));
    // Far behind: each due timer fires once, the earlier due first.
    clock.Advance(500);
    EXPECT_EQ(loop.RunPending(), 2u);
    EXPECT_EQ(fired, (std::vector<std::string>{"A1", "A1", "B1"}));
    // The next period counts from the firing.
    clock.Advance(29);
    EXPECT_EQ(loop.RunPending(), 0u);
    // A restart moves the timer's next firing.
    loop.StartTimer(&ownerA, 1, 50, [&] { fired.push_back("A1'"); });
    clock.Advance(49);
    EXPECT_EQ(loop.RunPending(), 0u);
    clock.Advance(1);
    EXPECT_EQ(loop.RunPending(), 1u);
    EXPECT_EQ(fired.back(), "A1'");
    loop.StopTimer(&ownerA, 1);
    EXPECT_FALSE(loop.IsTimerActive(&ownerA, 1));
    EXPECT_TRUE(loop.IsTimerActive(&ownerB, 1));
    loop.StopTimers(&ownerB);
    clock.Advance(1000);
    EXPECT_EQ(loop.RunPending(), 0u);
    // Posted tasks run as well, in order.
    loop.Post([&] { fired.push_back("task"); });
    EXPECT_EQ(loop.RunPending(), 1u);
    EXPECT_EQ(fired.back(), "task");
}

TEST(BasicUiLoop, TimersFireOnTheVirtualClockWhileRunning) {
    platform::VirtualClock clock;
    BasicUiLoop loop(clock);
    const int owner = 0;
    std::vector<uint64_t> times;
    loop.StartTimer(&owner, 7, 1000, [&] {
        times.push_back(clock.NowMs());
        if (times.size() == 3) loop.Quit();
    });
    const auto start = std::chrono::steady_clock::now();
    std::thread runner([&] { loop.Run(); });
    runner.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(times, (std::vector<uint64_t>{1000, 2000, 3000}));
}

TEST(BasicUiLoop, StopTimersWaitsForARunningCallback) {
    platform::SteadyClock steady;
    BasicUiLoop loop(steady);
    LoopThread thread(loop);
    const int owner = 0;
    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> finished{false};
    std::atomic<bool> once{false};
    loop.StartTimer(&owner, 1, 1, [&] {
        if (once.exchange(true)) return;
        entered.set_value();
        released.wait();
        finished = true;
    });
    ASSERT_EQ(entered.get_future().wait_for(kBound), std::future_status::ready);
    bool finishedWhenStopped = false;
    std::thread stopper([&] {
        loop.StopTimers(&owner);
        finishedWhenStopped = finished;
    });
    release.set_value();
    stopper.join();
    EXPECT_TRUE(finishedWhenStopped);
    EXPECT_FALSE(loop.IsTimerActive(&owner, 1));
}
