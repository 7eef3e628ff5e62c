#pragma once

#include <cstdint>
#include <functional>

namespace app {

// The UI thread's event loop: the dialog's logic, device notifications and the log's timers
// run on it. Posting, timers and quitting work from any thread; tasks and timer callbacks
// run on the thread that runs the loop, one at a time. The interactive dialog fills it with
// its toolkit's loop; BasicUiLoop is the loop of our own used without a display.
class UiLoop {
  public:
    using Task = std::function<void()>;

    virtual ~UiLoop() = default;

    // Queues a task; tasks run in the order they were posted. Any thread.
    virtual void Post(Task task) = 0;
    // Runs the task on the loop thread and waits until it has run. Called on the loop thread
    // itself it runs the task at once. Returns false, without running the task, when the
    // loop is not running or quits before the task's turn, so a caller never hangs on a
    // loop that is not there.
    virtual bool PostAndWait(Task task) = 0;

    // Starts timer (owner, id), or restarts it when it runs: the callback runs on the loop
    // thread every periodMs, the first time periodMs from now. Times come from the clock
    // seam. Timers of different owners never collide.
    virtual void StartTimer(const void* owner, unsigned id, uint32_t periodMs, Task callback) = 0;
    // Stops the timer; a timer that does not run is ignored.
    virtual void StopTimer(const void* owner, unsigned id) = 0;
    // Stops every timer of owner. Called on another thread than the loop's, it also waits
    // until a callback of owner that is running has returned, so that the owner may be
    // destroyed afterwards; the caller must not hold a lock that such a callback takes.
    virtual void StopTimers(const void* owner) = 0;
    virtual bool IsTimerActive(const void* owner, unsigned id) const = 0;

    // Runs the loop on the calling thread until Quit. A Quit made before Run makes Run return
    // at once.
    virtual void Run() = 0;
    virtual void Quit() = 0;
    virtual bool IsRunning() const = 0;
    // True on the thread that runs the loop's tasks.
    virtual bool IsLoopThread() const = 0;
};

}  // namespace app
