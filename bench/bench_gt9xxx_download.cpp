// The whole GT9xxx download against the simulated bridge with 1 ms per report, as on a
// full-speed USB interrupt endpoint. The floor is one millisecond per report each way plus
// the download's fixed waits: its pauses and the short waits that discard stale input
// before each read. Reported: wall time, floor, and how far above the floor the run is.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "LinkFloor.h"
#include "bridge/HidDevice.h"
#include "sim/SimBus.h"
#include "sim/gt9xxx/Gt9xxxImage.h"
#include "sim/gt9xxx/SimGt9xxxFlash.h"
#include "support/TempFolder.h"
#include "touch/ChipRegistry.h"
#include "touch/gt9xxx/C9xxxUpdate.h"

namespace {

// Pauses of one download: 10 ms in each of the four SS51 and two link burns, 1 ms before
// the command in the erase, DSP, bootloader and boot ISP burns, 200 ms after the reset.
constexpr double kFixedPausesMs = 6 * 10 + 4 * 1 + 200;

void BM_Gt9xxxDownload(benchmark::State& state) {
    sim::SimBus bus;
    auto bridge = std::make_shared<sim::SimBridge>(0x27C6, 0x0102, 0x0100,
                                                   std::vector<sim::SimBridge::Interface>{{1}});
    auto chip = std::make_shared<sim::SimGt9xxxFlash>();
    bridge->SetTarget(chip);
    bridge->SetCommandHandler(
        4, [chip](const sim::BridgeRequest&, std::vector<sim::Report>&) { chip->Reset(); });
    bus.Plug(bridge);
    testsupport::TempFolder folder;
    CHidDevice device(bus, {"27C6"});
    ChipIniSettings settings;
    CChipRegistry registry(device, settings);
    device.Open();

    const auto path = std::filesystem::temp_directory_path() / "quillon-bench-G911.bin";
    const auto image = sim::MakeGt9xxxImage("911", 0x1060);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()),
               static_cast<std::streamsize>(image.size()));
    bridge->SetLatencyMs(1);

    LinkFloor floor(*bridge, bus);
    MeasureDownloads(state, floor, path.string(), kFixedPausesMs, [&] {
        return std::make_unique<C9xxxUpdate>(UpdaterContext{device, registry, settings, nullptr});
    });
    std::filesystem::remove(path);
}
BENCHMARK(BM_Gt9xxxDownload)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
