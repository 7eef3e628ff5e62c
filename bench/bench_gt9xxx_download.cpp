// The whole GT9xxx download (SS51, DSP, link, bootloader and boot ISP sections).
#include "DownloadBench.h"
#include "sim/gt9xxx/Gt9xxxImage.h"
#include "sim/gt9xxx/SimGt9xxxFlash.h"
#include "touch/gt9xxx/C9xxxUpdate.h"

namespace {

// Pauses of one download: 10 ms in each of the four SS51 and two link burns, 1 ms before
// the command in the erase, DSP, bootloader and boot ISP burns, 200 ms after the reset.
constexpr double kFixedPausesMs = 6 * 10 + 4 * 1 + 200;

void BM_Gt9xxxDownload(benchmark::State& state) {
    RunDownloadBench<C9xxxUpdate>(state, {std::make_shared<sim::SimGt9xxxFlash>(), 0x0102,
                                          sim::MakeGt9xxxImage("911", 0x1060), kFixedPausesMs});
}
BENCHMARK(BM_Gt9xxxDownload)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
