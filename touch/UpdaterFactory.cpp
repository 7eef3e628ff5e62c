#include "touch/UpdaterFactory.h"

#include "touch/FamilyTraits.h"

std::unique_ptr<CFwUpdate> CreateUpdater(ChipFamily family, const UpdaterContext& context) {
    // No family, an unknown one, or one without its own updater: the GT9xxx updater.
    const FamilyTraits* traits = TraitsOf(family);
    if (!traits || !traits->createUpdater) traits = TraitsOf(kFamilyGT9xxx);
    return traits->createUpdater(context);
}
