#pragma once

#include <memory>
#include <string>

#include "sim/gt9xxx/Gt9xxxConfigFiles.h"
#include "support/UiItemText.h"
#include "touch/TouchRig.h"
#include "touch/config/ConfigContext.h"

namespace testsupport {

// A chip behind the simulated bridge whose configuration is written: the settings of its
// block, a per-chip settings file and a UI item file in the program folder.
struct ConfigRig {
    // A simulated GT911 (bridge 0102) with the UI item file of the simulated GT911.
    ConfigRig() : ConfigRig(0x0102, MakeGt9xxx(), 0x8047, 186, sim::Gt911UiItemText()) {}
    ConfigRig(uint16_t bridgeModel, std::shared_ptr<sim::SimChip> simChip, int32_t cfgAddr,
              int32_t cfgLength, const std::string& uiText)
        : rig(bridgeModel), chip(std::move(simChip)) {
        rig.Start(chip);
        rig.folder.Write("System/ChipIni/GT911_A.ini", "[Cfg]\n");
        rig.folder.Write("System/CfgItem/GT911_A.sc", StoredUiFile(uiText));
        rig.settings.ChipIniPath = ".\\System\\ChipIni\\GT911_A.ini";
        rig.settings.ScFilePath = ".\\System\\CfgItem\\GT911_A.sc";
        rig.settings.CFGAddr = cfgAddr;
        rig.settings.CfgLength = cfgLength;
    }

    // The registry's context; the family can be made another one.
    ConfigContext Context() {
        ConfigContext context = ConfigContextOf(*rig.registry);
        context.currentFamily = [this] {
            return family != kFamilyNone ? family : rig.registry->CurrentFamily();
        };
        return context;
    }
    std::function<ChipFamily(const std::string&)> FamilyOfFile() {
        return [this](const std::string& name) { return rig.registry->FamilyOfFile(name); };
    }
    // Writes a file into the program folder; its path text.
    std::string File(const std::string& name, const std::string& text) {
        rig.folder.Write(name, text);
        return ".\\" + name;
    }
    // Commands 49 (the bridge block's writes) the bridge took.
    size_t BridgeBlockWrites() const {
        size_t count = 0;
        for (const sim::BridgeRequest& request : rig.bridge->Commands()) {
            if (request.command == 49 && request.type == 1) ++count;
        }
        return count;
    }
    // The chip's configuration registers.
    std::vector<uint8_t> ChipBlock() const {
        std::vector<uint8_t> block(static_cast<size_t>(rig.settings.CfgLength));
        chip->Read(static_cast<uint32_t>(rig.settings.CFGAddr), block.data(), block.size());
        return block;
    }

    TouchRig rig;
    std::shared_ptr<sim::SimChip> chip;
    ChipFamily family = kFamilyNone;  // kFamilyNone: the registry's
};

}  // namespace testsupport
