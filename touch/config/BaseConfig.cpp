#include "touch/config/BaseConfig.h"

#include <algorithm>

#include "platform/AsciiCase.h"
#include "platform/Clock.h"
#include "platform/Format.h"
#include "platform/Profile.h"
#include "platform/TextError.h"
#include "resources/MessageTable.h"
#include "touch/BaseChip.h"
#include "touch/FamilyTraits.h"
#include "touch/TextConvert.h"
#include "touch/config/BridgeConfigList.h"
#include "touch/config/CfgText.h"
#include "touch/config/ChoiceValue.h"
#include "touch/config/UiItemFile.h"

namespace {

constexpr unsigned kMsgWriteFailed = 351;
constexpr unsigned kMsgReadFailed = 400;
constexpr uint32_t kReadTimeoutMs = 200;
constexpr int kFlagPollTries = 100;
// Cleared before a verification's reset, up to 100 times while the writes succeed.
constexpr uint32_t kResetClearAddr = 0x814E;
constexpr int kResetClearWrites = 100;
constexpr uint32_t kResetSettleMs = 600;
// The bridge model that needs bridge command 18 and a read of 0x8000 after the chip's reset
// before the chip answers configuration reads (product data of the bridge maker).
constexpr uint16_t kBridgeModelReadyAfterReset = 0x0106;
constexpr uint32_t kReadyCommandSettleMs = 15;
constexpr uint32_t kReadyReadAddr = 0x8000;

// The image byte of a channel number in the first `count` map entries, never beyond the map.
int32_t IndexInMap(const std::vector<int32_t>& map, size_t from, int32_t count, uint8_t byte) {
    const size_t end = std::min(map.size(), count > 0 ? static_cast<size_t>(count) : 0);
    for (size_t i = from; i < end; ++i) {
        if (map[i] == byte) return static_cast<int32_t>(i);
    }
    return byte;
}

const std::vector<int32_t>& MapOf(const ChipIniSettings& s, const CConfigItem& item) {
    return ChannelOf(item) == ChannelKind::Driver ? s.DrvMap : s.SenMap;
}

int32_t MaxOf(const ChipIniSettings& s, const CConfigItem& item) {
    return ChannelOf(item) == ChannelKind::Driver ? s.DrvMaxNum : s.SenMaxNum;
}

bool IsChoice(const CConfigItem& item) { return item.ControlKind == kControlChoice; }

// The number an item's value text stands for: hexadecimal for a hexadecimal item, else
// decimal; a choice item's text that names a choice stands for the choice's index.
int32_t NumberOf(const CConfigItem& item) {
    uint64_t (*read)(const std::string&) =
        item.DisplayKind == kDisplayHex ? ReadHexText : ReadDecimalText;
    return static_cast<int32_t>(IsChoice(item) ? ChoiceTextValue(item, item.Value, read)
                                               : read(item.Value));
}

// A width-8 item that is not a choice list and names a channel stands for a channel index.
// A channel byte that no index gives back (a byte the map does not hold where its index would
// map to another) is shown as the byte itself after this mark, and encoded as the byte; the
// number readers skip the blank.
constexpr char kRawChannelMark[] = " ";

bool IsChannelByte(const CConfigItem& item) {
    return item.Width == 8 && !IsChoice(item) && ChannelOf(item) != ChannelKind::None;
}

}  // namespace

ChannelKind ChannelOf(const CConfigItem& item) {
    if (item.Name.find("Driver_CH") != std::string::npos) return ChannelKind::Driver;
    if (item.Name.find("Sensor_CH") != std::string::npos) return ChannelKind::Sensor;
    return ChannelKind::None;
}

const CBaseConfig::ChannelRule CBaseConfig::kWholeMapChannels = {
    [](const ChipIniSettings& s, const CConfigItem& item, uint8_t byte) {
        return IndexInMap(MapOf(s, item), 0, MaxOf(s, item), byte);
    },
    [](const ChipIniSettings& s, const CConfigItem& item, int32_t value) {
        const std::vector<int32_t>& map = MapOf(s, item);
        if (value >= 0 && value < MaxOf(s, item) && static_cast<size_t>(value) < map.size()) {
            return static_cast<uint8_t>(map[static_cast<size_t>(value)]);
        }
        return static_cast<uint8_t>(value);
    },
};

