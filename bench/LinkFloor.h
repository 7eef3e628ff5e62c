#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "bridge/HidDevice.h"
#include "sim/SimBus.h"
#include "support/TempFolder.h"
#include "touch/ChipRegistry.h"

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

// Measures one download per iteration through a device on `bus` with its chip registry: the
// image is written into a program folder of its own, then a fresh `Update` loads it and runs
// its download with the link at 1 ms per report.
template <typename Update>
void MeasureDownloads(benchmark::State& state, sim::SimBridge& bridge, sim::SimBus& bus,
                      const std::vector<uint8_t>& image, double fixedPausesMs) {
    testsupport::TempFolder folder;
    CHidDevice device(bus, {"27C6"});
    ChipIniSettings settings;
    CChipRegistry registry(device, settings);
    device.Open();
    folder.Write("G.bin", std::string(image.begin(), image.end()));
    const std::string path = (folder.Path() / "G.bin").string();
    bridge.SetLatencyMs(1);
    LinkFloor floor(bridge, bus);
    for (auto _ : state) {
        Update update({device, registry, settings, nullptr});
        if (!update.LoadFirmwareFile(path)) {
            state.SkipWithError("image not loaded");
            break;
        }
        floor.Start();
        if (!update.Update()) state.SkipWithError("download failed");
        floor.Stop(state, fixedPausesMs);
    }
    floor.Report(state);
}
