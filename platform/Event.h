#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <mutex>

#include "platform/Clock.h"

namespace platform {

// A manual-reset event: stays signalled until reset; every waiter is released.
class ManualResetEvent {
  public:
    explicit ManualResetEvent(bool signalled = false) : signalled_(signalled), quick_(signalled) {}
    ManualResetEvent(const ManualResetEvent&) = delete;
    ManualResetEvent& operator=(const ManualResetEvent&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;
    // Waits without a bound.
    void Wait();
    // Waits up to ms on the clock; true when signalled.
    bool WaitFor(Clock& clock, uint32_t ms);

  private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_;
    // Mirrors signalled_ so that a waiter can spin briefly before it sleeps: a request
    // usually completes within microseconds, far below a thread wake-up.
    std::atomic<bool> quick_{false};
};

// Waits up to ms on the clock until one of the events is signalled. Returns the
// position in the list of the first event that is signalled (earlier events win when several
// are), or -1 when none was within the time.
int WaitForAny(Clock& clock, std::initializer_list<ManualResetEvent*> events, uint32_t ms);

}  // namespace platform
