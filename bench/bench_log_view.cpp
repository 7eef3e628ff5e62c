// Cost of drawing log messages in the log window as the log grows: the k-th thousand of
// 10,000 messages, each queued, drained and painted on its own, as when messages come one
// per drain tick. The time per thousand should not depend on k.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <memory>

#include "app/LogModel.h"
#include "app/qt/LogView.h"
#include "bench/LogStream.h"
#include "bench/QtBenchMain.h"

namespace {

constexpr int kBatch = 1000;

void DrainAndPaintEach(app::LogModel& log, int first, int count) {
    for (int i = first; i < first + count; ++i) {
        bench::AppendMessage(log, i);
        log.OnFlushLog();
        QCoreApplication::processEvents();
    }
}

void BM_ViewDrainThousandAfter(benchmark::State& state) {
    const int before = static_cast<int>(state.range(0)) * kBatch;
    for (auto _ : state) {
        state.PauseTiming();
        auto log = std::make_unique<app::LogModel>();
        auto view = std::make_unique<app::LogView>(*log);
        view->resize(470, 230);
        view->show();
        DrainAndPaintEach(*log, 0, before);
        state.ResumeTiming();
        DrainAndPaintEach(*log, before, kBatch);
        state.PauseTiming();
        view.reset();
        log.reset();
        state.ResumeTiming();
    }
    state.counters["per_message"] = benchmark::Counter(
        kBatch, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace

// Argument k: thousands of messages already in the log.
BENCHMARK(BM_ViewDrainThousandAfter)
    ->DenseRange(0, 9, 1)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

QUILLON_QT_BENCHMARK_MAIN();
