#include "app/BasicUiLoop.h"

#include <algorithm>
#include <limits>

#include "platform/Clock.h"

namespace app {

BasicUiLoop::~BasicUiLoop() {
    std::lock_guard<std::mutex> guard(mutex_);
    ReleaseWaiters(tasks_, doneCv_);
}

void BasicUiLoop::WakeLocked() {
    ++generation_;
    wakeCv_.notify_all();
}

void BasicUiLoop::Post(Task task) {
    std::lock_guard<std::mutex> guard(mutex_);
    tasks_.push_back({std::move(task), nullptr});
    WakeLocked();
}

bool BasicUiLoop::PostAndWait(Task task) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (OnLoopThreadLocked()) {
        lock.unlock();
        task();
        return true;
    }
    if (!running_) return false;
    auto waiter = std::make_shared<UiTaskWaiter>();
    tasks_.push_back({std::move(task), waiter});
    WakeLocked();
    doneCv_.wait(lock, [&] { return waiter->done; });
    return waiter->ran;
}

void BasicUiLoop::StartTimer(const void* owner, unsigned id, uint32_t periodMs, Task callback) {
    const uint32_t period = std::max<uint32_t>(periodMs, 1);
    const uint64_t due = clock_.NowMs() + period;
    auto shared = std::make_shared<Task>(std::move(callback));
    std::lock_guard<std::mutex> guard(mutex_);
    auto it = std::find_if(timers_.begin(), timers_.end(),
                           [&](const Timer& t) { return t.owner == owner && t.id == id; });
    if (it == timers_.end()) {
        timers_.push_back({owner, id, period, due, std::move(shared)});
    } else {
        *it = {owner, id, period, due, std::move(shared)};
    }
    WakeLocked();
}

void BasicUiLoop::StopTimer(const void* owner, unsigned id) {
    std::lock_guard<std::mutex> guard(mutex_);
    std::erase_if(timers_, [&](const Timer& t) { return t.owner == owner && t.id == id; });
    WakeLocked();
}

void BasicUiLoop::StopTimers(const void* owner) {
    std::unique_lock<std::mutex> lock(mutex_);
    std::erase_if(timers_, [&](const Timer& t) { return t.owner == owner; });
    WakeLocked();
    if (!OnLoopThreadLocked()) doneCv_.wait(lock, [&] { return firingOwner_ != owner; });
}

bool BasicUiLoop::IsTimerActive(const void* owner, unsigned id) const {
    std::lock_guard<std::mutex> guard(mutex_);
    return std::any_of(timers_.begin(), timers_.end(),
                       [&](const Timer& t) { return t.owner == owner && t.id == id; });
}

bool BasicUiLoop::OnLoopThreadLocked() const {
    return loopThread_ != std::thread::id() && loopThread_ == std::this_thread::get_id();
}

bool BasicUiLoop::IsLoopThread() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return OnLoopThreadLocked();
}

bool BasicUiLoop::IsRunning() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return running_;
}

void BasicUiLoop::Quit() {
    std::lock_guard<std::mutex> guard(mutex_);
    quit_ = true;
    WakeLocked();
}

bool BasicUiLoop::RunOneTask(std::unique_lock<std::mutex>& lock) {
    return RunFrontTask(tasks_, lock, doneCv_);
}

BasicUiLoop::Timer* BasicUiLoop::EarliestTimerLocked() {
    Timer* earliest = nullptr;
    for (Timer& t : timers_) {
        if (earliest == nullptr || t.dueMs < earliest->dueMs) earliest = &t;
    }
    return earliest;
}

bool BasicUiLoop::FireOneDueTimer(std::unique_lock<std::mutex>& lock, uint64_t nowMs) {
    Timer* timer = EarliestTimerLocked();
    if (timer == nullptr || timer->dueMs > nowMs) return false;
    // The next period counts from now, so a late timer does not fire in a burst.
    timer->dueMs = clock_.NowMs() + timer->periodMs;
    std::shared_ptr<Task> callback = timer->callback;
    firingOwner_ = timer->owner;
    lock.unlock();
    (*callback)();
    lock.lock();
    firingOwner_ = nullptr;
    doneCv_.notify_all();
    return true;
}

void BasicUiLoop::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (loopThread_ != std::thread::id()) return;  // already running on some thread
    running_ = true;
    loopThread_ = std::this_thread::get_id();
    while (!quit_) {
        bool worked = FireOneDueTimer(lock, clock_.NowMs());
        if (quit_) break;
        worked = RunOneTask(lock) || worked;
        if (worked) continue;

        const uint64_t seen = generation_;
        auto wake = [&] { return quit_ || !tasks_.empty() || generation_ != seen; };
        const Timer* next = EarliestTimerLocked();
        if (next == nullptr) {
            wakeCv_.wait(lock, wake);
            continue;
        }
        const uint64_t now = clock_.NowMs();
        if (next->dueMs <= now) continue;
        const uint64_t delay =
            std::min<uint64_t>(next->dueMs - now, std::numeric_limits<uint32_t>::max());
        clock_.WaitFor(wakeCv_, lock, static_cast<uint32_t>(delay), wake);
    }
    quit_ = false;
    running_ = false;
    loopThread_ = std::thread::id();
    ReleaseWaiters(tasks_, doneCv_);
}

size_t BasicUiLoop::RunPending() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (loopThread_ != std::thread::id()) return 0;
    loopThread_ = std::this_thread::get_id();
    const uint64_t now = clock_.NowMs();
    size_t ran = 0;
    for (;;) {
        size_t step = RunOneTask(lock) ? 1 : 0;
        step += FireOneDueTimer(lock, now) ? 1 : 0;
        if (step == 0) break;
        ran += step;
    }
    loopThread_ = std::thread::id();
    return ran;
}

}  // namespace app
