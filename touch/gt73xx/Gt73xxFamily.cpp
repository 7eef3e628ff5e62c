#include "touch/gt73xx/Gt73xxFamily.h"

#include "touch/gt73xx/C73xxChip.h"
#include "touch/gt73xx/C73xxConfig.h"
#include "touch/gt73xx/C73xxUpdate.h"

namespace {

// The GT73xx bridges, and the bridge shared with GT79xx when its version number has none of
// the bits 0xA000.
const BridgeModel kBridgeModels[] = {
    {0x0301}, {0x0302}, {0x0303}, {0x0304}, {0x0300, BridgeModel::VersionBits::Clear}};

}  // namespace

const FamilyTraits kGt73xxFamily = {
    .family = kFamilyGT73xx,
    .name = "GT73xx",
    .modelListKey = "GT73XX",
    .defaultModels = "GT7385,GT7387P,GT7387,GT7XXX",
    .headerLayout = HeaderLayout{},
    .bridgeModels = kBridgeModels,
    .probedByDetection = true,
    .keptWithoutProbing = false,
    .createChip = [](const ChipContext& context) -> std::unique_ptr<CBaseChip> {
        return std::make_unique<C73xxChip>(context);
    },
    .createUpdater = [](const UpdaterContext& context) -> std::unique_ptr<CFwUpdate> {
        return std::make_unique<C73xxUpdate>(context);
    },
    .renameModel = &C73xxChip::RenameModel,
    .createConfig = [](const ConfigContext& context) -> std::unique_ptr<CBaseConfig> {
        return std::make_unique<C73xxConfig>(context);
    },
    // Where the family departs from the plain write-and-verify rules.
    .upgrade = {.verifySkipsLeadingBytes = 4},
};
