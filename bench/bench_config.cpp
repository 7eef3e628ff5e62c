// Configuration writes and verifications against the simulated bridge with 1 ms per report
// each way, as on a full-speed USB interrupt endpoint, and the UI item file reader.
//
// The floor of a write and verification is one millisecond per report each way plus the
// fixed waits: the 600 ms the chip is given after its reset and the short waits that discard
// stale input before each read. Reported: wall time, floor, and how far above the floor the
// run is. The reader is timed on files of 500 to 4000 records; its time grows linearly.
#include <benchmark/benchmark.h>

#include <memory>

#include "LinkFloor.h"
#include "bridge/HidDevice.h"
#include "platform/Clock.h"
#include "platform/Format.h"
#include "platform/MessageService.h"
#include "sim/SimBus.h"
#include "sim/gt73xx/SimGt73xx.h"
#include "sim/gt9xxx/SimGt9xxxFlash.h"
#include "support/TempFolder.h"
#include "support/UiItemText.h"
#include "touch/ChipRegistry.h"
#include "touch/FamilyTraits.h"
#include "touch/config/BaseConfig.h"

namespace {

constexpr double kResetSettleMs = 600;

void WriteAndVerify(benchmark::State& state, uint16_t bridgeModel,
                    const std::shared_ptr<sim::SimChip>& chip, int32_t cfgAddr, int32_t cfgLength) {
    platform::SteadyClock clock;
    platform::StderrMessageService messages;
    sim::SimBus bus(clock);
    auto bridge = std::make_shared<sim::SimBridge>(0x27C6, bridgeModel, 0x0100,
                                                   std::vector<sim::SimBridge::Interface>{{1}});
    chip->Attach(*bridge);
    bus.Plug(bridge);
    testsupport::TempFolder folder;
    folder.MakeFolder("System/ChipIni");
    CHidDevice device(bus, clock, {"27C6"});
    ChipIniSettings settings;
    CChipRegistry registry(device, clock, messages, settings, folder.Files());
    device.Open();
    settings.CFGAddr = cfgAddr;
    settings.CfgLength = cfgLength;
    // The configuration class of the family the bridge model selects.
    std::unique_ptr<CBaseConfig> config =
        CreateConfig(FamilyOfBridgeModel(bridgeModel, 0x0100), ConfigContextOf(registry));
    for (int32_t i = 0; i < cfgLength; ++i) config->Image()[i] = static_cast<uint8_t>(i * 7);
    config->UpdateChecksum();
    bridge->SetLatencyMs(1);

    LinkFloor floor(*bridge, bus);
    for (auto _ : state) {
        floor.Start();
        if (!config->WriteToChip(1) || !config->VerifyOnChip(true)) {
            state.SkipWithError("write or verification failed");
            break;
        }
        floor.Stop(state, kResetSettleMs);
    }
    floor.Report(state);
}

void BM_Gt9xxxConfigWriteVerify(benchmark::State& state) {
    auto chip = std::make_shared<sim::SimGt9xxxFlash>();
    WriteAndVerify(state, 0x0102, chip, 0x8047, 186);
}
BENCHMARK(BM_Gt9xxxConfigWriteVerify)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

void BM_Gt73xxConfigWriteVerify(benchmark::State& state) {
    auto chip = std::make_shared<sim::SimGt73xx>();
    WriteAndVerify(state, 0x0301, chip, 0x8050, 250);
}
BENCHMARK(BM_Gt73xxConfigWriteVerify)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

// A UI item file of n records: ten pages of ten groups, every fifth item a choice list.
std::string UiFile(int64_t n) {
    std::vector<testsupport::UiRecord> records(static_cast<size_t>(n));
    for (int64_t i = 0; i < n; ++i) {
        testsupport::UiRecord& r = records[static_cast<size_t>(i)];
        r.address = platform::Format("%04X", static_cast<int>(0x8047 + i % 180));
        r.name = "Item_" + std::to_string(i);
        r.dataBitL = static_cast<int>(i % 4);
        r.dataBitH = 4 + static_cast<int>(i % 4);
        r.page = "Page" + std::to_string(i % 10);
        r.group = "Group" + std::to_string(i % 100);
        if (i % 5 == 0) {
            r.ctrlType = 1;
            r.choiceLines = {",0,Off", ",1,Slow", ",2,Fast"};
        }
    }
    return testsupport::StoredUiFile(testsupport::UiText(records));
}

void BM_LoadUiFile(benchmark::State& state) {
    testsupport::TempFolder folder;
    folder.Write("T_A.sc", UiFile(state.range(0)));
    platform::SteadyClock clock;
    platform::StderrMessageService messages;
    sim::SimBus bus(clock);
    CHidDevice device(bus, clock, {"27C6"});
    ChipIniSettings settings;
    settings.CfgLength = 186;
    CBaseConfig config(ConfigContext{device, clock, settings, folder.Files(), {}, {}, {}});
    for (auto _ : state) {
        config.LoadUiFile(".\\T_A.sc");
        if (config.Items().empty()) state.SkipWithError("no items");
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_LoadUiFile)
    ->Arg(500)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(4000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
