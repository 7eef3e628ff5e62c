// Interactive start to first paint: from the moment the Qt side comes up (application
// object, platform plugin, fonts) through the dialog's initialisation against the simulated
// bridge to the first paint of the window. Each start runs in a fresh child process (this
// program started again with "--start-once"), as a real start would, and prints its time.
// Reported besides: the child's whole life from the shell's start to its exit, which adds
// loading the program and its libraries and tearing down.
#include <benchmark/benchmark.h>

#include <QEvent>
#include <QObject>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/LogModel.h"
#include "app/QuillonDlg.h"
#include "app/Services.h"
#include "app/StdOut.h"
#include "app/qt/QtDialogHost.h"
#include "app/qt/QuillonWindow.h"
#include "platform/ExecutableFolder.h"
#include "platform/Process.h"
#include "support/SimGt911Program.h"
#include "support/TestDialog.h"

namespace {

// Notes the first paint of the watched widget and ends the loop.
class FirstPaint final : public QObject {
  public:
    FirstPaint(app::UiLoop& loop, std::chrono::steady_clock::time_point start)
        : loop_(loop), start_(start) {}
    double ms = -1;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && ms < 0) {
            ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_)
                    .count();
            loop_.Quit();
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    app::UiLoop& loop_;
    std::chrono::steady_clock::time_point start_;
};

// One start in this process; returns milliseconds to first paint.
double StartOnce() {
    platform::SteadyClock clock;
    StdOut dropped(platform::CodePage(), [](const std::string&) {});
    testsupport::SimGt911Program program(clock);
    program.folder.Write("GT911_1060.bin", testsupport::Gt911Image(0x1060));
    const auto start = std::chrono::steady_clock::now();
    int argc = 1;
    char name[] = "quillon";
    char* argv[] = {name, nullptr};
    app::QtDialogHost host(argc, argv, "");
    std::atomic<bool> silent{false};
    app::LogModel log(&host.Loop(), &silent);
    CQuillonDlg::Options options;
    options.log = &log;
    options.clearLog = [&log] { log.Clear(); };
    host.EndStartUp();
    testsupport::TestDialog dialog(
        program.bus,
        app::Services{clock, program.settings, host.Messages(), dropped, program.folder.Files()},
        options);
    FirstPaint first(host.Loop(), start);
    host.RunDialog(dialog, log,
                   [&first](app::QuillonWindow& window) { window.installEventFilter(&first); });
    return first.ms;
}

void BM_InteractiveStartToFirstPaint(benchmark::State& state) {
    const std::string self = (platform::ExecutableFolder() / "bench_dialog_start").string();
    const std::string command = "QT_QPA_PLATFORM=offscreen '" + self + "' --start-once 2>/dev/null";
    double processMs = 0;
    for (auto _ : state) {
        const auto spawned = std::chrono::steady_clock::now();
        const auto out = platform::RunShellCapture(command, ".");
        processMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - spawned)
                .count();
        const double ms = out ? std::atof(out->c_str()) : 0;
        if (ms <= 0) {
            state.SkipWithError("the window was never painted");
            break;
        }
        state.SetIterationTime(ms / 1000);
    }
    state.counters["whole_process_ms"] = processMs;
}
BENCHMARK(BM_InteractiveStartToFirstPaint)
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--start-once") == 0) {
        std::printf("%.3f\n", StartOnce());
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
