#include <gtest/gtest.h>

#include <QThread>
#include <atomic>
#include <future>
#include <map>
#include <thread>
#include <vector>

#include "app/qt/QtUiLoop.h"
#include "support/QtLoop.h"

using app::QtUiLoop;
using testsupport::RunLoopFor;
using testsupport::RunLoopUntil;

TEST(QtUiLoop, TasksFromEveryThreadRunOnTheLoopThreadInTheirOrder) {
    QtUiLoop loop;
    std::map<int, std::vector<int>> seen;  // writer -> numbers in the order they ran
    std::atomic<int> ran{0};
    bool onLoopThread = true;
    std::vector<std::thread> writers;
    for (int w = 0; w < 4; ++w) {
        writers.emplace_back([&, w] {
            for (int i = 0; i < 200; ++i) {
                loop.Post([&, w, i] {
                    onLoopThread = onLoopThread && loop.IsLoopThread() &&
                                   QThread::currentThread() == loop.thread();
                    seen[w].push_back(i);
                    ++ran;
                });
            }
        });
    }
    for (auto& writer : writers) writer.join();
    ASSERT_TRUE(RunLoopUntil(loop, [&] { return ran == 800; }));
    EXPECT_TRUE(onLoopThread);
    for (int w = 0; w < 4; ++w) {
        ASSERT_EQ(seen[w].size(), 200u);
        for (int i = 0; i < 200; ++i) EXPECT_EQ(seen[w][i], i);
    }
}

TEST(QtUiLoop, QuitBeforeRunIsKeptAndUsedUp) {
    QtUiLoop loop;
    loop.Quit();
    loop.Run();  // returns at once
    EXPECT_FALSE(loop.IsRunning());
    int ran = 0;
    loop.Post([&] { ++ran; });
    loop.Post([&] {
        EXPECT_TRUE(loop.IsRunning());
        loop.Quit();
    });
    loop.Run();
    EXPECT_EQ(ran, 1);
}

TEST(QtUiLoop, PostAndWaitRunsOnTheLoopAndNeverHangs) {
    QtUiLoop loop;
    // No loop runs: a waiter on another thread is refused at once.
    bool ran = false;
    std::thread([&] { EXPECT_FALSE(loop.PostAndWait([&] { ran = true; })); }).join();
    EXPECT_FALSE(ran);
    // On the loop thread the task runs at once, also before the loop runs.
    EXPECT_TRUE(loop.PostAndWait([&] { ran = true; }));
    EXPECT_TRUE(ran);

    // From another thread while the loop runs: on the loop thread, and the caller waits.
    std::atomic<bool> returned{false};
    bool reported = false;
    bool onLoop = false;
    std::thread waiter;
    loop.Post([&] {
        waiter = std::thread([&] {
            reported = loop.PostAndWait([&] { onLoop = loop.IsLoopThread(); });
            returned = true;
        });
    });
    ASSERT_TRUE(RunLoopUntil(loop, [&] { return returned.load(); }));
    waiter.join();
    EXPECT_TRUE(reported);
    EXPECT_TRUE(onLoop);

    // A waiter whose task is queued behind the loop's quit is released and told so.
    std::atomic<bool> late{true};
    std::atomic<bool> lateRan{false};
    std::thread lateWaiter;
    loop.Post([&] {
        loop.Quit();
        lateWaiter = std::thread([&] { late = loop.PostAndWait([&] { lateRan = true; }); });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    });
    loop.Run();
    lateWaiter.join();
    EXPECT_FALSE(late);
    EXPECT_FALSE(lateRan);
}

TEST(QtUiLoop, TimersFireRestartAndStopPerOwner) {
    QtUiLoop loop;
    const int ownerA = 0, ownerB = 0;
    int a = 0, b = 0;
    bool onLoop = true;
    loop.StartTimer(&ownerA, 1, 5, [&] { ++a; });
    // Same id, other owner, started on another thread: it runs on the loop thread.
    std::thread([&] {
        loop.StartTimer(&ownerB, 1, 5, [&] {
            onLoop = onLoop && loop.IsLoopThread();
            ++b;
        });
    }).join();
    EXPECT_TRUE(loop.IsTimerActive(&ownerA, 1));
    EXPECT_TRUE(loop.IsTimerActive(&ownerB, 1));
    ASSERT_TRUE(RunLoopUntil(loop, [&] { return a >= 3 && b >= 3; }));
    EXPECT_TRUE(onLoop);

    // A restart replaces the callback; a stop from another thread takes effect at once.
    int restarted = 0;
    loop.StartTimer(&ownerA, 1, 5, [&] { ++restarted; });
    ASSERT_TRUE(RunLoopUntil(loop, [&] { return restarted >= 2; }));
    std::thread([&] { loop.StopTimer(&ownerA, 1); }).join();
    EXPECT_FALSE(loop.IsTimerActive(&ownerA, 1));
    EXPECT_TRUE(loop.IsTimerActive(&ownerB, 1));
    const int restartedAtStop = restarted;
    loop.StopTimers(&ownerB);
    const int bAtStop = b;
    RunLoopFor(loop, 40);
    EXPECT_EQ(restarted, restartedAtStop);
    EXPECT_EQ(b, bAtStop);
}

TEST(QtUiLoop, StopTimersOnAnotherThreadWaitsForARunningCallback) {
    QtUiLoop loop;
    const int owner = 0;
    std::atomic<bool> stopperDone{false};
    bool finishedWhenStopped = false;
    std::thread stopper;
    std::atomic<bool> finished{false};
    loop.StartTimer(&owner, 1, 1, [&] {
        if (stopper.joinable()) return;
        stopper = std::thread([&] {
            loop.StopTimers(&owner);
            finishedWhenStopped = finished;
            stopperDone = true;
        });
        // The stopper waits while this callback runs.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_FALSE(stopperDone);
        finished = true;
    });
    ASSERT_TRUE(RunLoopUntil(loop, [&] { return stopperDone.load(); }));
    stopper.join();
    EXPECT_TRUE(finishedWhenStopped);
    EXPECT_FALSE(loop.IsTimerActive(&owner, 1));
}
