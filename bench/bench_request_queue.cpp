// One-byte register reads through the request queue and worker against the simulated bridge
// with no latency: the cost the queue and the worker add to each request. The protocol's
// fixed waits (the 2 ms flush of waiting input before every read) run on a virtual clock
// here, so that what is measured is the program's own work.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "bridge/HidDevice.h"
#include "platform/Clock.h"
#include "sim/SimRig.h"

namespace {

struct SimulatedBridge : sim::SimRig {
    SimulatedBridge() : sim::SimRig({.chipRegistry = false}) {
        bridge->Registers().Set(0x8140, 0x39);
    }
};

// The exchange itself, executed directly on this thread: the floor under a queued request.
void BM_DirectTransfer(benchmark::State& state) {
    SimulatedBridge sim;
    uint8_t value = 0;
    // No request is running, so the report operations may be called here directly.
    for (auto _ : state) {
        sim.device().LoadHeader(BridgeCommandHeader::Build(0, 15, 0x8140, 1, HeaderLayout{}));
        benchmark::DoNotOptimize(sim.device().Transfer(
            &value, 1, 100, CHidDevice::StaleInput::Discard, platform::kNoHandle));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DirectTransfer);

// A queued one-byte read: request, queue, worker, exchange, completion.
void BM_QueuedReadByte(benchmark::State& state) {
    SimulatedBridge sim;
    std::vector<double> roundTrips;
    roundTrips.reserve(1 << 20);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(sim.device().ReadByte(0x8140));
        roundTrips.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(roundTrips.begin(), roundTrips.end());
    state.counters["median_us"] = roundTrips.empty() ? 0 : roundTrips[roundTrips.size() / 2];
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_QueuedReadByte)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
