#include "touch/gt79xx/Gt79xxFamily.h"

#include "touch/gt79xx/C79xxChip.h"
#include "touch/gt79xx/C79xxConfig.h"
#include "touch/gt79xx/C79xxUpdate.h"

namespace {

// The GT79xx bridges, and the bridge shared with GT73xx when its version number has any of the
// bits 0xA000.
const BridgeModel kBridgeModels[] = {{0x0401}, {0x0402}, {0x0300, BridgeModel::VersionBits::Set}};

}  // namespace

const FamilyTraits kGt79xxFamily = {
    .family = kFamilyGT79xx,
    .name = "GT79xx",
    .modelListKey = "GT79XX",
    .defaultModels = "GT7936",
    .headerLayout = HeaderLayout{.packedCommand = true},
    .bridgeModels = kBridgeModels,
    .probedByDetection = false,
    .keptWithoutProbing = true,
    .createChip = [](const ChipContext& context) -> std::unique_ptr<CBaseChip> {
        return std::make_unique<C79xxChip>(context);
    },
    .createUpdater = [](const UpdaterContext& context) -> std::unique_ptr<CFwUpdate> {
        return std::make_unique<C79xxUpdate>(context);
    },
    .renameModel = &C79xxChip::RenameModel,
    .createConfig = [](const ConfigContext& context) -> std::unique_ptr<CBaseConfig> {
        return std::make_unique<C79xxConfig>(context);
    },
    // Where the family departs from the plain write-and-verify rules.
    .upgrade = {.configTravelsWithImage = true,
                .redetectsAfterImage = true,
                .asksChipAfterImage = true,
                .configStep = ConfigStepKind::VerifyOnlyAfterImage,
                .verifyResultShowsVersion = false,
                .configFileHasHeader = true},
};
