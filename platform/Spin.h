#pragma once

#include <chrono>
#include <thread>

namespace platform {

// Spins for a few tens of microseconds until done() holds; true when it did. Used before
// blocking on a hand-off between threads that usually completes faster than a wake-up.
template <typename Done>
bool SpinUntil(Done done, std::chrono::microseconds budget = std::chrono::microseconds(50)) {
    const auto until = std::chrono::steady_clock::now() + budget;
    do {
        for (int i = 0; i < 64; ++i) {
            if (done()) return true;
        }
        std::this_thread::yield();
    } while (std::chrono::steady_clock::now() < until);
    return done();
}

}  // namespace platform
