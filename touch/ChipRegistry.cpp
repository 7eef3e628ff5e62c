#include "touch/ChipRegistry.h"

#include <atomic>
#include <vector>

#include "bridge/HidDevice.h"
#include "platform/Profile.h"
#include "touch/BridgeModelFamilyTable.h"
#include "touch/ChipIniSettings.h"
#include "touch/TextConvert.h"
#include "touch/ft5xxx/CFT5xxxChip.h"
#include "touch/gt73xx/C73xxChip.h"
#include "touch/gt79xx/C79xxChip.h"
#include "touch/gt9pxx/C9pxxChip.h"
#include "touch/gt9xxx/C9xxxChip.h"

namespace {

std::atomic<CChipRegistry*> g_registry{nullptr};

// A model list of section "CHIP TYPE" of the settings file.
std::vector<std::string> ModelListOf(const char* key, const char* defaultText) {
    std::vector<std::string> list;
    SplitByComma(platform::ReadProfileString(kAppConfigIni, "CHIP TYPE", key, defaultText), list);
    return list;
}

}  // namespace

CChipRegistry::CChipRegistry(CHidDevice& device) : device_(device) {
    ChipIniSettings& s = ChipIni();
    s.ChipName = "GT9110H";

    gt9xxx_ = std::make_unique<C9xxxChip>(&device);
    gt9xxx_->ModelList =
        ModelListOf("GT9XXX", "GT9110H,GT6108H,GT911,GT9271,GT927,GT9XXX,GT9110P,");
    gt9xxx_->LoadChipIni();
    gt9xxx_->InitCommandTable();

    gt9pxx_ = std::make_unique<C9pxxChip>(&device);
    gt9pxx_->ModelList = ModelListOf("GT9PXX", "GT9286, GT7288");

    gt73xx_ = std::make_unique<C73xxChip>(&device);
    gt73xx_->ModelList = ModelListOf("GT73XX", "GT7385,GT7387P,GT7387,GT7XXX");
    gt73xx_->InitCommandTable();

    gt79xx_ = std::make_unique<C79xxChip>(&device);
    gt79xx_->ModelList = ModelListOf("GT79XX", "GT7936");
    s.RealTimeCmdAddr = 0x10174;

    ft5xxx_ = std::make_unique<CFT5xxxChip>(&device);
    ft5xxx_->ModelList = ModelListOf("FT5XXX", "FT5682");

    MakeCurrent(gt9xxx_.get(), kFamilyNone);
    g_registry.store(this);
    device_.SetOpenedHook([this] { SelectByBridgeModel(); });
}

CChipRegistry::~CChipRegistry() {
    device_.SetOpenedHook(nullptr);
    CChipRegistry* self = this;
    g_registry.compare_exchange_strong(self, nullptr);
}

CChipRegistry* CChipRegistry::Instance() { return g_registry.load(); }

void CChipRegistry::MakeCurrent(CBaseChip* chip, ChipFamily family) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    current_ = chip;
    family_ = family;
    SetCurrentChipFamily(family);
}

CBaseChip* CChipRegistry::ChipOfFamily(ChipFamily family) const {
    switch (family) {
        case kFamilyGT9xxx:
            return gt9xxx_.get();
        case kFamilyGT9Pxx:
            return gt9pxx_.get();
        case kFamilyGT73xx:
            return gt73xx_.get();
        case kFamilyGT79xx:
            return gt79xx_.get();
        case kFamilyFT5xxx:
            return ft5xxx_.get();
        default:
            return nullptr;
    }
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

bool CChipRegistry::DetectChip() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (family_ != kFamilyNone && current_->IdentifyChip()) return true;
    if (family_ == kFamilyGT79xx) return true;
    for (ChipFamily family : {kFamilyGT9xxx, kFamilyGT73xx, kFamilyGT9Pxx, kFamilyFT5xxx}) {
        CBaseChip* chip = ChipOfFamily(family);
        if (chip->IdentifyChip()) {
            MakeCurrent(chip, family);
            return true;
        }
    }
    return false;
}

ChipFamily CChipRegistry::FamilyOfFile(const std::string& fileName) const {
    const size_t underscore = fileName.find('_');
    if (underscore == std::string::npos || underscore == 0) return kFamilyNone;
    const std::string prefix = fileName.substr(0, underscore);
    for (ChipFamily family :
         {kFamilyGT9xxx, kFamilyGT73xx, kFamilyGT79xx, kFamilyGT9Pxx, kFamilyFT5xxx}) {
        if (ChipOfFamily(family)->IsChipInList(prefix)) return family;
    }
    return kFamilyNone;
}

bool IsChipInConfiguredList() {
    std::vector<std::string> list;
    SplitByComma(
        platform::ReadProfileString(kAppConfigIni, "CHIP LIST", "chip list", "GT9110P, GT9110H"),
        list);
    const std::string& name = ChipIni().ChipName;
    for (const std::string& entry : list) {
        if (entry == name) return true;
    }
    return false;
}
