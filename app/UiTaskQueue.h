#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include "app/UiLoop.h"

namespace app {

// The posted tasks of a UI loop, kept under the loop's lock. A task posted by PostAndWait
// carries a waiter that its caller waits on.
struct UiTaskWaiter {
    bool done = false;
    bool ran = false;
};

struct UiTaskEntry {
    UiLoop::Task task;
    std::shared_ptr<UiTaskWaiter> waiter;  // set for PostAndWait
};

// Runs the task at the front with the loop's lock released, then tells its waiter; false
// when no task waits. lock holds the loop's lock on entry and on return.
inline bool RunFrontTask(std::deque<UiTaskEntry>& tasks, std::unique_lock<std::mutex>& lock,
                         std::condition_variable& doneCv) {
    if (tasks.empty()) return false;
    UiTaskEntry entry = std::move(tasks.front());
    tasks.pop_front();
    lock.unlock();
    entry.task();
    lock.lock();
    if (entry.waiter) {
        entry.waiter->done = true;
        entry.waiter->ran = true;
        doneCv.notify_all();
    }
    return true;
}

// Releases every waiter whose task has not run, and drops those tasks: their callers learn
// that the loop did not run them. The loop's lock is held.
inline void ReleaseWaiters(std::deque<UiTaskEntry>& tasks, std::condition_variable& doneCv) {
    bool released = false;
    for (UiTaskEntry& entry : tasks) {
        if (entry.waiter) {
            entry.waiter->done = true;
            released = true;
        }
    }
    std::erase_if(tasks, [](const UiTaskEntry& entry) { return entry.waiter != nullptr; });
    if (released) doneCv.notify_all();
}

}  // namespace app