CBaseConfig::CBaseConfig(const ConfigContext& context)
    : bridge_(context.bridge), settings_(context.settings), context_(context) {}

CBaseConfig::~CBaseConfig() = default;

void CBaseConfig::ThrowMessage(unsigned id) {
    throw platform::TextError(resources::LoadMessageText(id));
}

CBaseConfig::Lengths CBaseConfig::CheckedLengths(int32_t minLength, int32_t minExtLength) const {
    const int32_t main = settings_.CfgLength, ext = settings_.ExtCfgLength;
    const bool extOk = ext == 0 || (ext >= minExtLength && ext > 0);
    if (main < minLength || !extOk || main > kImageSize || ext > kImageSize - main) {
        throw platform::TextError(platform::Format(
            "Configuration length out of range: CfgLength %d (at least %d), ExtCfgLength %d; "
            "the configuration image holds %d bytes",
            main, minLength, ext, kImageSize));
    }
    return {main, ext};
}

std::optional<CBaseConfig::Place> CBaseConfig::PlaceOf(const CConfigItem& item, int32_t cfgAddr,
                                                       const Lengths& lengths) const {
    if (item.BitAddress < 0) return std::nullopt;
    const int64_t address = item.BitAddress / 8;
    int64_t position = address >= cfgAddr ? address - cfgAddr : address;
    if (position > lengths.main && lengths.ext != 0) {
        position = address - settings_.ExtCfgAddr + lengths.main;
    }
    if (position < 0) return std::nullopt;
    const int32_t shift = item.BitAddress % 8;
    const std::string name = "Configuration item \"" + item.Name + "\" ";
    if (item.Width < 1 || item.Width > 16) {
        throw platform::TextError(name + "has a width of " + std::to_string(item.Width) + " bits");
    }
    if (item.Width < 8 ? shift + item.Width > 8 : shift != 0) {
        throw platform::TextError(name + "crosses its byte");
    }
    const int64_t bytes = item.Width > 8 ? 2 : 1;
    if (position + bytes > kImageSize) {
        throw platform::TextError(name + "lies past the " + std::to_string(kImageSize) +
                                  "-byte configuration image");
    }
    return Place{static_cast<int32_t>(position), shift};
}

uint8_t ItemBitsAt(const CConfigItem& item, int32_t itemPosition, int32_t shift, int32_t bytes,
                   int32_t position) {
    const int32_t offset = position - itemPosition;
    if (item.Width >= 9) return offset >= 0 && offset < bytes ? 0xFF : 0;
    return offset == 0 ? static_cast<uint8_t>(((1u << item.Width) - 1) << shift) : 0;
}

std::string EncodingLossText(const std::string& block, int32_t position, uint8_t encoded,
                             uint8_t file, const CConfigItem* item) {
    return platform::Format(
        "%s byte %d (item \"%s\") would be written as 0x%02X where the file "
        "holds 0x%02X",
        block.c_str(), position, item ? item->Name.c_str() : "none", encoded, file);
}

const CConfigItem* CBaseConfig::ItemWrittenAt(int32_t position, uint8_t bits) const {
    const Lengths lengths = FamilyLengths();
    const CConfigItem* found = nullptr;
    for (const auto& item : items_) {
        const std::optional<Place> place = PlaceOf(*item, settings_.CFGAddr, lengths);
        if (place && (ItemBitsAt(*item, place->position, place->shift, 2, position) & bits)) {
            found = item.get();
        }
    }
    return found;
}

