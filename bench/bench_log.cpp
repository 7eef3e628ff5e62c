// Cost of drawing log messages as the log grows: the k-th thousand of 10,000 messages,
// each message queued and drained on its own as the drain timer does when messages come
// one at a time. The time per message should not depend on k.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "app/LogModel.h"

namespace {

constexpr int kBatch = 1000;

// The i-th message of a stream shaped like an upgrade run: busy lines completed by "#",
// progress lines that replace one another, "ADC" lines that the next line overwrites,
// plain lines in several kinds.
void AppendMessage(app::LogModel& log, int i) {
    switch (i % 10) {
        case 0:
            log.AppendLog("[GTxxxx]Download ISP", LogBusy);
            break;
        case 1:
            log.AppendLog("# Success", LogSuccess);
            break;
        case 2:
        case 3:
        case 4:
            log.AppendLog("Block " + std::to_string(i), LogProgress);
            break;
        case 5:
            log.AppendLog("ADC " + std::to_string(i), LogInfo);
            break;
        case 6:
            log.AppendLog("Config_" + std::to_string(i) + " Verification passed", LogSuccess);
            break;
        case 7:
            log.AppendLog("[Halden]Detect device", LogBusy);
            break;
        case 8:
            log.AppendLog("#\tNo new version found", LogWarning);
            break;
        default:
            log.AppendLog("The current touch firmware version number is", LogInfo);
            break;
    }
}

void DrainEach(app::LogModel& log, int first, int count) {
    for (int i = first; i < first + count; ++i) {
        AppendMessage(log, i);
        log.OnFlushLog();
    }
}

void BM_DrainThousandAfter(benchmark::State& state) {
    const int before = static_cast<int>(state.range(0)) * kBatch;
    for (auto _ : state) {
        state.PauseTiming();
        auto log = std::make_unique<app::LogModel>();
        DrainEach(*log, 0, before);
        state.ResumeTiming();
        DrainEach(*log, before, kBatch);
        state.PauseTiming();
        log.reset();
        state.ResumeTiming();
    }
    state.counters["per_message"] = benchmark::Counter(
        kBatch, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace

// Argument k: thousands of messages already in the log.
BENCHMARK(BM_DrainThousandAfter)
    ->DenseRange(0, 9, 1)
    ->Iterations(500)
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
