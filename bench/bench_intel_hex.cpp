// Decoding a 160 KB bridge image from Intel-HEX text (about 460 KB): the decoder alone, and
// the programmer's whole load from the file. The load reports its peak heap use.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>

#include "bridgefw/BridgeIsp.h"
#include "bridgefw/IntelHex.h"
#include "platform/NoIspLibrary.h"
#include "sim/BridgeImage.h"

namespace {

// Heap use of this program: every allocation carries its size in front.
std::atomic<size_t> g_heapNow{0};
std::atomic<size_t> g_heapPeak{0};
constexpr size_t kHeader = alignof(std::max_align_t);

void* Allocate(size_t size) {
    auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (!block) throw std::bad_alloc();
    *reinterpret_cast<size_t*>(block) = size;
    const size_t now = g_heapNow += size;
    size_t peak = g_heapPeak.load();
    while (now > peak && !g_heapPeak.compare_exchange_weak(peak, now)) {
    }
    return block + kHeader;
}

void Release(void* pointer) {
    if (!pointer) return;
    auto* block = static_cast<unsigned char*>(pointer) - kHeader;
    g_heapNow -= *reinterpret_cast<size_t*>(block);
    std::free(block);
}

std::vector<uint8_t> Image() {
    return sim::MakeBridgeImage("Halden_V2.10", CBridgeIsp::kImageCapacity);
}

void BM_DecodeIntelHex(benchmark::State& state) {
    const std::string text = sim::ToIntelHex(Image());
    std::vector<uint8_t> output(text.size());
    for (auto _ : state) {
        uint32_t length = 0;
        benchmark::DoNotOptimize(DecodeIntelHex(text.data(), text.size(), output.data(), length));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.counters["text_bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_DecodeIntelHex)->Unit(benchmark::kMillisecond);

void BM_LoadHexImage(benchmark::State& state) {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / "quillon-bench-S102_v2.10.hex";
    const std::string text = sim::ToIntelHex(Image());
    std::ofstream(file, std::ios::binary) << text;
    platform::NoIspLibrary library;
    auto isp = std::make_unique<CBridgeIsp>(library, platform::ProgramFiles{});
    size_t peakAbove = 0;
    for (auto _ : state) {
        const size_t before = g_heapNow.load();
        g_heapPeak = before;
        benchmark::DoNotOptimize(isp->LoadImage(file.string()));
        peakAbove = std::max(peakAbove, g_heapPeak.load() - before);
    }
    std::filesystem::remove(file);
    state.counters["peak_heap_bytes"] = static_cast<double>(peakAbove);
    state.counters["programmer_bytes"] = static_cast<double>(sizeof(CBridgeIsp));
}
BENCHMARK(BM_LoadHexImage)->Unit(benchmark::kMillisecond);

}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void operator delete(void* pointer) noexcept { Release(pointer); }
void operator delete[](void* pointer) noexcept { Release(pointer); }
void operator delete(void* pointer, size_t) noexcept { Release(pointer); }
void operator delete[](void* pointer, size_t) noexcept { Release(pointer); }

BENCHMARK_MAIN();