void CBaseConfig::CheckEncodingGivesBackImage() {
    const std::array<uint8_t, kImageSize> loaded = image_;
    std::array<uint8_t, kImageSize> encoded{}, expected{};
    try {
        EncodeItems();
        encoded = image_;
        image_ = loaded;
        UpdateChecksum();
        expected = image_;
    } catch (...) {
        image_ = loaded;
        throw;
    }
    image_ = loaded;
    const int32_t length = std::min(settings_.CfgLength + settings_.ExtCfgLength, kImageSize);
    for (int32_t i = 0; i < length; ++i) {
        const uint8_t differ = encoded[i] ^ expected[i];
        if (differ != 0) {
            throw platform::TextError(EncodingLossText("Configuration", i, encoded[i], expected[i],
                                                       ItemWrittenAt(i, differ)));
        }
    }
}

bool CBaseConfig::VerifyOnChip(bool reset) {
    Lengths lengths{};
    try {
        lengths = CheckedLengths();
    } catch (const platform::TextError&) {
        return false;
    }
    if (reset) {
        CBaseChip* chip = context_.currentChip ? context_.currentChip() : nullptr;
        if (chip) chip->SendCommandAlt();
        for (int i = 0; i < kResetClearWrites && bridge_.WriteByte(kResetClearAddr, 0); ++i) {
        }
        bridge_.ResetChip();
        context_.clock.SleepMs(kResetSettleMs);
        if (context_.bridgeModel && context_.bridgeModel() == kBridgeModelReadyAfterReset) {
            bridge_.SendBridgeCommand18();
            context_.clock.SleepMs(kReadyCommandSettleMs);
            bridge_.ReadByte(kReadyReadAddr);
        }
    }
    std::array<uint8_t, kImageSize> chipImage{};
    const auto main = static_cast<uint32_t>(lengths.main);
    if (!bridge_.ReadRegs(static_cast<uint32_t>(settings_.CFGAddr), chipImage.data(), main,
                          kReadTimeoutMs)) {
        return false;
    }
    if (lengths.ext != 0 &&
        !bridge_.ReadRegs(static_cast<uint32_t>(settings_.ExtCfgAddr), chipImage.data() + main,
                          static_cast<uint32_t>(lengths.ext), kReadTimeoutMs)) {
        return false;
    }
    const int32_t skipped =
        UpgradeRulesOf(context_.currentFamily ? context_.currentFamily() : kFamilyNone)
            .verifySkipsLeadingBytes;
    const int32_t first = skipped ? skipped : (image_[0] == 0 ? 1 : 0);
    for (int32_t i = first; i <= lengths.main - 3; ++i) {
        if (chipImage[static_cast<size_t>(i)] != image_[static_cast<size_t>(i)]) return false;
    }
    VersionReadBack = chipImage[0];
    return true;
}

int CBaseConfig::GetVersion() { return image_[0]; }

void CBaseConfig::DecodeItems() { DecodeWith(kWholeMapChannels); }

void CBaseConfig::DecodeWith(const ChannelRule& channels) {
    if (items_.empty()) LoadUiFile(settings_.ScFilePath);
    if (items_.empty()) return;
    const Lengths lengths = CheckedLengths();
    for (const auto& item : items_) {
        const std::optional<Place> place = PlaceOf(*item, settings_.CFGAddr, lengths);
        if (!place) continue;
        const uint8_t* at = image_.data() + place->position;
        int32_t value;
        bool rawChannel = false;
        if (item->Width > 8) {
            value = at[0] | (at[1] << 8);
        } else if (IsChannelByte(*item)) {
            value = channels.decode(settings_, *item, at[0]);
            // A byte the map would not give back for its index keeps its own value.
            rawChannel = channels.encode(settings_, *item, value) != at[0];
            if (rawChannel) value = at[0];
        } else if (item->Width == 8) {
            value = at[0];
        } else {
            value = (at[0] >> place->shift) & ((1 << item->Width) - 1);
        }
        const std::string number =
            (rawChannel ? std::string(kRawChannelMark) : std::string()) +
            platform::Format(item->DisplayKind == kDisplayHex ? "%02X" : "%d", value);
        item->Value =
            IsChoice(*item) ? ChoiceValueText(*item, static_cast<uint64_t>(value), number) : number;
        if (item->InitialValue.empty()) item->InitialValue = item->Value;
    }
}

