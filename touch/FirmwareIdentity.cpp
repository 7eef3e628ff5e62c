#include "touch/FirmwareIdentity.h"

#include "touch/gt9xxx/C9xxxChip.h"

namespace {

// The version text holds no "_": the model name ends at the last one.
std::string Renamed(ChipFamily family, const std::string& identity) {
    switch (family) {
        case kFamilyGT9Pxx:
        case kFamilyGT73xx:
        case kFamilyGT79xx:
        case kFamilyFT5xxx:
            // Their updaters form identities of their own; compared as they stand.
            return identity;
        default:
            break;
    }
    const size_t cut = identity.rfind('_');
    if (cut == std::string::npos) return identity;
    return C9xxxChip::RenameModel(identity.substr(0, cut)) + identity.substr(cut);
}

}  // namespace

bool SameFirmwareIdentity(ChipFamily family, const std::string& image, const std::string& chip) {
    return Renamed(family, image) == Renamed(family, chip);
}
