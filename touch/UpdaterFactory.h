#pragma once

#include <memory>

#include "touch/ChipFamily.h"
#include "touch/FwUpdate.h"

// The touch-firmware updater of a family: GT9xxx for no family or an unknown value; nullptr
// for a known family without an updater of its own.
std::unique_ptr<CFwUpdate> CreateUpdater(ChipFamily family, const UpdaterContext& context);
