#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace platform {

// The one seam through which every sleep and every timed wait of the program goes.
// Production hands a steady clock to what waits; tests hand a virtual clock so that the fixed
// pauses and time-outs of the protocol cost no real time.
class Clock {
  public:
    virtual ~Clock() = default;

    // Microseconds since an arbitrary start.
    virtual uint64_t NowUs() = 0;
    virtual void SleepUs(uint64_t us) = 0;
    uint64_t NowMs() { return NowUs() / 1000; }
    void SleepMs(uint32_t ms) { SleepUs(uint64_t{ms} * 1000); }
    // Waits until pred() holds or ms have passed; returns pred(). lock guards pred's state
    // and is the lock that cv is notified under.
    virtual bool WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                         uint32_t ms, const std::function<bool()>& pred) = 0;
};

class SteadyClock final : public Clock {
  public:
    uint64_t NowUs() override;
    void SleepUs(uint64_t us) override;
    bool WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, uint32_t ms,
                 const std::function<bool()>& pred) override;
};

// Virtual time: sleeps advance the time at once. A timed wait gives other threads a short
// real-time grace to make the condition true, then advances by the whole time-out.
class VirtualClock final : public Clock {
  public:
    explicit VirtualClock(uint32_t realGraceMs = 20) : realGraceMs_(realGraceMs) {}
    uint64_t NowUs() override;
    void SleepUs(uint64_t us) override;
    bool WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, uint32_t ms,
                 const std::function<bool()>& pred) override;
    void Advance(uint64_t ms);
    // Total of all sleeps made so far, in milliseconds.
    uint64_t SleptMs() const;

  private:
    uint32_t realGraceMs_;
    mutable std::mutex mutex_;
    uint64_t nowUs_ = 0;
    uint64_t sleptUs_ = 0;
};

}  // namespace platform
