#include "platform/Event.h"

#include "platform/Clock.h"
#include "platform/Spin.h"

namespace platform {

namespace {
// Waiters on several events wait here; an event that is set notifies them while any wait.
std::mutex g_anyMutex;
std::condition_variable g_anyCv;
std::atomic<int> g_anyWaiters{0};
}  // namespace

void ManualResetEvent::Set() {
    {
        // Notified under the lock: a waiter that saw the event set takes the lock once before
        // it returns, so the event may be destroyed as soon as its waiter is back.
        std::lock_guard<std::mutex> guard(mutex_);
        signalled_ = true;
        quick_.store(true, std::memory_order_release);
        cv_.notify_all();
    }
    // The event itself is not touched here any more.
    if (g_anyWaiters.load() != 0) {
        std::lock_guard<std::mutex> guard(g_anyMutex);
        g_anyCv.notify_all();
    }
}

void ManualResetEvent::Reset() {
    std::lock_guard<std::mutex> guard(mutex_);
    signalled_ = false;
    quick_.store(false, std::memory_order_release);
}

bool ManualResetEvent::IsSet() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return signalled_;
}

void ManualResetEvent::Wait() {
    if (SpinUntil([this] { return quick_.load(std::memory_order_acquire); })) {
        std::lock_guard<std::mutex> settled(mutex_);  // Set() has let go of the event
        return;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait(lock, [this] { return signalled_; });
}

bool ManualResetEvent::WaitFor(Clock& clock, uint32_t ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    return clock.WaitFor(cv_, lock, ms, [this] { return signalled_; });
}

int WaitForAny(Clock& clock, std::initializer_list<ManualResetEvent*> events, uint32_t ms) {
    auto first = [&events] {
        int index = 0;
        for (ManualResetEvent* event : events) {
            if (event->IsSet()) return index;
            ++index;
        }
        return -1;
    };
    std::unique_lock<std::mutex> lock(g_anyMutex);
    // Counted before the first look: an event set after it notifies under the lock.
    ++g_anyWaiters;
    clock.WaitFor(g_anyCv, lock, ms, [&first] { return first() >= 0; });
    --g_anyWaiters;
    return first();
}

}  // namespace platform
