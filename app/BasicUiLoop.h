#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "app/UiTaskQueue.h"
#include "platform/Clock.h"

namespace app {

// The UI loop of our own: posted tasks and timers, run on the thread that calls Run().
// Waits go through the loop's clock, so on a virtual clock the timers run on virtual time:
// either Run() on a thread (an idle wait for the next timer lets the virtual clock advance
// to it), or no thread at all and RunPending() after advancing the clock.
class BasicUiLoop final : public UiLoop {
  public:
    explicit BasicUiLoop(platform::Clock& clock) : clock_(clock) {}
    ~BasicUiLoop() override;
    BasicUiLoop(const BasicUiLoop&) = delete;
    BasicUiLoop& operator=(const BasicUiLoop&) = delete;

    void Post(Task task) override;
    bool PostAndWait(Task task) override;
    void StartTimer(const void* owner, unsigned id, uint32_t periodMs, Task callback) override;
    void StopTimer(const void* owner, unsigned id) override;
    void StopTimers(const void* owner) override;
    bool IsTimerActive(const void* owner, unsigned id) const override;
    void Run() override;
    void Quit() override;
    bool IsRunning() const override;
    bool IsLoopThread() const override;

    // Runs on the calling thread the queued tasks and the timers due at the clock's present
    // time, each due timer once (a timer that fell behind fires once, not once per missed
    // period); returns how many ran. While it runs, the calling thread is the loop thread.
    // Does nothing while Run() runs.
    size_t RunPending();

  private:
    struct Timer {
        const void* owner;
        unsigned id;
        uint32_t periodMs;
        uint64_t dueMs;
        std::shared_ptr<Task> callback;
    };

    bool OnLoopThreadLocked() const;
    bool RunOneTask(std::unique_lock<std::mutex>& lock);
    bool FireOneDueTimer(std::unique_lock<std::mutex>& lock, uint64_t nowMs);
    Timer* EarliestTimerLocked();
    void WakeLocked();

    platform::Clock& clock_;
    mutable std::mutex mutex_;
    std::condition_variable wakeCv_;  // the loop waits here for work
    std::condition_variable doneCv_;  // PostAndWait and StopTimers wait here
    std::deque<UiTaskEntry> tasks_;
    std::vector<Timer> timers_;
    std::thread::id loopThread_;  // the thread in Run() or RunPending(); empty otherwise
    bool running_ = false;
    bool quit_ = false;
    uint64_t generation_ = 0;  // changes whenever the loop has to look again
    const void* firingOwner_ = nullptr;
};

}  // namespace app
