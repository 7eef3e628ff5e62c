// The whole GT9Pxx download (three sections, 18 KiB, in blocks of up to 4096 bytes).
#include "DownloadBench.h"
#include "sim/gt9pxx/Gt9pxxImage.h"
#include "sim/gt9pxx/SimGt9pxxFlash.h"
#include "touch/gt9pxx/C9PxxUpdate.h"

namespace {

// Pauses of one download: 15 ms before reading the stub's answer, 100 ms before and 15 ms
// after the end-of-download command.
constexpr double kFixedPausesMs = 15 + 100 + 15;

void BM_Gt9pxxDownload(benchmark::State& state) {
    RunDownloadBench<C9PxxUpdate>(state, {std::make_shared<sim::SimGt9pxxFlash>(), 0x0999,
                                          sim::MakeGt9pxxImage("9286", {1, 2, 4}), kFixedPausesMs});
}
BENCHMARK(BM_Gt9pxxDownload)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
