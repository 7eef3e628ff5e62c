#include "touch/FwUpdate.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Format.h"
#include "platform/RegularFile.h"
#include "touch/ChipRegistry.h"
#include "touch/config/CfgText.h"

CFwUpdate::CFwUpdate(const UpdaterContext& context)
    : bridge_(context.bridge),
      clock_(context.clock),
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

bool CFwUpdate::ImageContentFits(const uint8_t*, uint32_t) const { return true; }

bool CFwUpdate::LoadFirmwareFile(const std::string& imagePath, const std::string& configPath) {
    loaded_ = false;
    config_.reset();
    configLength_ = 0;
    // Only a regular file is opened, without waiting: a pipe or a device of that name is an
    // open failure rather than a wait without end.
    platform::RegularFile file;
    if (!file.Open(imagePath)) {
        Log(imagePath + "打开失败", LogError);
        return false;
    }
    imageLength_ = static_cast<uint32_t>(std::min<uint64_t>(file.Size(), UINT32_MAX));
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
    if (file.Read(image_.get(), imageLength_) == 0 ||
        !ImageContentFits(image_.get(), imageLength_)) {
        Log("[FW update]Read File err", LogError);
        return false;
    }
    file.Close();
    path_ = imagePath;
    LastWriteTime(registry_.Files(), path_, lastWriteTime_);
    loaded_ = true;
    if (!configPath.empty()) LoadTravellingConfig(configPath);
    return true;
}

void CFwUpdate::LoadTravellingConfig(const std::string&) {}

bool CFwUpdate::IsSameVersion() {
    if (!registry_.DetectChip()) return false;
    return GetFirmwareVersionText() == settings_.ChipIdentity;
}

bool CFwUpdate::CompareWithChipIdentity(
    uint32_t address, uint32_t length,
    const std::function<std::string(const uint8_t* bytes, std::string& name)>& identity) {
    std::vector<uint8_t> bytes(length);
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (!bridge_.ReadRegs(address, bytes.data(), length, 200)) continue;
        std::string name;
        const std::string text = identity(bytes.data(), name);
        settings_.ChipName = name;
        settings_.ChipIdentity = text;
        if (registry_.IsChipInConfiguredList()) break;
    }
    return GetFirmwareVersionText() == settings_.ChipIdentity;
}

bool CFwUpdate::CheckFirmwareFile() {
    int64_t time = 0;
    return LastWriteTime(registry_.Files(), path_, time) && time == lastWriteTime_;
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