void CBaseConfig::EncodeItems() { EncodeWith(kWholeMapChannels); }

void CBaseConfig::EncodeWith(const ChannelRule& channels) {
    const Lengths lengths = FamilyLengths();
    // Every place first, so that an item the image cannot hold changes nothing.
    std::vector<std::optional<Place>> places;
    places.reserve(items_.size());
    for (const auto& item : items_) places.push_back(PlaceOf(*item, settings_.CFGAddr, lengths));
    for (size_t i = 0; i < items_.size(); ++i) {
        if (!places[i]) continue;
        const CConfigItem& item = *items_[i];
        uint8_t* at = image_.data() + places[i]->position;
        const int32_t number = NumberOf(item);
        if (item.Width > 8) {
            at[0] = static_cast<uint8_t>(number);
            at[1] = static_cast<uint8_t>(number >> 8);
        } else if (IsChannelByte(item)) {
            at[0] = item.Value.starts_with(kRawChannelMark)
                        ? static_cast<uint8_t>(number)
                        : channels.encode(settings_, item, number);
        } else if (item.Width == 8) {
            at[0] = static_cast<uint8_t>(number);
        } else {
            const int32_t mask = ((1 << item.Width) - 1) << places[i]->shift;
            at[0] = static_cast<uint8_t>((at[0] & ~mask) | ((number << places[i]->shift) & mask));
        }
    }
    UpdateChecksum();
}

void CBaseConfig::UpdateChecksum() {
    const int32_t n = CheckedLengths().main;
    uint8_t sum = 0;
    for (int32_t i = 0; i <= n - 3; ++i) sum = static_cast<uint8_t>(sum + image_[i]);
    image_[n - 2] = static_cast<uint8_t>(-sum);
    image_[n - 1] = 1;
}

bool CBaseConfig::VerifyChecksum() {
    int32_t n = 0;
    try {
        n = CheckedLengths().main;
    } catch (const platform::TextError&) {
        return false;
    }
    uint8_t sum = 0;
    for (int32_t i = 0; i <= n - 2; ++i) sum = static_cast<uint8_t>(sum + image_[i]);
    return sum == 0;
}

void CBaseConfig::LoadUiFile(const std::string& path) {
    const std::optional<std::string> text = ReadUiItemText(context_.files, path);
    if (!text) return;
    UiItemList list = ParseUiItems(*text);
    const int32_t cfgAddr = list.firstAddress ? *list.firstAddress : settings_.CFGAddr;
    Lengths lengths{};
    if (!list.items.empty()) {
        lengths = FamilyLengths();
        for (const auto& item : list.items) PlaceOf(*item, cfgAddr, lengths);
    }
    platform::WriteProfileString(context_.files, settings_.ChipIniPath, "ConfigInfo",
                                 "UI File Name", path);
    settings_.CFGAddr = cfgAddr;
    items_ = std::move(list.items);
    if (!items_.empty()) {
        const std::string& last = items_.back()->Name;
        if (last.find("sum") == std::string::npos && last.find("SUM") == std::string::npos &&
            last.find("Sum") == std::string::npos) {
            auto checksum = std::make_unique<CConfigItem>();
            checksum->Name = "Config_Chksum";
            checksum->BitAddress = (cfgAddr + lengths.main - 2) * 8;
            checksum->Width = 8;
            checksum->DisplayKind = kDisplayHex;
            checksum->Page = "CheckSum";
            checksum->Group = "CheckSum";
            items_.push_back(std::move(checksum));
        }
    }
    BuildPageTree();
}

void CBaseConfig::BuildPageTree() { pages_ = BuildPages(items_); }

