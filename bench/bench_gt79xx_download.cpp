// The whole GT79xx download of a representative image (8 KB ISP stub, 168 KB of firmware in
// two sub-images, a configuration) against the simulated bridge with 1 ms per report, as on
// a full-speed USB interrupt endpoint. The floor is one millisecond per report each way plus
// the download's fixed waits: its pauses and the short waits that discard stale input before
// each read. Reported: wall time, floor, and how far above the floor the run is.
#include <benchmark/benchmark.h>

#include <memory>

#include "LinkFloor.h"
#include "sim/SimBus.h"
#include "sim/gt79xx/Gt79xxImage.h"
#include "sim/gt79xx/SimGt79xx.h"
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
    MeasureDownloads<C79xxUpdate>(state, *bridge, bus,
                                  sim::MakeGt79xxImage("7936", {2, 0, 1, 0x1A}), kFixedPausesMs);
}
BENCHMARK(BM_Gt79xxDownload)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
