#include "app/qt/QtUiLoop.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <vector>

namespace app {

namespace {

// Wakes the loop to look at its tasks and its quit request.
const QEvent::Type kWakeEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

}  // namespace

QtUiLoop::QtUiLoop() = default;

QtUiLoop::~QtUiLoop() {
    std::lock_guard<std::mutex> guard(mutex_);
    timers_.clear();
    ReleaseWaiters(tasks_, doneCv_);
}

bool QtUiLoop::IsLoopThread() const { return QThread::currentThread() == thread(); }

bool QtUiLoop::IsRunning() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return running_;
}

void QtUiLoop::Enqueue(UiTaskEntry entry) {
    tasks_.push_back(std::move(entry));
    QCoreApplication::postEvent(this, new QEvent(kWakeEvent));
}

void QtUiLoop::Post(Task task) {
    std::lock_guard<std::mutex> guard(mutex_);
    Enqueue({std::move(task), nullptr});
}

bool QtUiLoop::PostAndWait(Task task) {
    if (IsLoopThread()) {
        task();
        return true;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    if (!running_) return false;
    auto waiter = std::make_shared<UiTaskWaiter>();
    Enqueue({std::move(task), waiter});
    doneCv_.wait(lock, [&] { return waiter->done; });
    return waiter->ran;
}

void QtUiLoop::customEvent(QEvent*) {
    // Every wake looks at the loop's state: whatever crosses threads goes through it under
    // the loop's lock, never inside the event. A wake may find nothing left to do.
    std::unique_lock<std::mutex> lock(mutex_);
    if (quit_ && eventLoop_ != nullptr) {
        // Once a quit is asked for, nothing more runs in this run; the rest waits for later.
        eventLoop_->quit();
        return;
    }
    while (!(quit_ && eventLoop_ != nullptr) && RunFrontTask(tasks_, lock, doneCv_)) {
    }
}

void QtUiLoop::Run() {
    if (!IsLoopThread()) return;
    QEventLoop loop;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (running_) return;
        if (quit_) {
            quit_ = false;
            return;
        }
        running_ = true;
        eventLoop_ = &loop;
    }
    loop.exec();
    std::lock_guard<std::mutex> guard(mutex_);
    eventLoop_ = nullptr;
    running_ = false;
    quit_ = false;
    ReleaseWaiters(tasks_, doneCv_);
    // Tasks left behind run whenever events are delivered again.
    if (!tasks_.empty()) QCoreApplication::postEvent(this, new QEvent(kWakeEvent));
}

void QtUiLoop::Quit() {
    std::lock_guard<std::mutex> guard(mutex_);
    quit_ = true;
    // Kept for the next Run when none runs; otherwise the loop wakes and ends.
    if (eventLoop_ != nullptr) QCoreApplication::postEvent(this, new QEvent(kWakeEvent));
}

void QtUiLoop::StartTimer(const void* owner, unsigned id, uint32_t periodMs, Task callback) {
    const TimerKey key{owner, id};
    {
        std::lock_guard<std::mutex> guard(mutex_);
        timers_[key] = {std::max<uint32_t>(periodMs, 1),
                        std::make_shared<Task>(std::move(callback))};
    }
    ApplyTimer(key);
}

void QtUiLoop::StopTimer(const void* owner, unsigned id) {
    const TimerKey key{owner, id};
    {
        std::lock_guard<std::mutex> guard(mutex_);
        timers_.erase(key);
    }
    ApplyTimer(key);
}

void QtUiLoop::StopTimers(const void* owner) {
    std::vector<TimerKey> stopped;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        for (auto it = timers_.begin(); it != timers_.end();) {
            if (it->first.first == owner) {
                stopped.push_back(it->first);
                it = timers_.erase(it);
            } else {
                ++it;
            }
        }
        if (!IsLoopThread()) doneCv_.wait(lock, [&] { return firingOwner_ != owner; });
    }
    for (const TimerKey& key : stopped) ApplyTimer(key);
}

bool QtUiLoop::IsTimerActive(const void* owner, unsigned id) const {
    std::lock_guard<std::mutex> guard(mutex_);
    return timers_.count({owner, id}) != 0;
}

void QtUiLoop::ApplyTimer(const TimerKey& key) {
    if (IsLoopThread()) {
        ApplyTimerOnLoop(key);
    } else {
        Post([this, key] { ApplyTimerOnLoop(key); });
    }
}

void QtUiLoop::ApplyTimerOnLoop(const TimerKey& key) {
    uint32_t periodMs = 0;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        auto it = timers_.find(key);
        if (it != timers_.end()) periodMs = it->second.periodMs;
    }
    auto qt = qtTimers_.find(key);
    if (periodMs == 0) {
        if (qt != qtTimers_.end()) {
            qt->second->stop();
            qt->second->deleteLater();  // it may be the timer whose callback runs now
            qtTimers_.erase(qt);
        }
        return;
    }
    if (qt == qtTimers_.end()) {
        auto* timer = new QTimer(this);
        timer->setTimerType(Qt::PreciseTimer);
        connect(timer, &QTimer::timeout, this, [this, key] { FireTimer(key); });
        qt = qtTimers_.emplace(key, timer).first;
    }
    qt->second->start(static_cast<int>(std::min<uint32_t>(periodMs, INT32_MAX)));
}

void QtUiLoop::FireTimer(const TimerKey& key) {
    std::unique_lock<std::mutex> lock(mutex_);
    auto it = timers_.find(key);
    // Stopped on another thread; the Qt timer goes when the stop reaches the loop.
    if (it == timers_.end()) return;
    std::shared_ptr<Task> callback = it->second.callback;
    const void* outer = firingOwner_;  // a callback may run a modal loop that fires others
    firingOwner_ = key.first;
    lock.unlock();
    (*callback)();
    lock.lock();
    firingOwner_ = outer;
    doneCv_.notify_all();
}

}  // namespace app
