#include "touch/FirmwareIdentity.h"

#include "touch/FamilyTraits.h"

namespace {

// The family's renames applied to the model name; the version text holds no "_", so the model
// name ends at the last one. No family: the GT9xxx renames, as its updater serves it.
std::string Renamed(ChipFamily family, const std::string& identity) {
    const FamilyTraits* traits = TraitsOf(family == kFamilyNone ? kFamilyGT9xxx : family);
    const size_t cut = identity.rfind('_');
    if (!traits || !traits->renameModel || cut == std::string::npos) return identity;
    return traits->renameModel(identity.substr(0, cut)) + identity.substr(cut);
}

}  // namespace

bool SameFirmwareIdentity(ChipFamily family, const std::string& image, const std::string& chip) {
    return Renamed(family, image) == Renamed(family, chip);
}
