#pragma once

#include <memory>

#include "touch/ChipFamily.h"
#include "touch/FwUpdate.h"

// The touch-firmware updater of a family; the GT9xxx updater for no family and for any
// family without an updater of its own.
std::unique_ptr<CFwUpdate> CreateUpdater(ChipFamily family, const UpdaterContext& context);