void CBaseConfig::ApplyChannelMap(const std::vector<int32_t>& drivers,
                                  const std::vector<int32_t>& sensors) {
    struct Count {
        size_t taken = 0;
        int32_t groupB = 0;
    } drv, sen;
    auto take = [](CConfigItem& item, const std::vector<int32_t>& list, Count& count, int32_t max,
                   bool groupB) {
        if (count.taken < list.size() && list[count.taken] < max) {
            item.Value = std::to_string(list[count.taken]);
            ++count.taken;
            if (groupB) ++count.groupB;
        } else {
            item.Value = "255";
        }
    };
    for (const auto& item : items_) {
        const ChannelKind kind = ChannelOf(*item);
        if (kind == ChannelKind::Driver) {
            const bool inList = drv.taken < drivers.size();
            take(*item, drivers, drv, settings_.DrvMaxNum,
                 inList && drivers[drv.taken] < settings_.DrvHalfNumber);
        } else if (kind == ChannelKind::Sensor) {
            const bool inList = sen.taken < sensors.size();
            take(*item, sensors, sen, settings_.SenMaxNum, inList && sensors[sen.taken] % 2 != 0);
        }
    }
    for (const auto& item : items_) {
        const int32_t drvCount = static_cast<int32_t>(drv.taken);
        const int32_t senCount = static_cast<int32_t>(sen.taken);
        if (item->Name == "Drv_GroupA_number") item->Value = std::to_string(drvCount - drv.groupB);
        if (item->Name == "Drv_GroupB_number") item->Value = std::to_string(drv.groupB);
        if (item->Name == "Sen_GroupA_Number") item->Value = std::to_string(senCount - sen.groupB);
        if (item->Name == "Sen_GroupB_Number") item->Value = std::to_string(sen.groupB);
    }
}

bool CBaseConfig::WriteToChip(int) {
    const auto n = static_cast<uint32_t>(CheckedLengths().main);
    const auto cfgAddr = static_cast<uint32_t>(settings_.CFGAddr);
    bridge_.WriteByte(static_cast<uint32_t>(settings_.SynFlagAddr), 0);
    if (!bridge_.WriteRegs(cfgAddr, image_.data(), n)) ThrowMessage(kMsgWriteFailed);
    if (!bridge_.PollByte(cfgAddr + n - 1, 0, kFlagPollTries)) ThrowMessage(kMsgWriteFailed);
    return true;
}

void CBaseConfig::ReadFromChip() {
    const Lengths lengths = CheckedLengths();
    std::array<uint8_t, kImageSize> read = image_;
    const auto main = static_cast<uint32_t>(lengths.main);
    if (!bridge_.ReadRegs(static_cast<uint32_t>(settings_.CFGAddr), read.data(), main,
                          kReadTimeoutMs)) {
        ThrowMessage(kMsgReadFailed);
    }
    if (lengths.ext != 0 &&
        !bridge_.ReadRegs(static_cast<uint32_t>(settings_.ExtCfgAddr), read.data() + main,
                          static_cast<uint32_t>(lengths.ext), kReadTimeoutMs)) {
        ThrowMessage(kMsgReadFailed);
    }
    image_ = read;
}

bool CBaseConfig::ToggleItem(const std::string& key) {
    try {
        int value = 0;
        GetItemValue(key, value);
        SetItemValue(key, 1 - value);
        return true;
    } catch (const platform::TextError&) {
        return false;
    }
}

bool CBaseConfig::SwapXY() { return ToggleItem("X2Y"); }

bool CBaseConfig::ReverseRun(int32_t startAddr, int32_t count) {
    const int32_t start = startAddr - settings_.CFGAddr;
    if (count > 0 && (start < 0 || start > kImageSize - count)) return false;
    uint8_t* run = image_.data() + (count > 0 ? start : 0);
    int32_t k = count - 1;
    while (k >= 0 && run[k] == 0xFF) --k;
    if (k >= 1) std::reverse(run, run + k + 1);
    DecodeItems();
    return true;
}

bool CBaseConfig::MirrorX() { return ReverseRun(settings_.DrvStartAddr, settings_.DrvMaxNum); }

bool CBaseConfig::MirrorY() { return ReverseRun(settings_.SenStartAddr, settings_.SenMaxNum); }

int CBaseConfig::FindSensorIndex(int) { return 255; }

int CBaseConfig::FindDriverIndex(int) { return 255; }

