#include "touch/gt9xxx/Gt9xxxFamily.h"

#include "touch/config/BaseConfig.h"
#include "touch/gt9xxx/C9xxxChip.h"
#include "touch/gt9xxx/C9xxxUpdate.h"

namespace {

// The GT9xxx bridges.
const BridgeModel kBridgeModels[] = {{0x0101}, {0x0102}, {0x0103}, {0x0104}, {0x0105}, {0x0106}};

}  // namespace

const FamilyTraits kGt9xxxFamily = {
    .family = kFamilyGT9xxx,
    .name = "GT9xxx",
    .modelListKey = "GT9XXX",
    .defaultModels = "GT9110H,GT6108H,GT911,GT9271,GT927,GT9XXX,GT9110P,",
    .headerLayout = HeaderLayout{},
    .bridgeModels = kBridgeModels,
    .probedByDetection = true,
    .keptWithoutProbing = false,
    .createChip = [](const ChipContext& context) -> std::unique_ptr<CBaseChip> {
        return std::make_unique<C9xxxChip>(context);
    },
    .createUpdater = [](const UpdaterContext& context) -> std::unique_ptr<CFwUpdate> {
        return std::make_unique<C9xxxUpdate>(context);
    },
    .renameModel = &C9xxxChip::RenameModel,
    .createConfig = [](const ConfigContext& context) -> std::unique_ptr<CBaseConfig> {
        return std::make_unique<CBaseConfig>(context);
    },
    // Where the family departs from the plain write-and-verify rules.
    .upgrade = {.retriesVerifyAtVersionZero = true},
};
