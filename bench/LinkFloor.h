#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "sim/SimBus.h"

// The wire bound of a run against the simulated bridge with a latency of 1 ms per report:
// one millisecond per report each way, the run's fixed pauses, and the time spent waiting
// for input that did not come (the short waits that discard stale input before each read).
// Start before the run, Stop after it; Report puts wall time, floor and how far above the
// floor the last run was into the benchmark's counters.
class LinkFloor {
  public:
    LinkFloor(sim::SimBridge& bridge, sim::SimBus& bus) : bridge_(bridge), bus_(bus) {}

    void Start() {
        sent_ = bridge_.ReportsReceived();
        received_ = bus_.ReportsDelivered();
        waited_ = bus_.TimeoutWaitMs();
        start_ = std::chrono::steady_clock::now();
    }

    void Stop(benchmark::State& state, double fixedPausesMs) {
        wallMs_ =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_)
                .count();
        const uint64_t reports =
            bridge_.ReportsReceived() - sent_ + bus_.ReportsDelivered() - received_;
        floorMs_ = static_cast<double>(reports) + fixedPausesMs +
                   static_cast<double>(bus_.TimeoutWaitMs() - waited_);
        state.counters["reports"] = static_cast<double>(reports);
        state.SetIterationTime(wallMs_ / 1000);
    }

    void Report(benchmark::State& state) const {
        state.counters["wall_ms"] = wallMs_;
        state.counters["floor_ms"] = floorMs_;
        state.counters["over_floor_pct"] = (wallMs_ / floorMs_ - 1) * 100;
    }

  private:
    sim::SimBridge& bridge_;
    sim::SimBus& bus_;
    uint64_t sent_ = 0, received_ = 0, waited_ = 0;
    std::chrono::steady_clock::time_point start_;
    double wallMs_ = 0, floorMs_ = 0;
};

// Measures one download per iteration: a fresh updater from `make` loads the image at
// `path` and runs its download against the floor.
template <typename MakeUpdater>
void MeasureDownloads(benchmark::State& state, LinkFloor& floor, const std::string& path,
                      double fixedPausesMs, MakeUpdater make) {
    for (auto _ : state) {
        auto update = make();
        if (!update->LoadFirmwareFile(path)) {
            state.SkipWithError("image not loaded");
            break;
        }
        floor.Start();
        if (!update->Update()) state.SkipWithError("download failed");
        floor.Stop(state, fixedPausesMs);
    }
    floor.Report(state);
}
