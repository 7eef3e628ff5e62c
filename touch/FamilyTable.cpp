#include "touch/FamilyTraits.h"
#include "touch/ft5xxx/Ft5xxxFamily.h"
#include "touch/gt73xx/Gt73xxFamily.h"
#include "touch/gt79xx/Gt79xxFamily.h"
#include "touch/gt9pxx/Gt9pxxFamily.h"
#include "touch/gt9xxx/Gt9xxxFamily.h"

namespace {

// The one list of families. Its order is the order in which chip detection probes them and
// in which a file name's model is looked up.
const FamilyTraits* const kFamilies[] = {
    &kGt9xxxFamily, &kGt73xxFamily, &kGt79xxFamily, &kGt9pxxFamily, &kFt5xxxFamily,
};

}  // namespace

std::span<const FamilyTraits* const> Families() { return kFamilies; }

const FamilyTraits* TraitsOf(ChipFamily family) {
    for (const FamilyTraits* traits : kFamilies) {
        if (traits->family == family) return traits;
    }
    return nullptr;
}

UpgradeRules UpgradeRulesOf(ChipFamily family) {
    const FamilyTraits* traits = TraitsOf(family);
    return traits ? traits->upgrade : UpgradeRules{};
}

ChipFamily FamilyOfBridgeModel(uint16_t modelCode, uint16_t versionNumber) {
    const bool bitsSet = (versionNumber & kBridgeVersionFamilyBits) != 0;
    for (const FamilyTraits* traits : kFamilies) {
        for (const BridgeModel& model : traits->bridgeModels) {
            if (model.code != modelCode) continue;
            using Bits = BridgeModel::VersionBits;
            if (model.versionBits == Bits::Any || (model.versionBits == Bits::Set) == bitsSet) {
                return traits->family;
            }
        }
    }
    return kFamilyNone;
}
