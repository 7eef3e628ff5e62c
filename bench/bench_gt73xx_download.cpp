// The whole GT73xx download (bootloader, Gm11 and G1 regions in 8192-byte blocks).
#include "DownloadBench.h"
#include "sim/gt73xx/Gt73xxImage.h"
#include "sim/gt73xx/SimGt73xxFlash.h"
#include "touch/gt73xx/C73xxUpdate.h"

namespace {

// Pauses of one download: 50 ms before waiting for the stub, 800 ms in the restart.
constexpr double kFixedPausesMs = 50 + 800;

void BM_Gt73xxDownload(benchmark::State& state) {
    RunDownloadBench<C73xxUpdate>(state, {std::make_shared<sim::SimGt73xxFlash>(), 0x0301,
                                          sim::MakeGt73xxImage("7387", {1, 2, 4}), kFixedPausesMs});
}
BENCHMARK(BM_Gt73xxDownload)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
