#pragma once

#include <memory>

#include "bridge/ChipFamily.h"
#include "touch/FwUpdate.h"

// The touch-firmware updater of a family: GT9xxx for any family without one of its own.
// nullptr for a family whose download is not available in this build.
std::unique_ptr<CFwUpdate> CreateUpdater(ChipFamily family, LogTarget* log);
