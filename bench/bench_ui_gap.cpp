// The UI thread's responsiveness while the Upgrade button's run downloads a GT9xxx image
// through the simulated bridge at 1 ms per report: a 1 ms timer on the UI thread notes the
// longest time between two of its ticks (the longest the window could not answer), while
// the log drains and its spinner turns. Reported: the worst gap and the run's length.
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "app/LogModel.h"
#include "app/QuillonDlg.h"
#include "app/Services.h"
#include "app/StdOut.h"
#include "app/qt/QtUiLoop.h"
#include "app/qt/QuillonWindow.h"
#include "bench/QtBenchMain.h"
#include "support/SimGt911Program.h"
#include "support/TestDialog.h"

namespace {

void BM_UiGapDuringDownload(benchmark::State& state) {
    double worstGapMs = 0, runMs = 0;
    for (auto _ : state) {
        platform::SteadyClock steadyClock;
        StdOut dropped(platform::CodePage(), [](const std::string&) {});
        testsupport::SimGt911Program program(steadyClock);
        program.folder.Write("GT911_1060.bin", testsupport::Gt911Image(0x1060));
        program.bridge->SetLatencyMs(1);
        app::QtUiLoop loop;
        app::LogModel log(&loop);
        CQuillonDlg::Options options;
        options.log = &log;
        options.clearLog = [&log] { log.Clear(); };
        platform::StderrMessageService messages;
        testsupport::TestDialog dialog(
            program.bus,
            app::Services{steadyClock, program.settings, messages, dropped, program.folder.Files()},
            options);
        app::QuillonWindow window(dialog, log, [] {});
        dialog.OnInitDialog();
        window.show();

        QElapsedTimer clock;
        clock.start();
        qint64 lastTickNs = clock.nsecsElapsed();
        qint64 worstNs = 0;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.setInterval(1);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            worstNs = std::max(worstNs, now - lastTickNs);
            lastTickNs = now;
            if (!dialog.Busy() && window.UpgradeButton().isEnabled()) loop.Quit();
        });
        window.UpgradeButton().click();
        ticker.start();
        loop.Run();
        runMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        worstGapMs = static_cast<double>(worstNs) / 1e6;
        if (program.chip->Burns() == 0) state.SkipWithError("no download took place");
        state.SetIterationTime(runMs / 1000);
    }
    state.counters["worst_gap_ms"] = worstGapMs;
    state.counters["run_ms"] = runMs;
}
BENCHMARK(BM_UiGapDuringDownload)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace

QUILLON_QT_BENCHMARK_MAIN();
