#pragma once

#include <memory>

#include "touch/ChipFamily.h"
#include "touch/FwUpdate.h"

// The touch-firmware updater of a family: GT9xxx for no family. nullptr for a family whose
// download is not available in this build.
std::unique_ptr<CFwUpdate> CreateUpdater(ChipFamily family, const UpdaterContext& context);
