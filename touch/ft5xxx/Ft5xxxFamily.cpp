#include "touch/ft5xxx/Ft5xxxFamily.h"

#include "bridge/HidReport.h"
#include "touch/config/BaseConfig.h"
#include "touch/ft5xxx/CFT5xxxChip.h"
#include "touch/ft5xxx/CFT5xxxUpdate.h"

namespace {

// No bridge of its own: the family is found by probing the chip.
const std::span<const BridgeModel> kBridgeModels;

}  // namespace

const FamilyTraits kFt5xxxFamily = {
    .family = kFamilyFT5xxx,
    .name = "FT5xxx",
    .modelListKey = "FT5XXX",
    .defaultModels = "FT5682",
    .headerLayout = HeaderLayout{.firstReportMarker = kMarkerFirstFT},
    .bridgeModels = kBridgeModels,
    .probedByDetection = true,
    .keptWithoutProbing = false,
    .createChip = [](const ChipContext& context) -> std::unique_ptr<CBaseChip> {
        return std::make_unique<CFT5xxxChip>(context);
    },
    .createUpdater = [](const UpdaterContext& context) -> std::unique_ptr<CFwUpdate> {
        return std::make_unique<CFT5xxxUpdate>(context);
    },
    .renameModel = nullptr,
    .createConfig = [](const ConfigContext& context) -> std::unique_ptr<CBaseConfig> {
        return std::make_unique<CBaseConfig>(context);
    },
    // Where the family departs from the plain write-and-verify rules.
    .upgrade = {.configStep = ConfigStepKind::None, .comparesIdentityAfterImage = false},
};
