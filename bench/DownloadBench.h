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
#include "bridge/HidDevice.h"
#include "platform/Clock.h"
#include "platform/MessageService.h"
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
    platform::SteadyClock clock;
    platform::StderrMessageService messages;
    sim::SimBus bus(clock);
    auto bridge = std::make_shared<sim::SimBridge>(0x27C6, bench.bridgeModel, 0x0100,
                                                   std::vector<sim::SimBridge::Interface>{{1}});
    bench.chip->Attach(*bridge);
    bus.Plug(bridge);
    testsupport::TempFolder folder;
    CHidDevice device(bus, clock, {"27C6"});
    ChipIniSettings settings;
    CChipRegistry registry(device, clock, messages, settings);
    device.Open();

    const auto path = folder.Path() / "G.bin";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bench.image.data()),
               static_cast<std::streamsize>(bench.image.size()));
    bridge->SetLatencyMs(1);

    LinkFloor floor(*bridge, bus);
    for (auto _ : state) {
        Updater update({device, clock, registry, settings, nullptr});
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
