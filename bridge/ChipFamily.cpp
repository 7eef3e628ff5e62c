#include "bridge/ChipFamily.h"

#include <atomic>

namespace {
std::atomic<int> g_family{kFamilyNone};
}

ChipFamily CurrentChipFamily() { return static_cast<ChipFamily>(g_family.load()); }

void SetCurrentChipFamily(ChipFamily family) { g_family.store(family); }
