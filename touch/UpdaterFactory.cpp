#include "touch/UpdaterFactory.h"

#include "touch/FamilyTraits.h"

std::unique_ptr<CFwUpdate> CreateUpdater(ChipFamily family, const UpdaterContext& context) {
    // No family, or a value no family has: the GT9xxx updater. A known family downloads only
    // its own way; without an updater of its own it gets none.
    const FamilyTraits* traits = TraitsOf(family);
    if (!traits) traits = TraitsOf(kFamilyGT9xxx);
    return traits->createUpdater ? traits->createUpdater(context) : nullptr;
}