CConfigItem& CBaseConfig::FindItem(const std::string& key) {
    const std::string entry =
        platform::ReadProfileString(context_.files, settings_.ChipIniPath, "Cfg", key, "");
    std::vector<std::string> parts;
    SplitByComma(entry, parts);
    std::unique_ptr<CConfigItem>* found = nullptr;
    if (parts.size() >= 2) {
        const int64_t bit = int64_t{HexTextToValue(parts[0])} * 8 + DecimalTextToInt(parts[1]);
        const auto at = std::find_if(items_.begin(), items_.end(),
                                     [&](const auto& item) { return item->BitAddress == bit; });
        if (at != items_.end()) found = &*at;
    } else if (entry.empty()) {
        const auto at = std::find_if(items_.begin(), items_.end(), [&](const auto& item) {
            return platform::EqualsIgnoringCase(item->Name, key);
        });
        if (at != items_.end()) found = &*at;
    }
    if (!found) throw platform::TextError("找不到" + key);
    return **found;
}

bool CBaseConfig::GetItemValue(const std::string& key, int& value) {
    value = DecimalTextToInt(FindItem(key).Value);
    return true;
}

bool CBaseConfig::SetItemValue(const std::string& key, int value) {
    FindItem(key).Value = std::to_string(value);
    return true;
}

bool CBaseConfig::WritesExtendedBlock(const uint8_t*, size_t) const { return false; }

CBaseConfig::CfgFile CBaseConfig::ReadCfgFile(const std::string& path) const {
    const auto checkLengths = [](int32_t main, int32_t ext) {
        if (main < 2 || ext < 0 || main > kImageSize - ext) {
            throw platform::TextError(platform::Format(
                "Configuration length out of range: CfgLength %d, ExtCfgLength %d; the "
                "configuration image holds %d bytes",
                main, ext, kImageSize));
        }
    };
    // A header states the configuration's whole length, which may be up to the whole image.
    const bool header =
        UpgradeRulesOf(context_.currentFamily ? context_.currentFamily() : kFamilyNone)
            .configFileHasHeader;
    const int32_t ext = header ? 0 : settings_.ExtCfgLength;
    if (!header) checkLengths(settings_.CfgLength, ext);
    const size_t limit = CBridgeConfigList::kBlockLength +
                         static_cast<size_t>(header ? kImageSize : settings_.CfgLength + ext);
    CfgFile file;
    file.values = ReadCfgValues(context_.files, path, limit, CfgExcess::Ignore, file.path);
    file.mainLength = header ? HeaderStatedLength(file.values) : settings_.CfgLength;
    checkLengths(file.mainLength, ext);
    const size_t held = file.values.size();
    const auto main = static_cast<size_t>(file.mainLength);
    const size_t blocks = main + static_cast<size_t>(ext);
    if (held >= blocks) {
        file.imageValues = file.bridgeAt = blocks;
        return file;
    }
    // Fewer values than the blocks: enough only where the chip is sent no more of the file. A
    // refusal counts the values of the blocks the file must fill.
    if (held > main || WritesExtendedBlock(file.values.data(), held)) {
        RequireCfgValues(held, blocks);
    }
    const bool leavesOutFlag = !header && LastByteSetByProgram() && held + 1 == main;
    if (!leavesOutFlag) RequireCfgValues(held, main);
    file.imageValues = file.bridgeAt = held;
    return file;
}

void CBaseConfig::LoadCfgText(const std::string& path) {
    const CfgFile file = ReadCfgFile(path);
    image_.fill(0);
    std::copy_n(file.values.begin(), file.imageValues, image_.begin());
    imageLength_ = static_cast<int32_t>(file.imageValues);
    path_ = file.path;
    LastWriteTime(context_.files, file.path, fileTime_);
}

std::unique_ptr<CBaseConfig> CreateConfig(ChipFamily family, const ConfigContext& context) {
    const FamilyTraits* traits = TraitsOf(family);
    if (!traits) return std::make_unique<CBaseConfig>(context);
    return traits->createConfig ? traits->createConfig(context) : nullptr;
}
