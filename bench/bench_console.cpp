// The console as a controlling program meets it: "quillon /s" started against the simulated
// bridge, in a program folder of its own.
//   SilentStartToFirstPrompt: process start until the first ">>" of the start-up version
//     report arrives on standard output (real time; argument: link latency per report, ms).
//   ConsoleSessionPeakMemory: the peak resident memory of a whole session ("v", "f", one
//     GT9xxx upgrade run, "x") on virtual time, measured by /usr/bin/time.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "sim/gt9xxx/Gt9xxxImage.h"
#include "support/TempFolder.h"

namespace {

void Write(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A program folder with the executable, the settings, a GT911 image and a simulation
// description; the input of the session in "input.bin".
std::filesystem::path MakeFolder(const testsupport::TempFolder& folder, int latencyMs,
                                 bool virtualTime, const std::string& input) {
    const auto& path = folder.Path();
    std::filesystem::create_directories(path / "System" / "ChipIni");
    std::filesystem::copy_file(QUILLON_EXE, path / "quillon",
                               std::filesystem::copy_options::overwrite_existing);
    Write(path / "System/AppConfigInit.ini",
          "[VID_LIST]\nVid List=27C6\n[CHIP LIST]\nchip list=GT911\n");
    Write(path / "System/ChipIni/GT911_test.ini", "[Cfg]\nCFGAddr=0x8047\n");
    Write(path / "sim.ini",
          "[Bridge]\nVendorId=27C6\nProductId=0102\nLatencyMs=" + std::to_string(latencyMs) +
              "\n[Chip]\nFamily=GT9xxx\nProductId=911\nVersion=1050\n"
              "[Time]\nVirtual=" +
              (virtualTime ? "1" : "0") + "\n");
    const auto image = sim::MakeGt9xxxImage("911", 0x1060);
    std::ofstream(path / "GT911_1060.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()),
               static_cast<std::streamsize>(image.size()));
    Write(path / "input.bin", input);
    return path;
}

std::string Command(const std::filesystem::path& folder, const std::string& prefix = "") {
    return "cd / && QUILLON_SIM='" + (folder / "sim.ini").string() + "' " + prefix + "'" +
           (folder / "quillon").string() + "' /s <'" + (folder / "input.bin").string() + "'";
}

void BM_SilentStartToFirstPrompt(benchmark::State& state) {
    testsupport::TempFolder folder;
    const auto path = MakeFolder(folder, static_cast<int>(state.range(0)), false, "x");
    const std::string command = Command(path);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) {
            state.SkipWithError("cannot start the program");
            return;
        }
        int previous = 0;
        for (int c; (c = std::fgetc(pipe)) != EOF; previous = c) {
            if (previous == '>' && c == '>') break;
        }
        const auto prompt = std::chrono::steady_clock::now();
        while (std::fgetc(pipe) != EOF) {
        }
        pclose(pipe);
        state.SetIterationTime(std::chrono::duration<double>(prompt - start).count());
    }
}
BENCHMARK(BM_SilentStartToFirstPrompt)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

void BM_ConsoleSessionPeakMemory(benchmark::State& state) {
    if (!std::filesystem::exists("/usr/bin/time")) {
        state.SkipWithError("/usr/bin/time is not installed");
        return;
    }
    testsupport::TempFolder folder;
    const auto path = MakeFolder(folder, 0, true, "v\nf\nux");
    const std::string peakFile = (path / "peak.txt").string();
    const std::string command = Command(path, "/usr/bin/time -f %M -o '" + peakFile + "' ") +
                                " >'" + (path / "out.txt").string() + "'";
    double peakKb = 0;
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("the session failed");
            return;
        }
        std::ifstream in(peakFile);
        double kb = 0;
        in >> kb;
        peakKb = std::max(peakKb, kb);
    }
    std::ifstream out(path / "out.txt");
    const std::string text((std::istreambuf_iterator<char>(out)), std::istreambuf_iterator<char>());
    if (text.find("Upgrade success") == std::string::npos) state.SkipWithError("no run");
    state.counters["peak_MB"] = peakKb / 1024.0;
}
BENCHMARK(BM_ConsoleSessionPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
