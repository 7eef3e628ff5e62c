#pragma once

#include <cstdint>
#include <functional>

#include "bridge/RegisterAccess.h"
#include "platform/Clock.h"
#include "platform/ProgramFiles.h"
#include "touch/ChipFamily.h"
#include "touch/ChipIniSettings.h"

class CBaseChip;
class CChipRegistry;

// What a configuration object works with: the road to the bridge, the clock its pauses are
// spent on, the program's chip
// settings record and its files, the registry's current family and chip, and the bridge's model
// code.
struct ConfigContext {
    RegisterAccess& bridge;
    platform::Clock& clock;
    ChipIniSettings& settings;
    platform::ProgramFiles files;  // the settings, UI item and ".cfg" files
    std::function<ChipFamily()> currentFamily;
    // The chip whose alternative command precedes a verification's reset; may give nullptr.
    std::function<CBaseChip*()> currentChip;
    // The bridge's model code (its USB product id).
    std::function<uint16_t()> bridgeModel;
};

// The context of the registry's device, clock, settings, files, current family and chip.
ConfigContext ConfigContextOf(CChipRegistry& registry);
