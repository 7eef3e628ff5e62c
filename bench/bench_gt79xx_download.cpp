// The whole GT79xx download of a representative image (8 KB ISP stub, 168 KB of firmware in
// two sub-images, a configuration) against its wire bound.
#include "DownloadBench.h"
#include "sim/gt79xx/Gt79xxImage.h"
#include "sim/gt79xx/SimGt79xx.h"
#include "touch/gt79xx/C79xxUpdate.h"

namespace {

// Pauses of one download: 5 ms after setting the update flag (read back at the first
// attempt), 5 ms after the memory check and 10 ms after starting the ISP stub.
constexpr double kFixedPausesMs = 5 + 5 + 10;

void BM_Gt79xxDownload(benchmark::State& state) {
    RunDownloadBench<C79xxUpdate>(state,
                                  {std::make_shared<sim::SimGt79xx>(), 0x0401,
                                   sim::MakeGt79xxImage("7936", {2, 0, 1, 0x1A}), kFixedPausesMs});
}
BENCHMARK(BM_Gt79xxDownload)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
