// Identifies a simulated controller of each family through the whole stack (simulated bus,
// bridge device, request worker, chip registry) and prints what the program learnt:
//   quillon-sim-identify [folder]
// The folder (default: the working folder) is the program folder; per-chip settings files
// that are missing are created there, as the program does. Each family's chip is the sample of
// its simulated row, behind a bridge of the first model that the program's row lists for it (a
// model no family lists when it lists none).
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bridge/HidDevice.h"
#include "platform/Clock.h"
#include "platform/MessageService.h"
#include "platform/ProgramFiles.h"
#include "sim/SimBus.h"
#include "sim/SimFamily.h"
#include "touch/ChipIniSettings.h"
#include "touch/ChipRegistry.h"
#include "touch/FamilyTraits.h"

namespace {

// A bridge model code that selects no family.
constexpr uint16_t kUnlistedBridgeModel = 0x0999;

// The program's row of a family name; nullptr for none.
const FamilyTraits* RowNamed(const std::string& name) {
    for (const FamilyTraits* row : Families()) {
        if (name == row->name) return row;
    }
    return nullptr;
}

// A simulated bridge that selects the row's family, or no family.
std::shared_ptr<sim::SimBridge> BridgeFor(const FamilyTraits* row) {
    uint16_t model = kUnlistedBridgeModel;
    uint16_t version = 0x0100;
    if (row && !row->bridgeModels.empty()) {
        model = row->bridgeModels.front().code;
        if (row->bridgeModels.front().versionBits == BridgeModel::VersionBits::Set)
            version |= kBridgeVersionFamilyBits;
    }
    return std::make_shared<sim::SimBridge>(0x27C6, model, version,
                                            std::vector<sim::SimBridge::Interface>{{1}});
}

// The family's name from its row; "none" when no family was found.
const char* FamilyName(ChipFamily family) {
    const FamilyTraits* traits = TraitsOf(family);
    return traits ? traits->name : "none";
}

}  // namespace

int main(int argc, char** argv) {
    const platform::ProgramFiles files{argc > 1 ? argv[1] : "", platform::CodePage()};
    platform::SteadyClock clock;
    platform::StderrMessageService messages;
    int failures = 0;
    for (const sim::SimFamily* simRow : sim::SimFamilies()) {
        sim::SimBus bus(clock);
        auto bridge = BridgeFor(RowNamed(simRow->name));
        simRow->build({"", simRow->sampleProductId, simRow->sampleVersion}).chip->Attach(*bridge);
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
        std::printf("simulated %-7s -> %-7s %s\n", simRow->name,
                    found ? FamilyName(family) : "none",
                    found ? settings.ChipIdentity.c_str() : "(not identified)");
        if (!found || std::string(FamilyName(family)) != simRow->name) ++failures;
    }
    return failures == 0 ? 0 : 1;
}
