#include "touch/FwUpdate.h"

#include <filesystem>
#include <fstream>

#include "platform/CodePage.h"
#include "platform/Format.h"
#include "platform/TextError.h"
#include "touch/ChipRegistry.h"
#include "touch/config/BaseConfig.h"
#include "touch/config/CfgText.h"
#include "touch/config/ConfigContext.h"

CFwUpdate::CFwUpdate(const UpdaterContext& context)
    : bridge_(context.bridge),
      registry_(context.registry),
      settings_(context.settings),
      log_(context.log),
      image_(new uint8_t[kImageCapacity]()) {}

CFwUpdate::~CFwUpdate() = default;

void CFwUpdate::Log(const std::string& text, int kind) const {
    if (log_) log_->AppendLog(text, kind);
}

void CFwUpdate::LogRes(unsigned id, int kind) const {
    if (log_) log_->AppendLogRes(id, kind);
}

bool CFwUpdate::ImageFitsLayout(uint32_t) const { return true; }

bool CFwUpdate::LoadFirmwareFile(const std::string& imagePath, const std::string& configPath) {
    loaded_ = false;
    config_.reset();
    configLength_ = 0;
    std::ifstream file(imagePath, std::ios::binary);
    std::error_code error;
    if (!file || std::filesystem::is_directory(imagePath, error)) {
        Log(imagePath + "打开失败", LogError);
        return false;
    }
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    file.seekg(0, std::ios::beg);
    imageLength_ = size > 0 ? static_cast<uint32_t>(std::min<std::streamoff>(size, UINT32_MAX)) : 0;
    if (!image_) {
        Log("[FW update]malloc buf that fw needed is failed", LogError);
        return false;
    }
    // A file longer than the buffer, or shorter than the family's layout, is refused as a
    // read error: nothing is read past the buffer or the image.
    if (imageLength_ == 0 || imageLength_ > kImageCapacity || !ImageFitsLayout(imageLength_)) {
        Log("[FW update]Read File err", LogError);
        return false;
    }
    file.read(reinterpret_cast<char*>(image_.get()), imageLength_);
    if (file.gcount() <= 0) {
        Log("[FW update]Read File err", LogError);
        return false;
    }
    file.close();
    path_ = imagePath;
    LastWriteTime(path_, lastWriteTime_);
    loaded_ = true;
    if (!configPath.empty() && registry_.CurrentFamily() == kFamilyGT79xx) {
        LoadTravellingConfig(configPath);
    }
    return true;
}

void CFwUpdate::LoadTravellingConfig(const std::string& configPath) {
    std::unique_ptr<CBaseConfig> config = CreateConfig(kFamilyGT79xx, ConfigContextOf(registry_));
    if (!config) return;
    try {
        config->LoadCfgText(configPath);
    } catch (const platform::TextError& error) {
        // A file that cannot be opened ends the run; one of more values than the image
        // holds only leaves the configuration absent.
        if (std::string(error.what()) == kOpenConfigFailedText) throw;
        return;
    }
    const int32_t length = config->ImageLength();
    if (length < 1 || length >= static_cast<int32_t>(kConfigCapacity)) return;
    config_.reset(new uint8_t[kConfigCapacity]);
    std::fill(config_.get(), config_.get() + kConfigCapacity, 0xFF);
    std::copy(config->Image(), config->Image() + length, config_.get());
    configLength_ = static_cast<uint32_t>(length);
}

bool CFwUpdate::IsSameVersion() {
    if (!registry_.DetectChip()) return false;
    return GetFirmwareVersionText() == settings_.ChipIdentity;
}

bool CFwUpdate::CheckFirmwareFile() {
    int64_t time = 0;
    return LastWriteTime(path_, time) && time == lastWriteTime_;
}

std::string CFwUpdate::GetFirmwareVersionText() {
    const uint8_t* image = image_.get();
    const std::string version = platform::Format("%4X", image[12] * 256 + image[13]);
    // Each byte is the character of the same code, as identification forms the chip's name.
    std::string chars;
    for (int i = 4; i <= 8 && image[i] != 0; ++i) chars += static_cast<char>(image[i]);
    std::string name = "GT" + platform::Latin1ToUtf8(chars);
    if (name == "GT6572") name = "GA6572";
    return name + "_" + version;
}
