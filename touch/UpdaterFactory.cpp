#include "touch/UpdaterFactory.h"

#include "touch/FamilyTraits.h"

std::unique_ptr<CFwUpdate> CreateUpdater(ChipFamily family, const UpdaterContext& context) {
    const FamilyTraits* traits = TraitsOf(family == kFamilyNone ? kFamilyGT9xxx : family);
    if (!traits || !traits->createUpdater) return nullptr;
    return traits->createUpdater(context);
}
