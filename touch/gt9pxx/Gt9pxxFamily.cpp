#include "touch/gt9pxx/Gt9pxxFamily.h"

#include "touch/gt9pxx/C9PxxUpdate.h"
#include "touch/gt9pxx/C9pxxChip.h"
#include "touch/gt9pxx/C9pxxConfig.h"

namespace {

// No bridge of its own: the family is found by probing the chip.
const std::span<const BridgeModel> kBridgeModels;

}  // namespace

const FamilyTraits kGt9pxxFamily = {
    .family = kFamilyGT9Pxx,
    .name = "GT9Pxx",
    .modelListKey = "GT9PXX",
    .defaultModels = "GT9286, GT7288",
    .headerLayout = HeaderLayout{},
    .bridgeModels = kBridgeModels,
    .probedByDetection = true,
    .keptWithoutProbing = false,
    .createChip = [](const ChipContext& context) -> std::unique_ptr<CBaseChip> {
        return std::make_unique<C9pxxChip>(context);
    },
    .createUpdater = [](const UpdaterContext& context) -> std::unique_ptr<CFwUpdate> {
        return std::make_unique<C9PxxUpdate>(context);
    },
    .renameModel = nullptr,
    .createConfig = [](const ConfigContext& context) -> std::unique_ptr<CBaseConfig> {
        return std::make_unique<C9pxxConfig>(context);
    },
    // Where the family departs from the plain write-and-verify rules.
    .upgrade = {.retriesVerifyAtVersionZero = true},
};
