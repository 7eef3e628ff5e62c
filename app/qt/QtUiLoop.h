#pragma once

#include <QObject>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "app/UiTaskQueue.h"

class QEventLoop;
class QTimer;

namespace app {

// The UI loop of the interactive program: Qt's event loop on the thread that owns the
// application object. Posted tasks are Qt events, timers are Qt timers, so the dialog's logic,
// the log's drain and spinner and the widgets share one loop.
//
// Its timers run on real time, not on the clock seam: they pace what a person watches (the
// log's drain and spinner), never a wait of the protocol. Tasks run whenever Qt delivers
// events on the loop thread, also inside a modal dialog's own loop, except between a Quit
// and the end of the run it ends. PostAndWait counts the loop as running only between Run's
// start and its end, and releases its waiters when Run ends, so a writer never hangs on a
// window that has closed.
class QtUiLoop final : public QObject, public UiLoop {
  public:
    // Construct on the thread that owns the QApplication.
    QtUiLoop();
    ~QtUiLoop() override;
    QtUiLoop(const QtUiLoop&) = delete;
    QtUiLoop& operator=(const QtUiLoop&) = delete;

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

  protected:
    void customEvent(QEvent* event) override;

  private:
    using TimerKey = std::pair<const void*, unsigned>;
    struct Timer {
        uint32_t periodMs;
        std::shared_ptr<Task> callback;
    };

    void Enqueue(UiTaskEntry entry);
    // Brings the Qt timer of key in line with the timer table; loop thread only.
    void ApplyTimer(const TimerKey& key);
    void ApplyTimerOnLoop(const TimerKey& key);
    void FireTimer(const TimerKey& key);

    mutable std::mutex mutex_;
    std::condition_variable doneCv_;  // PostAndWait and StopTimers wait here
    std::deque<UiTaskEntry> tasks_;
    std::map<TimerKey, Timer> timers_;
    const void* firingOwner_ = nullptr;
    bool running_ = false;
    bool quit_ = false;
    QEventLoop* eventLoop_ = nullptr;
    std::map<TimerKey, QTimer*> qtTimers_;  // loop thread only
};

}  // namespace app
