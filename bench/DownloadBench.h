#pragma once

// One touch firmware download against the simulated bridge with 1 ms per report, as on a
// full-speed USB interrupt endpoint. The floor is one millisecond per report each way plus
// the download's fixed waits: its pauses and the short waits that discard stale input
// before each read. Reported: wall time, floor, and how far above the floor the run is.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "bridge/HidDevice.h"
#include "sim/SimBus.h"
#include "sim/SimChip.h"
#include "support/TempFolder.h"
#include "touch/ChipRegistry.h"

struct DownloadBench {
    std::shared_ptr<sim::SimChip> chip;
    uint16_t bridgeModel;  // selects the family when the bridge opens (0x0999: none)
    std::vector<uint8_t> image;
    double fixedPausesMs;
};

template <class Updater>
void RunDownloadBench(benchmark::State& state, const DownloadBench& bench) {
    sim::SimBus bus;
    auto bridge = std::make_shared<sim::SimBridge>(0x27C6, bench.bridgeModel, 0x0100,
                                                   std::vector<sim::SimBridge::Interface>{{1}});
    bench.chip->Attach(*bridge);
    bus.Plug(bridge);
    testsupport::TempFolder folder;
    CHidDevice device(bus, {"27C6"});
    ChipIniSettings settings;
    CChipRegistry registry(device, settings);
    device.Open();

    const auto path = folder.Path() / "G.bin";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bench.image.data()),
               static_cast<std::streamsize>(bench.image.size()));
    bridge->SetLatencyMs(1);

    double wallMs = 0, floorMs = 0;
    for (auto _ : state) {
        Updater update({device, registry, settings, nullptr});
        if (!update.LoadFirmwareFile(path.string())) {
            state.SkipWithError("image not loaded");
            break;
        }
        const uint64_t sent = bridge->ReportsReceived(), received = bus.ReportsDelivered();
        const uint64_t waited = bus.TimeoutWaitMs();
        const auto start = std::chrono::steady_clock::now();
        if (!update.Update()) state.SkipWithError("download failed");
        wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count();
        const uint64_t reports =
            bridge->ReportsReceived() - sent + bus.ReportsDelivered() - received;
        floorMs = static_cast<double>(reports) + bench.fixedPausesMs +
                  static_cast<double>(bus.TimeoutWaitMs() - waited);
        state.counters["reports"] = static_cast<double>(reports);
        state.SetIterationTime(wallMs / 1000);
    }
    state.counters["wall_ms"] = wallMs;
    state.counters["floor_ms"] = floorMs;
    state.counters["over_floor_pct"] = (wallMs / floorMs - 1) * 100;
}
