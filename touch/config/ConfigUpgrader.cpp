#include "touch/config/ConfigUpgrader.h"

#include <algorithm>
#include <vector>

#include "bridge/RegisterAccess.h"
#include "platform/Path.h"
#include "platform/RegularFile.h"
#include "platform/TextError.h"
#include "resources/MessageTable.h"
#include "touch/config/CfgText.h"

namespace {

constexpr uint32_t kBridgeConfigAddress = 0xFFFFFF;
constexpr uint32_t kBridgeConfigTimeoutMs = 500;
constexpr unsigned kMsgWriteFailed = 351;
}  // namespace

CConfigUpgrader::CConfigUpgrader(ConfigContext context, FamilyOfFile familyOfFile,
                                 ConfigFactory createConfig)
    : context_(std::move(context)),
      familyOfFile_(std::move(familyOfFile)),
      createConfig_(std::move(createConfig)) {
    MakeConfig(context_.currentFamily ? context_.currentFamily() : kFamilyNone);
}

CConfigUpgrader::~CConfigUpgrader() {
    // The bridge list's page lies in the configuration's tree: it goes first.
    bridgeConfig_.reset();
    config_.reset();
}

void CConfigUpgrader::MakeConfig(ChipFamily family) {
    bridgeConfig_.reset();
    config_ = createConfig_ ? createConfig_(family, context_) : nullptr;
    bridgeConfig_ = std::make_unique<CBridgeConfigList>(config_.get());
}

CBaseConfig& CConfigUpgrader::Config() {
    if (!config_) {
        throw platform::TextError("No configuration support for this chip family in this build");
    }
    return *config_;
}

bool CConfigUpgrader::EnsureItems() {
    itemsError_.clear();
    if (!config_) return false;
    if (!config_->Items().empty()) return true;
    const std::string& path = context_.settings.ScFilePath;
    if (platform::RegularFile file; !file.Open(context_.files.Resolve(path).string())) {
        itemsError_ = "UI item file could not be loaded: " + path;
        return false;
    }
    try {
        config_->LoadUiFile(path);
    } catch (const platform::TextError& error) {
        itemsError_ = error.what();
        return false;
    }
    if (config_->Items().empty()) {
        itemsError_ = "UI item file holds no items: " + path;
        return false;
    }
    bridgeConfig_->BuildPageTree();
    return true;
}

bool CConfigUpgrader::LoadFile(const std::string& path) {
    const ChipFamily current = context_.currentFamily ? context_.currentFamily() : kFamilyNone;
    const ChipFamily fileFamily =
        familyOfFile_ ? familyOfFile_(platform::FileNameOf(path)) : kFamilyNone;
    if (fileFamily != kFamilyNone && fileFamily != current) MakeConfig(fileFamily);
    CBaseConfig& config = Config();
    if (!EnsureItems()) return false;

    ReadIntoBlocks(path);
    if (!config.VerifyChecksum()) throw platform::TextError(kConfigChecksumErrorText);
    config.DecodeItems();
    bridgeConfig_->Decode();
    // What the chip and the bridge are sent is the items encoded: it must give back the file.
    config.CheckEncodingGivesBackImage();
    if (bridgeConfig_->Present) bridgeConfig_->CheckEncodingGivesBackBlock();
    return true;
}

bool CConfigUpgrader::LoadFileCarriedByImage(const std::string& path) {
    Config();
    if (!EnsureItems()) return false;
    ReadIntoBlocks(path);
    bridgeConfig_->Decode();
    return true;
}

void CConfigUpgrader::ReadIntoBlocks(const std::string& path) {
    CBaseConfig& config = Config();
    const CBaseConfig::CfgFile file = config.ReadCfgFile(path);
    context_.settings.CfgLength = file.mainLength;
    std::fill_n(config.Image(), CBaseConfig::kImageSize, 0);
    std::copy_n(file.values.begin(), file.imageValues, config.Image());
    // The bridge block's values; missing ones leave it invalid, so absent.
    bridgeConfig_->Block.fill(0);
    const size_t bridge =
        std::min(file.values.size() - file.bridgeAt, CBridgeConfigList::kBlockLength);
    std::copy_n(file.values.begin() + static_cast<std::ptrdiff_t>(file.bridgeAt), bridge,
                bridgeConfig_->Block.begin());
    path_ = file.path;
    bridgeBlockSent_ = false;
}

bool CConfigUpgrader::ReadFromDevice() {
    if (!EnsureItems()) return false;
    try {
        config_->ReadFromChip();
        context_.bridge.ReadBridgeConfig(bridgeConfig_->Block.data(),
                                         CBridgeConfigList::kBlockLength);
        config_->DecodeItems();
    } catch (const platform::TextError&) {
        return false;
    }
    bridgeConfig_->Decode();
    return true;
}

void CConfigUpgrader::WriteToDevice() {
    CBaseConfig& config = Config();
    config.EncodeItems();
    bridgeConfig_->Encode();
    config.WriteToChip(1);
    WriteBridgeBlock();
}

void CConfigUpgrader::WriteBridgeBlock() {
    if (!bridgeConfig_->Present) return;
    RequestForm form;
    form.type = kRequestWrite;
    form.command = kCmdWriteBridgeConfig;
    form.address = kBridgeConfigAddress;
    form.timeoutMs = kBridgeConfigTimeoutMs;
    form.end = QueueEnd::Back;
    bridgeBlockSent_ = true;
    if (!context_.bridge.Exchange(form, bridgeConfig_->Block.data(),
                                  CBridgeConfigList::kBlockLength)) {
        throw platform::TextError(resources::LoadMessageText(kMsgWriteFailed));
    }
}

bool CConfigUpgrader::Verify() {
    if (!config_ || !config_->VerifyOnChip(true)) return false;
    if (!bridgeConfig_->Present) return true;
    std::array<uint8_t, CBridgeConfigList::kBlockLength> read{};
    if (!context_.bridge.ReadBridgeConfig(read.data(), CBridgeConfigList::kBlockLength)) {
        return false;
    }
    // A bridge that holds no block (its first byte 0) passes only where this upgrader has
    // not sent one: a block that was sent must be the one read back.
    return read == bridgeConfig_->Block || (!bridgeBlockSent_ && read[0] == 0);
}
