#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/MessageService.h"
#include "sim/SimChip.h"
#include "support/SimRig.h"
#include "support/TempFolder.h"
#include "touch/ChipIniSettings.h"
#include "touch/ChipRegistry.h"

// A fresh program folder with the settings folders, recorded messages, the simulated bridge
// of a model code with the program-wide device over it, and the chip registry hooked into
// the device. ChipIni() starts from its start values.
struct TouchRig {
    explicit TouchRig(uint16_t bridgeModel = 0x0999, uint16_t bridgeVersion = 0x0100,
                      const std::string& appConfig = "")
        : scopedMessages(messages), sim(bridgeModel, bridgeVersion) {
        folder.MakeFolder("System/ChipIni");
        folder.MakeFolder("System/CfgItem");
        if (!appConfig.empty()) folder.Write("System/AppConfigInit.ini", appConfig);
        ChipIni() = ChipIniSettings{};
        registry = std::make_unique<CChipRegistry>(*sim.device);
    }

    // Puts a simulated chip behind the bridge and opens the bridge (which selects the family
    // by the model code).
    bool Start(const std::shared_ptr<sim::SimChip>& chip) {
        chip->Attach(*sim.bridge);
        const bool opened = sim.Open();
        sim.bridge->ClearRecords();
        return opened;
    }

    testsupport::TempFolder folder;
    platform::RecordingMessageService messages;
    platform::ScopedMessageService scopedMessages;
    testsupport::SimRig sim;
    std::unique_ptr<CChipRegistry> registry;
};
