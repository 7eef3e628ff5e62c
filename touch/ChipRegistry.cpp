#include "touch/ChipRegistry.h"

#include <vector>

#include "bridge/HidDevice.h"
#include "platform/Profile.h"
#include "touch/FamilyTraits.h"
#include "touch/TextConvert.h"

namespace {

// A model list of section "CHIP TYPE" of the settings file.
std::vector<std::string> ModelListOf(const platform::ProgramFiles& files, const char* key,
                                     const char* defaultText) {
    std::vector<std::string> list;
    SplitByComma(platform::ReadProfileString(files, kAppConfigIni, "CHIP TYPE", key, defaultText),
                 list);
    return list;
}

}  // namespace

CChipRegistry::CChipRegistry(CHidDevice& device, platform::Clock& clock,
                             platform::MessageService& messages, ChipIniSettings& settings,
                             platform::ProgramFiles files)
    : device_(device), clock_(clock), settings_(settings), files_(std::move(files)) {
    settings_.ChipName = "GT9110H";
    const ChipContext context{device_,   clock_, messages,
                              settings_, files_, [this] { return CurrentFamily(); }};
    chips_.reserve(Families().size());
    for (const FamilyTraits* traits : Families()) {
        std::unique_ptr<CBaseChip> chip = traits->createChip(context);
        chip->ModelList = ModelListOf(files_, traits->modelListKey, traits->defaultModels);
        chips_.push_back({traits->family, std::move(chip)});
        chips_.back().chip->Prepare();
    }
    MakeCurrent(ChipOfFamily(kFamilyGT9xxx), kFamilyNone);
    device_.SetOpenedHook([this] { SelectByBridgeModel(); });
}

CChipRegistry::~CChipRegistry() { device_.SetOpenedHook(nullptr); }

void CChipRegistry::MakeCurrent(CBaseChip* chip, ChipFamily family) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    current_ = chip;
    family_ = family;
    const FamilyTraits* traits = TraitsOf(family);
    device_.SetHeaderLayout(traits ? traits->headerLayout : HeaderLayout{});
}

CBaseChip* CChipRegistry::ChipOfFamily(ChipFamily family) const {
    for (const FamilyChip& entry : chips_) {
        if (entry.family == family) return entry.chip.get();
    }
    return nullptr;
}

CBaseChip* CChipRegistry::CurrentChip() const {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return current_;
}

ChipFamily CChipRegistry::CurrentFamily() const {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return family_;
}

void CChipRegistry::SelectByBridgeModel() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    const CHidDevice::UsbAttributes attributes = device_.Attributes();
    const ChipFamily family = FamilyOfBridgeModel(attributes.productId, attributes.versionNumber);
    if (family != kFamilyNone) MakeCurrent(ChipOfFamily(family), family);
}

bool CChipRegistry::IdentifyCurrentChip() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return family_ != kFamilyNone && current_->IdentifyChip();
}

bool CChipRegistry::DetectChip() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (IdentifyCurrentChip()) return true;
    const FamilyTraits* current = TraitsOf(family_);
    if (current && current->keptWithoutProbing) return true;
    for (const FamilyTraits* traits : Families()) {
        if (!traits->probedByDetection) continue;
        CBaseChip* chip = ChipOfFamily(traits->family);
        if (chip->IdentifyChip()) {
            MakeCurrent(chip, traits->family);
            return true;
        }
    }
    return false;
}

ChipFamily CChipRegistry::FamilyOfFile(const std::string& fileName) const {
    const size_t underscore = fileName.find('_');
    if (underscore == std::string::npos || underscore == 0) return kFamilyNone;
    const std::string prefix = fileName.substr(0, underscore);
    for (const FamilyTraits* traits : Families()) {
        if (ChipOfFamily(traits->family)->IsChipInList(prefix)) return traits->family;
    }
    return kFamilyNone;
}

bool CChipRegistry::IsChipInConfiguredList() const {
    std::vector<std::string> list;
    SplitByComma(platform::ReadProfileString(files_, kAppConfigIni, "CHIP LIST", "chip list",
                                             "GT9110P, GT9110H"),
                 list);
    for (const std::string& entry : list) {
        if (entry == settings_.ChipName) return true;
    }
    return false;
}
