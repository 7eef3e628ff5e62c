// The whole GT9xxx download against the simulated bridge with 1 ms per report, as on a
// full-speed USB interrupt endpoint. The floor is one millisecond per report each way plus
// the download's fixed waits: its pauses and the short waits that discard stale input
// before each read. Reported: wall time, floor, and how far above the floor the run is.
#include <benchmark/benchmark.h>

#include <memory>

#include "LinkFloor.h"
#include "sim/SimBus.h"
#include "sim/gt9xxx/Gt9xxxImage.h"
#include "sim/gt9xxx/SimGt9xxxFlash.h"
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
    MeasureDownloads<C9xxxUpdate>(state, *bridge, bus, sim::MakeGt9xxxImage("911", 0x1060),
                                  kFixedPausesMs);
}
BENCHMARK(BM_Gt9xxxDownload)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
