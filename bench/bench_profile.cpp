// Reading the values of one chip's settings from a settings file of about 2 MB (many chip
// sections), as the per-chip readers do: twenty values per load. With the parse kept until the
// file changes, a load costs the first parse and then lookups; a rewrite of one value costs one
// parse of the new file.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/Path.h"
#include "platform/Profile.h"

namespace {

namespace fs = std::filesystem;

fs::path MakeLargeFile() {
    const fs::path folder =
        fs::temp_directory_path() / ("quillon-bench-ini-" + std::to_string(std::random_device{}()));
    fs::create_directories(folder);
    std::ofstream out(folder / "AppConfigInit.ini", std::ios::binary);
    for (int section = 0; section < 4000; ++section) {
        out << "[Chip" << section << "]\r\n";
        for (int key = 0; key < 20; ++key) {
            out << "Key" << key << "=0x" << std::hex << section * 20 + key << std::dec << "\r\n";
        }
    }
    out << "[Cfg]\r\nCFGAddr=0x8047\r\n";
    return folder;
}

void BM_TwentyValuesOfALargeFile(benchmark::State& state) {
    const fs::path folder = MakeLargeFile();
    const platform::ProgramFiles files{folder, platform::CodePage()};
    state.counters["file_kb"] =
        static_cast<double>(fs::file_size(folder / "AppConfigInit.ini")) / 1024;
    for (auto _ : state) {
        for (int key = 0; key < 20; ++key) {
            benchmark::DoNotOptimize(platform::ReadProfileString(
                files, ".\\AppConfigInit.ini", "Chip3999", "Key" + std::to_string(key), ""));
        }
    }
    fs::remove_all(folder);
}
BENCHMARK(BM_TwentyValuesOfALargeFile)->Unit(benchmark::kMillisecond);

void BM_WriteOneValueOfALargeFile(benchmark::State& state) {
    const fs::path folder = MakeLargeFile();
    const platform::ProgramFiles files{folder, platform::CodePage()};
    int i = 0;
    for (auto _ : state) {
        platform::WriteProfileString(files, ".\\AppConfigInit.ini", "Cfg", "UI File Name",
                                     std::to_string(i++));
    }
    fs::remove_all(folder);
}
BENCHMARK(BM_WriteOneValueOfALargeFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
