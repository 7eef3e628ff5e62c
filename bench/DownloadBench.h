#pragma once

// One touch firmware download against the simulated bridge with 1 ms per report, as on a
// full-speed USB interrupt endpoint, measured against its wire bound (LinkFloor.h).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "LinkFloor.h"
#include "sim/SimChip.h"
#include "sim/SimRig.h"
#include "support/TempFolder.h"

struct DownloadBench {
    std::shared_ptr<sim::SimChip> chip;
    uint16_t bridgeModel;  // selects the family when the bridge opens (0x0999: none)
    std::vector<uint8_t> image;
    double fixedPausesMs;
};

template <class Updater>
void RunDownloadBench(benchmark::State& state, const DownloadBench& bench) {
    testsupport::TempFolder folder;
    // The steady clock runs: what is measured is the time on the wire.
    sim::SimRig rig({.bridgeModel = bench.bridgeModel, .openNow = false, .virtualTime = false});
    rig.Start(bench.chip);

    const auto path = folder.Path() / "G.bin";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bench.image.data()),
               static_cast<std::streamsize>(bench.image.size()));
    rig.bridge->SetLatencyMs(1);

    LinkFloor floor(*rig.bridge, rig.bus);
    for (auto _ : state) {
        Updater update(rig.Context(nullptr));
        if (!update.LoadFirmwareFile(path.string())) {
            state.SkipWithError("image not loaded");
            break;
        }
        floor.Start();
        if (!update.Update()) state.SkipWithError("download failed");
        floor.Stop(state, bench.fixedPausesMs);
    }
    floor.Report(state);
}
