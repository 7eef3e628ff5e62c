#include "platform/Clock.h"

#include <thread>

namespace platform {

uint64_t SteadyClock::NowUs() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

void SteadyClock::SleepUs(uint64_t us) {
    std::this_thread::sleep_for(std::chrono::microseconds(us));
}

bool SteadyClock::WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                          uint32_t ms, const std::function<bool()>& pred) {
    return cv.wait_for(lock, std::chrono::milliseconds(ms), pred);
}

uint64_t VirtualClock::NowUs() {
    std::lock_guard<std::mutex> guard(mutex_);
    return nowUs_;
}

void VirtualClock::SleepUs(uint64_t us) {
    std::lock_guard<std::mutex> guard(mutex_);
    nowUs_ += us;
    sleptUs_ += us;
}

bool VirtualClock::WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                           uint32_t ms, const std::function<bool()>& pred) {
    if (pred()) return true;
    const uint32_t grace = ms < realGraceMs_ ? ms : realGraceMs_;
    if (cv.wait_for(lock, std::chrono::milliseconds(grace), pred)) return true;
    Advance(ms);
    return pred();
}

void VirtualClock::Advance(uint64_t ms) {
    std::lock_guard<std::mutex> guard(mutex_);
    nowUs_ += ms * 1000;
}

uint64_t VirtualClock::SleptMs() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return sleptUs_ / 1000;
}

}  // namespace platform
