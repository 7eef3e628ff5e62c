// The configuration step of an upgrade run against the simulated bridge with 1 ms per report
// each way, and the ".cfg" reader.
//
// The step writes a GT9xxx configuration of 186 bytes with the bridge's own block and
// verifies both; its floor is one millisecond per report each way plus the 600 ms the chip is
// given after its reset and the short waits that discard stale input before each read.
// Reported: wall time, floor, and how far above the floor the step is. The reader is timed on
// a file of 4096 values, 16 to a line.
#include <benchmark/benchmark.h>

#include <memory>

#include "LinkFloor.h"
#include "app/ConfigStep.h"
#include "bridge/HidDevice.h"
#include "platform/Clock.h"
#include "platform/Format.h"
#include "platform/MessageService.h"
#include "sim/SimBus.h"
#include "sim/gt9xxx/Gt9xxxConfigFiles.h"
#include "sim/gt9xxx/SimGt9xxxFlash.h"
#include "support/TempFolder.h"
#include "touch/ChipRegistry.h"
#include "touch/config/CfgText.h"

namespace {

constexpr double kResetSettleMs = 600;

void BM_Gt9xxxConfigStep(benchmark::State& state) {
    platform::SteadyClock clock;
    platform::StderrMessageService messages;
    sim::SimBus bus(clock);
    auto bridge = std::make_shared<sim::SimBridge>(0x27C6, 0x0102, 0x0100,
                                                   std::vector<sim::SimBridge::Interface>{{1}});
    auto chip = std::make_shared<sim::SimGt9xxxFlash>();
    chip->SetIdentity("911", 0x1050);
    chip->Attach(*bridge);
    bus.Plug(bridge);
    testsupport::TempFolder folder;
    folder.Write("System/AppConfigInit.ini", "[CHIP LIST]\nchip list=GT911\n");
    folder.Write("System/ChipIni/GT911_A.ini", "[Cfg]\nCFGAddr=0x8047\nCfgLength=186\n");
    folder.Write("System/CfgItem/GT911_A.sc", sim::StoredUiItemFile(sim::Gt911UiItemText()));
    folder.Write("GT911_A.cfg", sim::Gt9xxxCfgText(0x42, 186, true));
    CHidDevice device(bus, clock, {"27C6"});
    ChipIniSettings settings;
    CChipRegistry registry(device, clock, messages, settings, folder.Files());
    device.Open();
    registry.DetectChip();
    bridge->SetLatencyMs(1);

    LinkFloor floor(*bridge, bus);
    for (auto _ : state) {
        CConfigStep step(
            {ConfigContextOf(registry),
             [&registry](const std::string& name) { return registry.FamilyOfFile(name); },
             CreateConfig, [&registry] { return registry.DetectChip(); }, nullptr});
        floor.Start();
        const CConfigStep::Outcome outcome = step.Run(".\\GT911_A.cfg", false);
        floor.Stop(state, kResetSettleMs);
        if (outcome != CConfigStep::Outcome::Verified) {
            state.SkipWithError("the configuration was not verified");
            break;
        }
    }
    floor.Report(state);
}
BENCHMARK(BM_Gt9xxxConfigStep)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

std::string CfgFile(int values) {
    std::string text;
    for (int i = 0; i < values; ++i) {
        text += platform::Format("0x%02X,", i & 0xFF);
        if (i % 16 == 15) text += "\r\n";
    }
    return text;
}

void BM_CfgTextParse4096(benchmark::State& state) {
    const std::string text = CfgFile(4096);
    for (auto _ : state) {
        auto values = ParseCfgText(reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                                   platform::CodePage());
        benchmark::DoNotOptimize(values);
    }
}
BENCHMARK(BM_CfgTextParse4096)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
