#include "platform/Event.h"

#include "platform/Clock.h"
#include "platform/Spin.h"

namespace platform {

void ManualResetEvent::Set() {
    // Notified under the lock: a waiter that saw the event set takes the lock once before it
    // returns, so the event may be destroyed as soon as its waiter is back.
    std::lock_guard<std::mutex> guard(mutex_);
    signalled_ = true;
    quick_.store(true, std::memory_order_release);
    cv_.notify_all();
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

bool ManualResetEvent::WaitFor(uint32_t ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    return GetClock().WaitFor(cv_, lock, ms, [this] { return signalled_; });
}

}  // namespace platform
