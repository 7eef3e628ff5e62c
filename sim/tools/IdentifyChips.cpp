// Identifies a simulated controller of each family through the whole stack (simulated bus,
// bridge device, request worker, chip registry) and prints what the program learnt:
//   quillon-sim-identify [folder]
// The folder (default: the working folder) is the program folder; per-chip settings files
// that are missing are created there, as the program does.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bridge/HidDevice.h"
#include "platform/Clock.h"
#include "platform/MessageService.h"
#include "platform/ProgramFiles.h"
#include "sim/SimBus.h"
#include "sim/ft5xxx/SimFt5xxx.h"
#include "sim/gt73xx/SimGt73xx.h"
#include "sim/gt79xx/SimGt79xx.h"
#include "sim/gt9pxx/SimGt9pxx.h"
#include "sim/gt9xxx/SimGt9xxxFlash.h"
#include "touch/ChipIniSettings.h"
#include "touch/ChipRegistry.h"
#include "touch/FamilyTraits.h"

namespace {

struct Bench {
    const char* label;
    uint16_t bridgeModel;
    std::shared_ptr<sim::SimChip> chip;
};

// The family's name from its row; "none" when no family was found.
const char* FamilyName(ChipFamily family) {
    const FamilyTraits* traits = TraitsOf(family);
    return traits ? traits->name : "none";
}

}  // namespace

int main(int argc, char** argv) {
    const platform::ProgramFiles files{argc > 1 ? argv[1] : "", platform::CodePage()};
    auto gt9 = std::make_shared<sim::SimGt9xxxFlash>();
    gt9->SetIdentity("911", 0x1060);
    const std::vector<Bench> benches = {
        {"GT9xxx", 0x0102, gt9},
        {"GT9Pxx", 0x0102,
         std::make_shared<sim::SimGt9pxx>("9286", std::array<uint8_t, 3>{1, 2, 3})},
        {"GT73xx", 0x0301,
         std::make_shared<sim::SimGt73xx>("7387", std::array<uint8_t, 3>{1, 2, 3})},
        {"GT79xx", 0x0401,
         std::make_shared<sim::SimGt79xx>("7936", std::array<uint8_t, 4>{1, 2, 3, 4})},
        {"FT5xxx", 0x0102, std::make_shared<sim::SimFt5xxx>("FT5682_V1.0")},
    };
    platform::SteadyClock clock;
    platform::StderrMessageService messages;
    int failures = 0;
    for (const Bench& bench : benches) {
        sim::SimBus bus(clock);
        auto bridge = std::make_shared<sim::SimBridge>(0x27C6, bench.bridgeModel, 0x0100,
                                                       std::vector<sim::SimBridge::Interface>{{1}});
        bench.chip->Attach(*bridge);
        bus.Plug(bridge);
        CHidDevice device(bus, clock, {"27C6"});
        ChipIniSettings settings;
        bool found = false;
        ChipFamily family = kFamilyNone;
        {
            CChipRegistry registry(device, clock, messages, settings, files);
            found = device.Open() && registry.DetectChip();
            family = registry.CurrentFamily();
            device.Close();
        }
        std::printf("simulated %-7s -> %-7s %s\n", bench.label, found ? FamilyName(family) : "none",
                    found ? settings.ChipIdentity.c_str() : "(not identified)");
        if (!found || std::string(FamilyName(family)) != bench.label) ++failures;
    }
    return failures == 0 ? 0 : 1;
}
