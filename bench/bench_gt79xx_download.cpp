// The whole GT79xx download of a representative image (8 KB ISP stub, 168 KB of firmware in
// two sub-images, a configuration) against the simulated bridge with 1 ms per report, as on
// a full-speed USB interrupt endpoint. The floor is one millisecond per report each way plus
// the download's fixed waits: its pauses and the short waits that discard stale input before
// each read. Reported: wall time, floor, and how far above the floor the run is.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "LinkFloor.h"
#include "bridge/HidDevice.h"
#include "sim/SimBus.h"
#include "sim/gt79xx/Gt79xxImage.h"
#include "sim/gt79xx/SimGt79xx.h"
#include "support/TempFolder.h"
#include "touch/ChipRegistry.h"
#include "touch/gt79xx/C79xxUpdate.h"

namespace {

// Pauses of one download: 5 ms after setting the update flag (read back at the first
// attempt), 5 ms after the memory check and 10 ms after starting the ISP stub.
constexpr double kFixedPausesMs = 5 + 5 + 10;

void BM_Gt79xxDownload(benchmark::State& state) {
    sim::SimBus bus;
    auto bridge = std::make_shared<sim::SimBridge>(0x27C6, 0x0401, 0x0100,
                                                   std::vector<sim::SimBridge::Interface>{{1}});
    auto chip = std::make_shared<sim::SimGt79xx>();
    chip->Attach(*bridge);
    bus.Plug(bridge);
    testsupport::TempFolder folder;
    CHidDevice device(bus, {"27C6"});
    ChipIniSettings settings;
    CChipRegistry registry(device, settings);
    device.Open();
    if (registry.CurrentFamily() != kFamilyGT79xx) {
        state.SkipWithError("bridge not taken as GT79xx");
        return;
    }

    const auto path = std::filesystem::temp_directory_path() / "quillon-bench-G7936.bin";
    const auto image = sim::MakeGt79xxImage("7936", {2, 0, 1, 0x1A});
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()),
               static_cast<std::streamsize>(image.size()));
    bridge->SetLatencyMs(1);

    LinkFloor floor(*bridge, bus);
    MeasureDownloads(state, floor, path.string(), kFixedPausesMs, [&] {
        return std::make_unique<C79xxUpdate>(UpdaterContext{device, registry, settings, nullptr});
    });
    std::filesystem::remove(path);
}
BENCHMARK(BM_Gt79xxDownload)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
