// Cost of drawing log messages as the log grows: the k-th thousand of 10,000 messages,
// each message queued and drained on its own as the drain timer does when messages come
// one at a time. The time per message should not depend on k.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "app/LogModel.h"
#include "bench/LogStream.h"

namespace {

constexpr int kBatch = 1000;

void DrainEach(app::LogModel& log, int first, int count) {
    for (int i = first; i < first + count; ++i) {
        bench::AppendMessage(log, i);
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
