#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "sim/SimBridge.h"
#include "sim/SimBus.h"
#include "sim/SimChip.h"
#include "sim/SimRig.h"
#include "sim/gt9xxx/SimGt9xxxFlash.h"
#include "support/TempFolder.h"

// The program folder with the settings folders: made before the rig's chip registry reads the
// settings.
struct TouchRigProgram {
    explicit TouchRigProgram(const std::string& appConfig) {
        folder.MakeFolder("System/ChipIni");
        folder.MakeFolder("System/CfgItem");
        if (!appConfig.empty()) folder.Write("System/AppConfigInit.ini", appConfig);
    }

    testsupport::TempFolder folder;
};

// A fresh program folder and the simulated-bridge rig (with its recorded messages): a bridge of a
// model code (vendor 27C6) with the device over it on virtual time and the chip registry hooked
// into it; the device opens when a chip is started.
struct TouchRig : TouchRigProgram, sim::SimRig {
    explicit TouchRig(uint16_t bridgeModel = 0x0999, uint16_t bridgeVersion = 0x0100,
                      const std::string& appConfig = "")
        : TouchRigProgram(appConfig),
          sim::SimRig({.bridgeModel = bridgeModel,
                       .bridgeVersion = bridgeVersion,
                       .openNow = false,
                       .files = folder.Files()}) {}

    // The addresses of the register reads (command 15) the bridge took, in order.
    std::vector<uint32_t> ReadAddresses() const {
        std::vector<uint32_t> addresses;
        for (const sim::BridgeRequest& request : bridge->Requests()) {
            if (request.command == 15 && request.type == 0) addresses.push_back(request.address);
        }
        return addresses;
    }
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
