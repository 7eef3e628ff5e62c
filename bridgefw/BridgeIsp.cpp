#include "bridgefw/BridgeIsp.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "bridgefw/IntelHex.h"
#include "platform/CodePage.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/RegularFile.h"
#include "platform/TextError.h"
#include "resources/MessageTable.h"

namespace {

constexpr unsigned kChecksumErrorMessage = 459;
constexpr char kSettingsFile[] = ".//system//AppConfigInit.ini";

// The "MCU_TYPE" key of a chip type's family; nullptr for a chip type that takes any image.
const char* McuTypeKey(uint8_t code) {
    switch (code) {
        case 0x51:
        case 0x52:
        case 0x54:
            return "TYPE1";
        case 0x71:
        case 0x73:
            return "TYPE2";
        case 0x78:
        case 0x79:
            return "TYPE3";
        default:
            return nullptr;
    }
}

// The option pairs that Program goes through: (value at offset 14, value at offset 6).
constexpr std::array<std::array<uint32_t, 2>, 4> kOptionPairs = {{{1, 0}, {1, 1}, {0, 0}, {0, 1}}};

void Put32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t Get32(const uint8_t* at) {
    return uint32_t{at[0]} | (uint32_t{at[1]} << 8) | (uint32_t{at[2]} << 16) |
           (uint32_t{at[3]} << 24);
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// Far more text than the largest image takes in Intel-HEX.
constexpr uint64_t kMaxHexTextSize = 16u << 20;

// The whole file, or nothing when it is no regular file or cannot be read; never waits on a
// pipe or device of that name.
bool ReadWholeFile(const std::string& path, std::vector<char>& bytes) {
    std::string text;
    if (!platform::ReadRegularFile(path, text, kMaxHexTextSize)) return false;
    bytes.assign(text.begin(), text.end());
    return true;
}

[[noreturn]] void Refuse(const std::string& text) { throw platform::TextError(text); }

}  // namespace

std::string LoadChecksumErrorText() { return resources::LoadMessageText(kChecksumErrorMessage); }

CBridgeIsp::CBridgeIsp(platform::IspLibrary& library, platform::ProgramFiles files)
    : library_(library), files_(std::move(files)) {
    option_[4] = 0x51;
    Put32(&option_[14], 1);
    Put32(&option_[18], 1);
    Put32(&option_[34], 1);
    Put32(&option_[48], 1);
    Put32(&option_[844], 1);
    option_[848] = 1;
}

void CBridgeIsp::ApplyChipType(uint8_t code) {
    uint8_t family = 0;
    uint32_t flag26 = 0, area60 = 0, flag857 = 0;
    uint8_t flag901 = 0;
    switch (code) {
        case 0x46:
        case 0x49:
            family = 2, area60 = 0xE000, flag857 = 1;
            break;
        case 0x71:
        case 0x73:
            family = 3, area60 = 0xE000, flag901 = 0xFF;
            break;
        case 0x78:
        case 0x79:
            family = 3, flag26 = 1, area60 = 0xE000, flag901 = 0xFF;
            break;
        case 0x82:
        case 0x83:
            family = 6, area60 = 0xE000, flag857 = 1, flag901 = 0xFF;
            break;
        default:  // 0x51, 0x52, 0x54
            break;
    }
    option_[4] = code;
    option_[5] = family;
    Put32(&option_[26], flag26);
    Put32(&option_[60], area60);
    Put32(&option_[857], flag857);
    option_[901] = flag901;
    Put32(&option_[906], 1);
}

void CBridgeIsp::ApplyOptionPair() {
    Put32(&option_[14], kOptionPairs[static_cast<size_t>(optionPairIndex_)][0]);
    Put32(&option_[6], kOptionPairs[static_cast<size_t>(optionPairIndex_)][1]);
}

bool CBridgeIsp::FindDevice() {
    imageMatchesChip_ = false;
    programmingOpen_ = false;
    constexpr int kCodes = static_cast<int>(kChipTypes.size());
    for (int attempt = 0; attempt < 2 * kCodes; ++attempt) {
        ApplyChipType(kChipTypes[static_cast<size_t>(searchIndex_)]);
        library_.SetIspOption(option_.data());
        deviceTable_.fill(0);
        uint16_t unusedA = 0, unusedB = 0;
        uint32_t unusedC = 0;
        deviceCount_ =
            library_.EnumDevices(deviceTable_.data(), platform::IspLibrary::kDeviceTableCapacity,
                                 &unusedA, &unusedB, &unusedC);
        if (deviceCount_ > 0) {
            programmingOpen_ = true;
            if (firmwareName_.empty()) firmwareName_ = "Halden_ISP";
            return true;
        }
        searchIndex_ = (searchIndex_ + 1) % kCodes;
    }
    return false;
}

bool CBridgeIsp::LoadImage(std::string path) {
    imagePath_ = path;
    const size_t dot = path.rfind('.');
    fileType_ = Lower(dot == std::string::npos ? path : path.substr(dot + 1));
    imageLoaded_ = false;
    imageMatchesChip_ = false;
    if (fileType_ == "hex") {
        LoadHexImage(path);
    } else {
        LoadRawImage(path);
    }
    imageLoaded_ = true;
    return true;
}

void CBridgeIsp::LoadHexImage(const std::string& path) {
    std::vector<char> text;
    if (!ReadWholeFile(path, text)) Refuse(path + "打开失败");
    if (text.empty()) Refuse(path + "文件为空");
    std::vector<uint8_t> decoded(text.size());
    uint32_t length = 0;
    if (!DecodeIntelHex(text.data(), text.size(), decoded.data(), length))
        Refuse("hex 文件格式错误");
    // Records without data (the end record alone): nothing that could be programmed.
    if (length == 0) Refuse(path + "文件为空");
    if (length > kImageCapacity) {
        Refuse(path + ": the image is larger than the bridge's " + std::to_string(kImageCapacity) +
               " bytes");
    }
    const uint32_t padded = std::min<uint32_t>((length + 3) / 4 * 4, kImageCapacity);
    std::memcpy(image_.data(), decoded.data(), length);
    std::memset(image_.data() + length, 0, padded - length);
    imageLength_ = length;
}

void CBridgeIsp::LoadRawImage(const std::string& path) {
    platform::RegularFile in;
    if (!in.Open(path)) Refuse(path + "打开失败");
    const uint64_t size = in.Size();
    if (size > kMaxRawFileSize) {
        Refuse(path + ": the image is larger than the bridge's " + std::to_string(kMaxRawFileSize) +
               " bytes of firmware");
    }
    if (size == 0 || in.Read(image_.data() + leadingAreaSize_, size) != size)
        Refuse(path + "打开失败");
    std::memset(image_.data(), 0, leadingAreaSize_);
    imageLength_ = leadingAreaSize_ + static_cast<uint32_t>(size);
    if (ImageChecksum() != 0) Refuse(LoadChecksumErrorText());
}

uint16_t ChecksumInName(const std::string& path) {
    const size_t cut = path.rfind('_');
    const std::string digits =
        platform::Utf8Prefix(cut == std::string::npos ? path : path.substr(cut + 1), 4);
    uint32_t value = 0;
    for (const char c : digits) {
        const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        if (upper >= '0' && upper <= '9') {
            value = (value << 4) + static_cast<uint32_t>(upper - '0');
        } else if (upper >= 'A' && upper <= 'F') {
            value = (value << 4) + static_cast<uint32_t>(upper - 'A' + 10);
        }
    }
    return static_cast<uint16_t>(value);
}

uint16_t CBridgeIsp::ImageChecksum() const {
    uint32_t sum = 0;
    for (uint32_t i = 0; i < imageLength_; ++i) sum += image_[i];
    return static_cast<uint16_t>(sum + ChecksumInName(imagePath_));
}

bool CBridgeIsp::McuTypeHoldsImage(const char* key) const {
    const std::string value =
        platform::ReadProfileString(files_, kSettingsFile, "MCU_TYPE", key, "", 260);
    const std::string prefix = platform::Utf8Prefix(platform::FileNameOf(imagePath_), 4);
    return value.find(prefix) != std::string::npos;
}

bool CBridgeIsp::ReadMcuType() {
    const char* key = McuTypeKey(ChipTypeCode());
    imageMatchesChip_ = !key || McuTypeHoldsImage(key);
    return imageMatchesChip_;
}

bool CBridgeIsp::Program() {
    // Nothing is written without an image checked against the chip type that was found.
    if (!imageLoaded_ || imageLength_ == 0 || !imageMatchesChip_) return false;
    const uint8_t code = ChipTypeCode();
    for (int attempt = 0; attempt < 4; ++attempt) {
        if (library_.FlashProgramB(Get32(deviceTable_.data()), image_.data(), imageLength_, 1, 0, 0,
                                   0) != 0) {
            EndProgramming();
            return true;
        }
        if (code == 0x71 || code == 0x73) {
            // These chips take no second attempt: programming ends, and the write failed.
            EndProgramming();
            return false;
        }
        optionPairIndex_ = (optionPairIndex_ + 1) % static_cast<int>(kOptionPairs.size());
        ApplyOptionPair();
        library_.SetIspOption(option_.data());
    }
    return false;
}

void CBridgeIsp::EndProgramming() {
    if (!programmingOpen_) return;
    programmingOpen_ = false;
    library_.IspEnd(0, 1);
}
