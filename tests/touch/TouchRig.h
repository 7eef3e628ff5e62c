#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/MessageService.h"
#include "sim/SimBridge.h"
#include "sim/SimBus.h"
#include "sim/SimChip.h"
#include "sim/gt9xxx/SimGt9xxxFlash.h"
#include "support/BridgeFixture.h"
#include "support/TempFolder.h"
#include "touch/ChipIniSettings.h"
#include "touch/ChipRegistry.h"

// A fresh program folder with the settings folders, recorded messages, a simulated bridge of
// a model code (vendor 27C6) with the program-wide device over it on virtual time, and the
// chip registry hooked into the device, with its own chip settings record.
struct TouchRig {
    explicit TouchRig(uint16_t bridgeModel = 0x0999, uint16_t bridgeVersion = 0x0100,
                      const std::string& appConfig = "")
        : bridge(std::make_shared<sim::SimBridge>(0x27C6, bridgeModel, bridgeVersion,
                                                  std::vector<sim::SimBridge::Interface>{{1}})),
          scope(bus, clock, {"27C6"}, kFamilyNone) {
        bus.Plug(bridge);
        folder.MakeFolder("System/ChipIni");
        folder.MakeFolder("System/CfgItem");
        if (!appConfig.empty()) folder.Write("System/AppConfigInit.ini", appConfig);
        registry = std::make_unique<CChipRegistry>(scope.device(), clock, messages, settings);
    }

    CHidDevice& device() { return scope.device(); }
    bool Open() { return scope.device().Open(); }

    // Puts a simulated chip behind the bridge and opens the bridge (which selects the family
    // by the model code); the bridge's records start empty.
    bool Start(const std::shared_ptr<sim::SimChip>& chip) {
        chip->Attach(*bridge);
        const bool opened = Open();
        bridge->ClearRecords();
        return opened;
    }

    // The addresses of the register reads (command 15) the bridge took, in order.
    std::vector<uint32_t> ReadAddresses() const {
        std::vector<uint32_t> addresses;
        for (const sim::BridgeRequest& request : bridge->Requests()) {
            if (request.command == 15 && request.type == 0) addresses.push_back(request.address);
        }
        return addresses;
    }

    testsupport::TempFolder folder;
    platform::RecordingMessageService messages;
    platform::VirtualClock clock;
    sim::SimBus bus{clock};
    std::shared_ptr<sim::SimBridge> bridge;
    testsupport::DeviceScope scope;
    ChipIniSettings settings;
    std::unique_ptr<CChipRegistry> registry;
};

// A simulated GT9xxx showing a product id (up to four characters) and a version at 0x8140.
inline std::shared_ptr<sim::SimGt9xxxFlash> MakeGt9xxx(const char* productId = "911",
                                                       uint16_t version = 0x1060) {
    auto chip = std::make_shared<sim::SimGt9xxxFlash>();
    char id[4] = {};
    std::memcpy(id, productId, std::min<size_t>(std::strlen(productId), sizeof(id)));
    chip->SetIdentity(id, version);
    return chip;
}
